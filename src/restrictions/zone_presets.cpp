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
constexpr int kLowestUa = 1;
constexpr int kHighestUa = 65534;

// The box holds a number when, apart from blanks around it, it is an optional sign and
// digits only.
bool HoldsNumber(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return false;
    }
    const std::size_t last = text.find_last_not_of(' ');
    std::string_view body = text.substr(first, last - first + 1);
    if (body.front() == '-' || body.front() == '+') {
        body.remove_prefix(1);
    }
    if (body.empty()) {
        return false;
    }
    for (const char c : body) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

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

void ZonePresetDialogModel::SelectZone(int zoneIndex) {
    if (zoneIndex >= 0 && zoneIndex < kZoneCount) {
        selectedZone_ = zoneIndex;
    }
}

bool ZonePresetDialogModel::Ok(Prompter& prompter) {
    uaNeedsFocus_ = false;
    if (!HoldsNumber(uaText_)) {
        prompter.Beep();
        uaNeedsFocus_ = true;
        return false;
    }
    const std::int64_t ua = DecimalValue(uaText_);
    if (ua < kLowestUa || ua > kHighestUa) {
        prompter.Message(Format("UA should be between %d and %d", kLowestUa, kHighestUa),
                         "Restricted UA", MessageIcon::Exclamation, MessageButtons::Ok);
        uaNeedsFocus_ = true;
        return false;
    }
    resultText_ = ZoneEntryText(selectedZone_, static_cast<int>(ua));
    return true;
}

}  // namespace skelvane
