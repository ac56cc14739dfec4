#include "restrictions/restriction_text.h"

#include <algorithm>
#include <vector>

#include "base/format.h"
#include "base/strings.h"

namespace skelvane {
namespace {

constexpr const char* kWrongFormat = "Wrong format on entry: %d\nUA:start1,end1,start2,end2,...";
constexpr const char* kMismatched = "Mismatched on entry: %d\nUA:start1,end1,start2,end2,...";
constexpr const char* kUaOutOfRange = "UA out of range on entry: %d\nUA = 1~65534.";
constexpr const char* kStartAboveEnd =
    "StartFreq is greater than EndFreq on entry: %d\nstart < end.";
constexpr const char* kStartOutside = "StartFreq Out of boundary on entry: %d\nFreq = %d~%d";
constexpr const char* kEndOutside = "EndFreq Out of boundary on entry: %d\nFreq = %d~%d";
constexpr const char* kNoBand =
    "No frequency band for country index %u and link rate index %u on entry: %d\n"
    "Country index = 0~6, link rate index = 0~7.";
constexpr const char* kNoSuchEntry = "No restriction entry: %d\nEntry = 1~16.";
constexpr const char* kRepeaterFormat =
    "UA out of range or wrong format on repeater list.\n\nUA1,UA2...,UA16, and\nUA? = 2~65534.";
constexpr const char* kRepeaterDuplicate = "Duplicate UA detected.";
constexpr const char* kRepeaterTooMany = "Maximum 16 repeaters allowed.";
constexpr const char* kNoRoom = "Wrong table entry: %d\nNot enough room to create pattern!!";

constexpr std::int64_t kDecimalLimit = 1'000'000'000'000'000;
constexpr std::size_t kLastEndLength = 6;

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool Refuse(Prompter& prompter, const std::string& text,
            std::string_view caption = LoadText(kIdsError)) {
    prompter.Message(text, caption, MessageIcon::Information, MessageButtons::Ok);
    return false;
}

// A band read once per validation, so that a worker updating the unit facts meanwhile
// cannot mix the bounds of two bands in one decision.
struct BandSnapshot {
    std::uint32_t countryIndex;
    std::uint32_t linkRateIndex;
    std::optional<CountryBand> band;

    explicit BandSnapshot(const UnitFacts& facts)
        : countryIndex(facts.countryIndex.load()),
          linkRateIndex(facts.linkRateIndex.load()),
          band(CountryBandTable::Find(countryIndex, linkRateIndex)) {}

    bool RefuseNoBand(Prompter& prompter, int entryNumber) const {
        return Refuse(prompter, Format(kNoBand, countryIndex, linkRateIndex, entryNumber));
    }
};

bool HasAnyRange(const RestrictionEntry& entry) {
    for (int k = 0; k < kRangesPerEntry; ++k) {
        if (entry.start[static_cast<std::size_t>(k)] != kVacant ||
            entry.end[static_cast<std::size_t>(k)] != kVacant) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::int64_t DecimalValue(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = std::min(value * 10 + (text[i] - '0'), kDecimalLimit);
    }
    return negative ? -value : value;
}

bool ValidateRestrictionEntry(std::string_view text, int entryIndex, RestrictionTable& table,
                              const UnitFacts& facts, Prompter& prompter) {
    const int number = entryIndex + 1;
    if (entryIndex < 0 || entryIndex >= kRestrictionEntryCount) {
        return Refuse(prompter, Format(kNoSuchEntry, number));
    }
    RestrictionEntry& entry = table.entries[static_cast<std::size_t>(entryIndex)];
    entry.Clear();
    if (text == "0") {
        return true;
    }
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) {
        return Refuse(prompter, Format(kWrongFormat, number));
    }
    const std::int64_t ua = DecimalValue(text.substr(0, colon));
    if (ua < 1 || ua > 65534) {
        return Refuse(prompter, Format(kUaOutOfRange, number));
    }
    entry.ua = static_cast<std::uint16_t>(ua);

    const BandSnapshot snapshot(facts);
    std::size_t p = colon;
    for (std::size_t k = 0; k < static_cast<std::size_t>(kRangesPerEntry); ++k) {
        if (text.find(',', p) == std::string_view::npos) {
            return true;
        }
        const std::size_t c1 = text.find(',', p + 1);
        if (c1 == std::string_view::npos) {
            return Refuse(prompter, Format(kWrongFormat, number));
        }
        const std::string_view startText = text.substr(p + 1, c1 - p - 1);
        const std::size_t c2 = text.find(',', c1 + 1);
        std::string_view endText;
        if (c2 != std::string_view::npos) {
            endText = text.substr(c1 + 1, c2 - c1 - 1);
        } else {
            // Only the last end value is held to six digits: it is what tells a complete
            // entry from one cut short while typing.
            endText = text.substr(c1 + 1);
            if (endText.size() != kLastEndLength) {
                return Refuse(prompter, Format(kMismatched, number));
            }
        }
        const std::int64_t start = DecimalValue(startText);
        const std::int64_t end = DecimalValue(endText);
        if (start >= end) {
            return Refuse(prompter, Format(kStartAboveEnd, number));
        }
        if (!snapshot.band) {
            return snapshot.RefuseNoBand(prompter, number);
        }
        const std::int64_t lowest = snapshot.band->lowestKhz;
        const std::int64_t highest = snapshot.band->highestKhz;
        if (start > highest || start < lowest) {
            return Refuse(prompter, Format(kStartOutside, number, static_cast<int>(lowest),
                                           static_cast<int>(highest)));
        }
        if (end > highest || end < lowest) {
            return Refuse(prompter, Format(kEndOutside, number, static_cast<int>(lowest),
                                           static_cast<int>(highest)));
        }
        // Every band lies between 902400 and 928750 kHz, so the offsets fit 16 bits.
        entry.start[k] = static_cast<std::uint16_t>(start - kBaseFrequencyKhz);
        entry.end[k] = static_cast<std::uint16_t>(end - kBaseFrequencyKhz);
        p = (c2 == std::string_view::npos) ? text.size() : c2;
    }
    // Eight ranges fill the entry; anything after them stays in the text only.
    return true;
}

bool ValidateRepeaterList(std::string_view text, RepeaterList& list, Prompter& prompter) {
    list.slots.fill(kVacant);
    if (text == "0") {
        return true;
    }
    std::size_t stored = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ',' || text[i] == ' ') {
            ++i;
            continue;
        }
        const std::size_t tokenEnd = std::min(text.find_first_of(", ", i), text.size());
        const std::int64_t ua = DecimalValue(text.substr(i, tokenEnd - i));
        i = tokenEnd;
        if (ua < 2 || ua > 65534) {
            return Refuse(prompter, kRepeaterFormat);
        }
        const auto used = list.slots.begin() + static_cast<std::ptrdiff_t>(stored);
        if (std::find(list.slots.begin(), used, static_cast<std::uint16_t>(ua)) != used) {
            return Refuse(prompter, kRepeaterDuplicate);
        }
        if (stored == list.slots.size()) {
            return Refuse(prompter, kRepeaterTooMany);
        }
        list.slots[stored++] = static_cast<std::uint16_t>(ua);
    }
    std::sort(list.slots.begin(), list.slots.end());
    return true;
}

