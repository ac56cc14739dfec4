#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/prompter.h"
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

// What the "Preset Freq. Restrictions" dialog decides, without the window: the selected zone,
// the text of the "Restricted UA" box and the result text.
class ZonePresetDialogModel {
  public:
    // As the dialog opens: UA 1, "Zone2" selected, no result yet.
    ZonePresetDialogModel() = default;

    int SelectedZone() const { return selectedZone_; }
    // Indexes outside 0 to 8 are ignored.
    void SelectZone(int zoneIndex);

    const std::string& UaText() const { return uaText_; }
    void SetUaText(std::string_view text) { uaText_ = std::string(text); }

    // "OK": true when the dialog closes with the result text set. False when it stays open:
    // a box that holds no number beeps, a number outside 1 to 65534 shows "UA should be
    // between 1 and 65534" (caption "Restricted UA"); either way the UA box gets the focus.
    bool Ok(Prompter& prompter);
    // "Cancel": the result text becomes "0".
    void Cancel() { resultText_ = "0"; }

    const std::string& ResultText() const { return resultText_; }
    // Set when OK refused the UA box, so the window moves its focus there.
    bool UaNeedsFocus() const { return uaNeedsFocus_; }

  private:
    int selectedZone_ = 1;
    std::string uaText_ = "1";
    std::string resultText_;
    bool uaNeedsFocus_ = false;
};

}  // namespace skelvane
