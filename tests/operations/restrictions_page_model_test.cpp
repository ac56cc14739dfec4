#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/format.h"
#include "base/prompter.h"
#include "document/block.h"
#include "link_fixture.h"
#include "operations/restrictions_page_model.h"
#include "restrictions/restriction_parameters.h"
#include "restrictions/restriction_text.h"

namespace skelvane {
namespace {

Parameter NumberParameter(const char* name, std::uint32_t value) {
    return test::NumberParameter(name, 1, {}, value, {});
}

std::unique_ptr<Block> RemoteWith(std::vector<Parameter> parameters) {
    auto block = CreateBlock(static_cast<int>(BlockKind::Remote));
    for (Parameter& parameter : parameters) {
        block->AddParameter(std::move(parameter));
    }
    return block;
}

std::string TextOf(const Block& block, const char* name) {
    const Parameter* parameter = block.FindParameter(name);
    return parameter ? parameter->textValue : "<missing>";
}

class RestrictionsPageTest : public testing::Test {
  protected:
    void SetUp() override {
        facts.countryIndex = 3;  // North America2, link rate 0
        block = RemoteWith({
            NumberParameter("UnitAddress", 12),
            test::TextParameter("FrequencyRestriction1", "0"),
            test::TextParameter("frequencyRestriction3", "0"),  // the prefix is case-sensitive
            test::TextParameter("FrequencyRestriction2", "7:905000,927600"),
            test::TextParameter("FrequencyRestriction17", "0"),  // no place in the table
            test::TextParameter("FrequencyRestriction", "0"),
            test::TextParameter("FrequencyRestriction4294967297", "0"),
            test::TextParameter("RepeaterRegistration", "2,9"),
        });
    }

    UnitFacts facts;
    RestrictionState state;
    RecordingPrompter prompter;
    std::unique_ptr<Block> block;
};

TEST_F(RestrictionsPageTest, ListsEntriesOneToSixteenAndTheRepeaterList) {
    const RestrictionsPageModel page(*block, state, facts);
    std::vector<std::string> listed;
    for (const auto& row : page.Rows()) {
        listed.push_back(row.name + " " + row.value + " " +
                         (row.entryIndex ? std::to_string(*row.entryIndex) : "-"));
    }
    EXPECT_THAT(listed, testing::ElementsAre("FrequencyRestriction1 0 0",
                                             "FrequencyRestriction2 7:905000,927600 1",
                                             "RepeaterRegistration 2,9 -"));
}

struct CommitCase {
    std::size_t row;
    const char* typed;
    bool ok;
    const char* stored;   // the parameter's text afterwards
    const char* message;  // nullptr: none
};

class RestrictionsCommitTest : public RestrictionsPageTest,
                               public testing::WithParamInterface<CommitCase> {};

TEST_P(RestrictionsCommitTest, StoresOnlyValidTexts) {
    const CommitCase& c = GetParam();
    RestrictionsPageModel page(*block, state, facts);
    const std::string name = page.Rows()[c.row].name;
    EXPECT_EQ(page.CommitEdit(c.row, c.typed, prompter), c.ok) << c.typed;
    EXPECT_EQ(TextOf(*block, name.c_str()), c.stored);
    // A refused text is not left on screen as if Write would send it.
    EXPECT_EQ(page.Rows()[c.row].value, c.stored);
    EXPECT_EQ(prompter.LastText(), c.message ? c.message : "");
    EXPECT_EQ(prompter.Count(), c.message ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RestrictionsCommitTest,
    testing::Values(CommitCase{0, "", true, "0", nullptr},
                    CommitCase{1, "5:902400,927600,", false, "7:905000,927600",
                               "Wrong format on entry: 2\nUA:start1,end1,start2,end2,..."},
                    // Stored as typed, not as the sorted list.
                    CommitCase{2, "9 2,,300", true, "9 2,,300", nullptr},
                    CommitCase{2, "5,5", false, "2,9", "Duplicate UA detected."}));

TEST_F(RestrictionsPageTest, SelectionFollowsTheLastRestrictionRowAndOpensTheZones) {
    RestrictionsPageModel page(*block, state, facts);
    EXPECT_TRUE(page.ZonesEnabled());
    EXPECT_FALSE(page.SelectedEntry().has_value());
    page.SelectRow(1);
    EXPECT_EQ(page.SelectedEntry(), 1);
    EXPECT_TRUE(page.ZonesOpensDialog());
    page.SelectRow(99);  // beside the rows
    EXPECT_EQ(page.SelectedEntry(), 1);
    page.SelectRow(2);  // the repeater row
    EXPECT_FALSE(page.SelectedEntry().has_value());
    EXPECT_FALSE(page.ZonesOpensDialog());
    page.SelectRow(0);
    EXPECT_EQ(page.SelectedEntry(), 0);
    page.Deactivate();
    EXPECT_FALSE(page.ZonesEnabled());
    page.Activate();
    EXPECT_TRUE(page.ZonesOpensDialog());

    // A Read that learns another band disables it.
    facts.linkRateIndex = 1;
    page.UpdateZonesButton();
    EXPECT_FALSE(page.ZonesEnabled());
    EXPECT_FALSE(page.ZonesOpensDialog());
}

TEST_F(RestrictionsPageTest, ZoneResultGoesToTheSelectedRow) {
    RestrictionsPageModel page(*block, state, facts);
    EXPECT_FALSE(page.ApplyZoneResult("12:902400,922750", prompter));  // no row selected
    page.SelectRow(1);
    ASSERT_TRUE(page.ApplyZoneResult("12:902400,922750", prompter));
    EXPECT_EQ(TextOf(*block, "FrequencyRestriction2"), "12:902400,922750");
    EXPECT_EQ(page.Rows()[1].value, "12:902400,922750");

    // Refused by the validation: message, the parameter keeps its text.
    facts.countryIndex = 1;  // Australia starts at 915250
    EXPECT_FALSE(page.ApplyZoneResult("12:902400,922750", prompter));
    EXPECT_EQ(prompter.LastText(), "StartFreq Out of boundary on entry: 2\nFreq = 915250~927600");
    EXPECT_EQ(TextOf(*block, "FrequencyRestriction2"), "12:902400,922750");
}

// A Master's page starts local and a Remote's remote (the exchange tests); a block without an
// operating mode starts local.
TEST_F(RestrictionsPageTest, ABlockWithoutAnOperatingModeStartsLocal) {
    EXPECT_TRUE(RestrictionsPageModel(*block, state, facts).InitiallyLocal());
}

TEST(RestrictionParametersTest, TableToSendIsBuiltFromTheBlockAlone) {
    UnitFacts facts;
    facts.countryIndex = 3;
    RestrictionState state;
    RecordingPrompter prompter;
    // Another block's entry 16 is still in the program's table.
    RestrictionTable stale;
    ASSERT_TRUE(ValidateRestrictionEntry("99:905000,927600", 15, stale, facts, prompter));
    state.SetTable(stale);

    // Entries 1 to 4 only.
    std::vector<Parameter> parameters;
    for (const char* text : {"0", "0", "7:905000,927600", "0"}) {
        parameters.push_back(
            test::TextParameter(Format("FrequencyRestriction%zu", parameters.size() + 1), text));
    }
    const auto table = BuildRestrictionTable(parameters, state, facts, prompter);
    ASSERT_TRUE(table.has_value()) << prompter.LastText();
    EXPECT_EQ(table->entries[2].ua, 7);
    EXPECT_EQ(table->entries[15], RestrictionEntry{});
    EXPECT_EQ(state.Table(), *table);
}

}  // namespace
}  // namespace skelvane