std::string EntryTextFromReceived(std::uint16_t ua, std::span<const ReceivedRange> ranges) {
    // UA 0 is the empty entry whatever ranges come with it; "0,902400,..." would be a text
    // the validation itself refuses, so the entry could never be written back.
    if (ua == 0) {
        return "0";
    }
    std::string text = Format("%u:", static_cast<unsigned>(ua));
    for (const ReceivedRange& range : ranges) {
        if (range.start == kVacant) {
            break;
        }
        if (text.back() != ':') {
            text += ',';
        }
        text += Format("%u,%u", static_cast<unsigned>(range.start + kBaseFrequencyKhz),
                       static_cast<unsigned>(range.end + kBaseFrequencyKhz));
    }
    return text;
}

std::string RepeaterListText(std::span<const std::uint16_t> addresses) {
    std::string text;
    for (const std::uint16_t ua : addresses) {
        if (ua == kVacant) {
            break;
        }
        if (!text.empty()) {
            text += ',';
        }
        text += Format("%u", static_cast<unsigned>(ua));
    }
    return text;
}

int FreeChannels(const RestrictionEntry& entry, const CountryBand& band) {
    if (band.spacingKhz == 0 || band.lowestKhz > band.highestKhz) {
        return 0;
    }
    // Channel 1 starts at the bottom of the 900 MHz band; a vacant offset is channel 0,
    // which no band uses.
    const auto channel = [&band](std::uint32_t offset) -> std::uint32_t {
        return offset > 65534 ? 0 : offset / band.spacingKhz + 1;
    };
    const auto offsetOf = [](std::uint32_t khz) {
        return khz > kBaseFrequencyKhz ? khz - kBaseFrequencyKhz : 0;
    };
    const std::uint32_t lo = channel(offsetOf(band.lowestKhz));
    const std::uint32_t hi = channel(offsetOf(band.highestKhz));
    if (hi < lo) {
        return 0;
    }
    // Only the band's own channels count, so the ranges are cut to them: a range taken from
    // a wider band can never mark beyond the map.
    std::vector<char> restricted(hi - lo + 1, 0);
    for (std::size_t k = 0; k < static_cast<std::size_t>(kRangesPerEntry); ++k) {
        const std::uint32_t cs = std::max(channel(entry.start[k]), lo);
        const std::uint32_t ce = std::min(channel(entry.end[k]), hi);
        for (std::uint32_t c = cs; c <= ce; ++c) {
            restricted[c - lo] = 1;
        }
    }
    return static_cast<int>(std::count(restricted.begin(), restricted.end(), 0));
}

bool CheckRoom(const RestrictionTable& table, const UnitFacts& facts, Prompter& prompter) {
    const BandSnapshot snapshot(facts);
    for (int i = 0; i < kRestrictionEntryCount; ++i) {
        const RestrictionEntry& entry = table.entries[static_cast<std::size_t>(i)];
        // An entry without ranges restricts nothing, so it cannot take away room, even in
        // bands whose whole width is barely above the minimum.
        if (!HasAnyRange(entry)) {
            continue;
        }
        if (!snapshot.band) {
            return snapshot.RefuseNoBand(prompter, i + 1);
        }
        if (FreeChannels(entry, *snapshot.band) <= snapshot.band->minFreeChannels) {
            return Refuse(prompter, Format(kNoRoom, i + 1), "Info");
        }
    }
    return true;
}

}  // namespace skelvane
