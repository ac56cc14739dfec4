#include "restrictions/zone_presets.h"

#include "base/format.h"
#include "restrictions/restriction_text.h"

namespace skelvane {
namespace {

constexpr std::array<ZonePattern, kZoneCount> kZones{{
    {"Zone1", "%d:905000,927600", 902400, 904900},
    {"Zone2", "%d:902400,904900,907500,927600", 904950, 907450},
    {"Zone3", "%d:902400,907450,910050,927600", 907500, 910000},
    {"Zone4", "%d:902400,910000,912600,927600", 910050, 912550},
    {"Zone5", "%d:902400,912550,915150,927600", 912600, 915100},
    {"Zone6", "%d:902400,915100,917700,927600", 915150, 917650},
    {"Zone7", "%d:902400,917650,920250,927600", 917700, 920200},
    {"Zone8", "%d:902400,920200,922800,927600", 920250, 922750},
    {"Zone9", "%d:902400,922750", 922800, 927600},
}};

constexpr std::uint32_t kNorthAmerica2 = 3;

}  // namespace

const std::array<ZonePattern, kZoneCount>& ZonePatterns() {
    return kZones;
}

std::string ZoneEntryText(int zoneIndex, int ua) {
    if (zoneIndex < 0 || zoneIndex >= kZoneCount) {
        return {};
    }
    // The patterns hold one "%d" and a fixed tail, so the split keeps Format's checking.
    const std::string_view pattern = kZones[static_cast<std::size_t>(zoneIndex)].pattern;
    return Format("%d", ua) + std::string(pattern.substr(2));
}

bool ZonesButtonEnabled(const UnitFacts& facts) {
    return facts.countryIndex.load() == kNorthAmerica2 && facts.linkRateIndex.load() == 0;
}

}  // namespace skelvane
