#include <gtest/gtest.h>

#include <string>

#include "base/prompter.h"
#include "operations/zone_preset_dialog_model.h"
#include "restrictions/restriction_text.h"
#include "restrictions/zone_presets.h"

namespace skelvane {
namespace {

TEST(ZonePresetDialogTest, OpensWithZone2AndUa1) {
    ZonePresetDialogModel dialog;
    EXPECT_EQ(dialog.SelectedZone(), 1);
    EXPECT_EQ(dialog.UaText(), "1");
    EXPECT_EQ(dialog.ResultText(), "");
    RecordingPrompter prompter;
    EXPECT_TRUE(dialog.Ok(prompter));
    EXPECT_EQ(dialog.ResultText(), "1:902400,904900,907500,927600");
    EXPECT_EQ(prompter.Count(), 0u);
}

struct UaBoxCase {
    const char* text;
    bool accepted;
    bool beep;  // not a number
};

class ZonePresetUaTest : public testing::TestWithParam<UaBoxCase> {};

TEST_P(ZonePresetUaTest, ChecksTheRestrictedUa) {
    const UaBoxCase& c = GetParam();
    ZonePresetDialogModel dialog;
    dialog.SelectZone(8);
    dialog.SetUaText(c.text);
    RecordingPrompter prompter;
    EXPECT_EQ(dialog.Ok(prompter), c.accepted) << c.text;
    if (c.accepted) {
        EXPECT_EQ(prompter.Count(), 0u);
        EXPECT_EQ(dialog.ResultText(), ZoneEntryText(8, static_cast<int>(DecimalValue(c.text))));
        EXPECT_FALSE(dialog.UaNeedsFocus());
        return;
    }
    // The dialog stays open with its choices and the focus goes to the box.
    EXPECT_EQ(dialog.ResultText(), "");
    EXPECT_EQ(dialog.SelectedZone(), 8);
    EXPECT_EQ(dialog.UaText(), c.text);
    EXPECT_TRUE(dialog.UaNeedsFocus());
    if (c.beep) {
        EXPECT_EQ(prompter.Beeps(), 1);
        EXPECT_EQ(prompter.Count(), 0u);
    } else {
        EXPECT_EQ(prompter.Beeps(), 0);
        const auto records = prompter.Records();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].text, "UA should be between 1 and 65534");
        EXPECT_EQ(records[0].caption, "Restricted UA");
    }
}

INSTANTIATE_TEST_SUITE_P(Table, ZonePresetUaTest,
                         testing::Values(UaBoxCase{" 65534 ", true, false},
                                         UaBoxCase{"0", false, false},
                                         UaBoxCase{"99999999999999999999", false, false},
                                         UaBoxCase{"", false, true},
                                         UaBoxCase{"12a", false, true}));

TEST(ZonePresetDialogTest, CancelGivesTheEmptyEntry) {
    ZonePresetDialogModel dialog;
    dialog.SelectZone(3);
    dialog.Cancel();
    EXPECT_EQ(dialog.ResultText(), "0");
}

}  // namespace
}  // namespace skelvane
