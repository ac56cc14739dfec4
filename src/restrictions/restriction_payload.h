#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "restrictions/restriction_table.h"

namespace skelvane {

// The payloads of the restriction exchange (its codes are the frame layer's). A frame is:
// length byte (bytes that follow), UA high, UA low, code, payload; the functions below deal
// with the payload only, the frame layer adds the rest.

// Firmware from which on a unit keeps the restriction table and the repeater list
// (version number = version x 10000).
inline constexpr std::uint32_t kRestrictionsMinVersion = 31080;
inline constexpr std::uint32_t kRepeatersMinVersion = 32320;

inline constexpr std::size_t kSendEntryPayloadSize = 1 + 2 + 4 * kRangesPerEntry;  // 35
inline constexpr std::size_t kSendRepeatersPayloadSize = 2 * kRepeaterSlotCount;   // 32

// Payload of "send restriction entry" (0x52): the index, the UA and the eight ranges, every
// 16-bit value high byte first.
std::array<std::uint8_t, kSendEntryPayloadSize> PackRestrictionEntry(std::uint8_t entryIndex,
                                                                     const RestrictionEntry& entry);

// Payload of "send repeaters" (0x54): the sixteen slots, high byte first.
std::array<std::uint8_t, kSendRepeatersPayloadSize> PackRepeaterList(const RepeaterList& list);

// What a unit reported for one entry (reply 0x90).
struct ReceivedEntry {
    std::uint8_t entryIndex = 0;
    std::uint16_t ua = 0;
    std::string text;  // as EntryTextFromReceived builds it
};

// Parses the payload of a 0x90 reply (the bytes after the code): the entry index, the UA,
// then 4-byte start/end pairs ended by a vacant start or by the end of the payload. A pair
// cut short by the end of the payload is dropped, and at most eight pairs are taken (a unit
// keeps no more). nullopt when the payload is too short to hold the index and the UA.
std::optional<ReceivedEntry> ParseRestrictionEntryReply(std::span<const std::uint8_t> payload);

// Parses the payload of a 0xB8 reply: 2-byte addresses ended by 0xFFFF or by the end of the
// payload (a lone trailing byte is dropped; at most sixteen are taken). Returns the repeater
// list text; empty when the unit has no repeater registered.
std::string ParseRepeaterReply(std::span<const std::uint8_t> payload);

}  // namespace skelvane
