#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "base/prompter.h"
#include "document/unit_facts.h"
#include "restrictions/country_band_table.h"
#include "restrictions/restriction_table.h"

namespace skelvane {

// The two texts the user edits and a unit's lists are shown as:
//   restriction entry  "0" (empty) or "UA:start1,end1,start2,end2,..." (kHz, up to 8 ranges)
//   repeater list      "0" (empty) or up to 16 addresses separated by commas or blanks
// Validation shows exactly one message (caption "Error", information icon) when it refuses.

// The decimal value of a text with the C library's rules (leading blanks, optional sign,
// digits up to the first non-digit, 0 when there are none), held at +/- 10^15 instead of
// wrapping, so that "4294967297" is simply too large rather than 1.
std::int64_t DecimalValue(std::string_view text);

// Validates the entry text of entry `entryIndex` (0 to 15) against the band of `facts` and
// rebuilds that entry of `table`. On false the entry may be partly written; callers send
// nothing unless every entry validated. Entries need a band only when they hold ranges; a
// country or link-rate index outside the band table is then refused with its own message.
bool ValidateRestrictionEntry(std::string_view text, int entryIndex, RestrictionTable& table,
                              const UnitFacts& facts, Prompter& prompter);

// Validates a repeater list text and rebuilds `list` (ascending, vacant slots last).
bool ValidateRepeaterList(std::string_view text, RepeaterList& list, Prompter& prompter);

// A start/end pair as a unit reports it (offsets from kBaseFrequencyKhz).
struct ReceivedRange {
    std::uint16_t start = kVacant;
    std::uint16_t end = kVacant;
};

// The entry text of a unit's entry: "0" for UA 0, otherwise "UA:" and the ranges up to the
// first one whose start is vacant, as absolute frequencies.
std::string EntryTextFromReceived(std::uint16_t ua, std::span<const ReceivedRange> ranges);

// The repeater list text of a unit's addresses up to the first vacant one, joined by ",";
// empty when there is none.
std::string RepeaterListText(std::span<const std::uint16_t> addresses);

// How many channels of `band` an entry leaves free.
int FreeChannels(const RestrictionEntry& entry, const CountryBand& band);

// Whether every entry of the table leaves more than the band's minimum of free channels.
// Shows "Wrong table entry: ..." (caption "Info") for the first entry that does not.
bool CheckRoom(const RestrictionTable& table, const UnitFacts& facts, Prompter& prompter);

}  // namespace skelvane
