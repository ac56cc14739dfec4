#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "base/prompter.h"
#include "document/parameter.h"
#include "document/unit_facts.h"
#include "restrictions/restriction_table.h"

namespace skelvane {

// In a network document the restriction entries are the text parameters
// "FrequencyRestriction1" to "FrequencyRestriction16" and the repeater list is
// "RepeaterRegistration". These helpers connect those parameters with the encoded lists;
// the Restrictions page and its exchange worker both use them.

inline constexpr std::string_view kRestrictionPrefix = "FrequencyRestriction";
inline constexpr std::string_view kRepeaterPrefix = "RepeaterRegistration";

// Entry index (0 to 15) of a restriction parameter: its name begins with the prefix and the
// decimal number after it is 1 to 16. Other numbers have no place in the table and are
// ignored: nullopt, as for a name without the prefix.
std::optional<int> RestrictionEntryIndex(std::string_view parameterName);

bool IsRepeaterParameter(std::string_view parameterName);

// The restriction table to send, built from the parameters in their order: every entry the
// parameters name is validated from its text (the first refusal shows its message and gives
// nullopt), entries they do not name stay empty, and the room check follows. The table is
// also stored as the program's table (as far as it got, on refusal too).
std::optional<RestrictionTable> BuildRestrictionTable(const std::vector<Parameter>& parameters,
                                                      RestrictionState& state,
                                                      const UnitFacts& facts, Prompter& prompter);

// The repeater list to send: the text of the first repeater parameter validated (nullopt
// after its message when refused), or, for a block without one, the list last built in this
// run of the program. Stored as the program's list.
std::optional<RepeaterList> BuildRepeaterList(const std::vector<Parameter>& parameters,
                                              RestrictionState& state, Prompter& prompter);

// Stores a unit's entry (the payload of a 0x90 reply) into the parameter named exactly
// "FrequencyRestriction<index + 1>". False when the payload is too short or there is no
// such parameter; nothing changes then.
bool ApplyRestrictionEntryReply(std::vector<Parameter>& parameters,
                                std::span<const std::uint8_t> payload);

// Stores a unit's repeater list (the payload of a 0xB8 reply) into the first repeater
// parameter. An empty list leaves it unchanged (false), as does a block without one.
bool ApplyRepeaterReply(std::vector<Parameter>& parameters, std::span<const std::uint8_t> payload);

}  // namespace skelvane
