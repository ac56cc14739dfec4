#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "document/unit_facts.h"

namespace skelvane {

// For a unit in "North America2" at link rate 0 the band is cut into nine zones; a zone
// preset is the restriction entry that leaves the unit only its zone.
struct ZonePattern {
    std::string_view button;   // the radio button's caption
    std::string_view pattern;  // entry text, "%d" is the restricted UA
    std::uint32_t keepLowKhz;  // the zone the unit keeps, for the dialog's picture
    std::uint32_t keepHighKhz;
};

inline constexpr int kZoneCount = 9;

const std::array<ZonePattern, kZoneCount>& ZonePatterns();

// The entry text of zone `zoneIndex` (0 to 8) for the restricted UA; empty for an index
// outside the table.
std::string ZoneEntryText(int zoneIndex, int ua);

// The "Zones" button may be used only while the unit is known to be in "North America2" at
// link rate 0, the only band the patterns are made for.
bool ZonesButtonEnabled(const UnitFacts& facts);

}  // namespace skelvane
