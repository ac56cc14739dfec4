// Arbitrary text into the restriction-entry validation (any entry index, any band) and the
// repeater-list validation, plus the same bytes as unit replies. Besides the sanitizers it
// checks what an accepted text must give.
//
// Input: byte 0 = entry index (as a signed byte, so out-of-table indexes are tried too),
// byte 1 = country index, byte 2 = link-rate index, the rest = the text.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "base/prompter.h"
#include "document/unit_facts.h"
#include "fuzz_support.h"
#include "restrictions/country_band_table.h"
#include "restrictions/restriction_payload.h"
#include "restrictions/restriction_text.h"

namespace {

using namespace skelvane;
using fuzz::Check;

void CheckAcceptedEntry(std::string_view text, const RestrictionEntry& entry,
                        const std::optional<CountryBand>& band) {
    if (text == "0") {
        Check(entry == RestrictionEntry{});
        return;
    }
    Check(entry.ua >= 1 && entry.ua <= 65534);
    bool vacant = false;
    for (std::size_t k = 0; k < entry.start.size(); ++k) {
        if (entry.start[k] == kVacant) {
            Check(entry.end[k] == kVacant);
            vacant = true;
            continue;
        }
        Check(!vacant && band.has_value());
        Check(entry.start[k] < entry.end[k]);
        Check(entry.start[k] + kBaseFrequencyKhz >= band->lowestKhz);
        Check(entry.end[k] + kBaseFrequencyKhz <= band->highestKhz);
    }
}

void FuzzEntry(int index, std::string_view text, const UnitFacts& facts) {
    fuzz::SilentPrompter prompter;
    RestrictionTable table;
    const bool ok = ValidateRestrictionEntry(text, index, table, facts, prompter);
    Check(ok ? prompter.messages == 0 : prompter.messages == 1);
    const auto band = CountryBandTable::Current(facts);
    if (!ok || index < 0 || index >= kRestrictionEntryCount) {
        CheckRoom(table, facts, prompter);
        return;
    }
    const RestrictionEntry entry = table.entries[static_cast<std::size_t>(index)];
    CheckAcceptedEntry(text, entry, band);
    if (band) {
        Check(FreeChannels(entry, *band) >= 0);
    }
    CheckRoom(table, facts, prompter);

    // What the unit would report for this entry validates back to the same entry.
    const auto payload = PackRestrictionEntry(static_cast<std::uint8_t>(index), entry);
    const auto received = ParseRestrictionEntryReply(payload);
    Check(received.has_value() && received->entryIndex == index);
    RestrictionTable again;
    fuzz::SilentPrompter quiet;
    Check(ValidateRestrictionEntry(received->text, index, again, facts, quiet));
    Check(again.entries[static_cast<std::size_t>(index)] == entry);
}

void FuzzRepeaters(std::string_view text) {
    fuzz::SilentPrompter prompter;
    RepeaterList list;
    if (!ValidateRepeaterList(text, list, prompter)) {
        Check(prompter.messages == 1);
        return;
    }
    for (std::size_t i = 0; i < list.slots.size(); ++i) {
        const std::uint16_t ua = list.slots[i];
        Check(ua == kVacant || (ua >= 2 && ua <= 65534));
        if (i > 0) {
            Check(list.slots[i - 1] < ua || (ua == kVacant && list.slots[i - 1] == kVacant));
        }
    }
    // The list as the unit reports it back reads as the same list.
    const std::string back = ParseRepeaterReply(PackRepeaterList(list));
    RepeaterList again;
    Check(ValidateRepeaterList(back.empty() ? "0" : back, again, prompter));
    Check(again == list);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) {
        return 0;
    }
    const int index = static_cast<std::int8_t>(data[0]);
    UnitFacts facts;
    facts.countryIndex = data[1] % 9;  // includes two indexes without a band
    facts.linkRateIndex = data[2] % 10;
    const std::string_view text(reinterpret_cast<const char*>(data + 3), size - 3);

    FuzzEntry(index, text, facts);
    FuzzRepeaters(text);

    const std::span<const std::uint8_t> bytes(data, size);
    ParseRestrictionEntryReply(bytes);
    ParseRepeaterReply(bytes);
    return 0;
}
