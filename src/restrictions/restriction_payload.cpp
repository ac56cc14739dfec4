#include "restrictions/restriction_payload.h"

#include <vector>

#include "restrictions/restriction_text.h"

namespace skelvane {
namespace {

template <std::size_t N>
void PutWord(std::array<std::uint8_t, N>& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value >> 8);
    bytes[at + 1] = static_cast<std::uint8_t>(value & 0xFF);
}

std::uint16_t GetWord(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>((bytes[at] << 8) | bytes[at + 1]);
}

}  // namespace

std::array<std::uint8_t, kSendEntryPayloadSize> PackRestrictionEntry(
    std::uint8_t entryIndex, const RestrictionEntry& entry) {
    std::array<std::uint8_t, kSendEntryPayloadSize> bytes{};
    bytes[0] = entryIndex;
    PutWord(bytes, 1, entry.ua);
    for (std::size_t k = 0; k < static_cast<std::size_t>(kRangesPerEntry); ++k) {
        PutWord(bytes, 3 + 4 * k, entry.start[k]);
        PutWord(bytes, 5 + 4 * k, entry.end[k]);
    }
    return bytes;
}

std::array<std::uint8_t, kSendRepeatersPayloadSize> PackRepeaterList(const RepeaterList& list) {
    std::array<std::uint8_t, kSendRepeatersPayloadSize> bytes{};
    for (std::size_t i = 0; i < list.slots.size(); ++i) {
        PutWord(bytes, 2 * i, list.slots[i]);
    }
    return bytes;
}

std::optional<ReceivedEntry> ParseRestrictionEntryReply(std::span<const std::uint8_t> payload) {
    if (payload.size() < 3) {
        return std::nullopt;
    }
    ReceivedEntry received;
    received.entryIndex = payload[0];
    received.ua = GetWord(payload, 1);
    std::vector<ReceivedRange> ranges;
    for (std::size_t at = 3; at + 4 <= payload.size() && ranges.size() < kRangesPerEntry; at += 4) {
        const ReceivedRange range{GetWord(payload, at), GetWord(payload, at + 2)};
        if (range.start == kVacant) {
            break;
        }
        ranges.push_back(range);
    }
    received.text = EntryTextFromReceived(received.ua, ranges);
    return received;
}

std::string ParseRepeaterReply(std::span<const std::uint8_t> payload) {
    std::vector<std::uint16_t> addresses;
    for (std::size_t at = 0; at + 2 <= payload.size() && addresses.size() < kRepeaterSlotCount;
         at += 2) {
        addresses.push_back(GetWord(payload, at));
    }
    return RepeaterListText(addresses);
}

}  // namespace skelvane
