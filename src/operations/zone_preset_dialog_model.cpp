#include "operations/zone_preset_dialog_model.h"

#include <cstdint>

#include "base/format.h"
#include "restrictions/restriction_text.h"
#include "restrictions/zone_presets.h"

namespace skelvane {
namespace {

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

void ZonePresetDialogModel::Cancel() {
    // One character, not the literal: GCC 12 sees a false overlap in the inlined assignment.
    resultText_.assign(1, '0');
}

}  // namespace skelvane
