#pragma once

#include <string>
#include <string_view>

#include "base/prompter.h"

namespace skelvane {

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
    void Cancel();

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
