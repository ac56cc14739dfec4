#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "document/parameter.h"
#include "document/unit_facts.h"
#include "link/frame.h"

namespace skelvane {

// How a numeric parameter travels as register bytes. Its `vectors` list names one register id
// per byte, most significant byte first: with ids [0x10, 0x11] the value 0x1234 is the pairs
// (10, 12) and (11, 34).

// Bytes of the value on the unit: 1, 2 and 4 for the type codes 1, 2 and 3; 0 for any other
// type (texts never travel as register bytes).
std::size_t RegisterValueSize(const Parameter& parameter);

// A numeric parameter with at least one register id.
bool TravelsAsRegisters(const Parameter& parameter);

// The first parameter whose name equals `name` without regard to case; nullptr when none.
Parameter* FindParameterNoCase(std::vector<Parameter>& parameters, std::string_view name);
const Parameter* FindParameterNoCase(const std::vector<Parameter>& parameters,
                                     std::string_view name);

// One received (id, byte) pair: every numeric parameter whose list holds the id (at its first
// position j) takes the byte at bit position (size - 1 - j) * 8, its number first cleared when
// j is 0. Ids past the value's size name no byte of it and are ignored.
void StoreRegisterByte(std::vector<Parameter>& parameters, std::uint8_t id, std::uint8_t byte);

// Calls `visit(id, value)` for each (id, value) pair of a register reply, in order. Whole
// pairs only: a lone last byte has no value to go with it.
template <typename Visit>
void ForEachRegisterPair(std::span<const std::uint8_t> reply, Visit&& visit) {
    for (std::size_t at = kFrameHeaderSize; at + 1 < reply.size(); at += 2) {
        visit(reply[at], reply[at + 1]);
    }
}

// The registers of the link rate index and the country code, which the unit's facts follow.
inline constexpr std::uint8_t kRegisterLinkRate = 0x0E;
inline constexpr std::uint8_t kRegisterCountry = 0x59;

// One received (id, byte) pair as the unit's facts see it: the link rate and the country code
// are kept; any other register is passed over.
void NoteUnitFact(UnitFacts& facts, std::uint8_t id, std::uint8_t byte);

// The (id, byte) pairs that write the parameter's number, in list order. Ids past the value's
// size carry no byte of it and are left out.
void AppendWritePairs(const Parameter& parameter, std::vector<std::uint8_t>& pairs);

// Splits request bytes into pieces of at most `maxBytes`, keeping the bytes of each
// parameter (`groups`: the byte counts of the parameters, in order) in one piece whenever
// they fit one. Always at least one piece (empty when there are no bytes). Keeps requests
// within a frame.
std::vector<std::vector<std::uint8_t>> SplitIntoFrames(const std::vector<std::uint8_t>& bytes,
                                                       const std::vector<std::size_t>& groups,
                                                       std::size_t maxBytes);

}  // namespace skelvane
