#include <gtest/gtest.h>

#include <string>

#include "base/prompter.h"
#include "operations/zone_preset_dialog_model.h"
#include "restrictions/zone_presets.h"

namespace skelvane {
namespace {

struct UaBoxCase {
    const char* text;    // nullptr: as the dialog opens, with zone 2 and UA 1
    std::string result;  // empty: refused
    bool beep;           // not a number
};

class ZonePresetUaTest : public testing::TestWithParam<UaBoxCase> {};

TEST_P(ZonePresetUaTest, ChecksTheRestrictedUa) {
    const UaBoxCase& c = GetParam();
    ZonePresetDialogModel dialog;
    if (c.text != nullptr) {
        dialog.SelectZone(8);
        dialog.SetUaText(c.text);
    }
    RecordingPrompter prompter;
    EXPECT_EQ(dialog.Ok(prompter), !c.result.empty());
    EXPECT_EQ(dialog.ResultText(), c.result);
    if (!c.result.empty()) {
        EXPECT_EQ(prompter.Count(), 0u);
        EXPECT_FALSE(dialog.UaNeedsFocus());
        return;
    }
    // The dialog stays open with its choices and the focus goes to the box.
    EXPECT_EQ(dialog.SelectedZone(), 8);
    EXPECT_EQ(dialog.UaText(), c.text);
    EXPECT_TRUE(dialog.UaNeedsFocus());
    EXPECT_EQ(prompter.Beeps(), c.beep ? 1 : 0);
    EXPECT_EQ(prompter.Count(), c.beep ? 0u : 1u);
    if (!c.beep) {
        EXPECT_EQ(prompter.LastText(), "UA should be between 1 and 65534");
        EXPECT_EQ(prompter.Records().back().caption, "Restricted UA");
    }
}

INSTANTIATE_TEST_SUITE_P(Table, ZonePresetUaTest,
                         testing::Values(UaBoxCase{nullptr, "1:902400,904900,907500,927600", false},
                                         UaBoxCase{" 65534 ", ZoneEntryText(8, 65534), false},
                                         UaBoxCase{"99999999999999999999", "", false},
                                         UaBoxCase{"", "", true}, UaBoxCase{"12a", "", true}));

TEST(ZonePresetDialogTest, CancelGivesTheEmptyEntry) {
    ZonePresetDialogModel dialog;
    dialog.SelectZone(3);
    dialog.Cancel();
    EXPECT_EQ(dialog.ResultText(), "0");
}

}  // namespace
}  // namespace skelvane
