// The editing rules of a block's parameter list.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "document/network_file.h"
#include "document/property_list_model.h"
#include "document/register_help.h"

namespace skelvane {
namespace {

using ::testing::ElementsAre;

Parameter Make(std::string name, std::uint8_t readwrite, std::uint8_t visible,
               std::vector<Choice> choices, std::uint32_t value = 0, std::string text = "") {
    Parameter p;
    p.type = choices.empty() ? 4 : 2;
    p.name = std::move(name);
    p.desc = p.name + " desc";
    p.reg = "0x" + p.name.substr(0, 2);
    p.readwrite = readwrite;
    p.visible = visible;
    p.choices = std::move(choices);
    p.value = value;
    p.textValue = std::move(text);
    return p;
}

std::vector<Choice> Range(std::uint32_t min, std::uint32_t max) {
    return {{"Min", "", min}, {"Max", "", max}};
}

const std::vector<Choice> kRates = {{"115.2", "", 0}, {"153.6", "", 1}, {"76.8", "", 2}};

class PropertyListTest : public ::testing::Test {
  protected:
    PropertyListTest() : block(CreateBlock(static_cast<int>(BlockKind::Remote))) {
        block->AddParameter(Make("UnitAddress", 2, 1, Range(1, 65535), 300));
        block->AddParameter(Make("LinkRate", 2, 1, kRates, 0));
        block->AddParameter(Make("CountryCode", 2, 1, {{"A", "", 0}, {"B", "", 5}}, 0));
        block->AddParameter(Make("VersionNo", 1, 1, {}, 0, "V4.45"));
        block->AddParameter(Make("Hidden", 2, 0, {}));
        block->AddParameter(Make("DiagRSSI", 0, 1, {}));
        block->AddParameter(Make("DataMask", 2, 1, {}, 0, "FFFF"));
        block->AddParameter(Make("FrequencyRestriction1", 2, 0, {}, 0, "0"));
        list.Fill();
    }
    // The list over these parameters instead.
    void Use(std::vector<Parameter> parameters) {
        block->Parameters() = std::move(parameters);
        list.Fill();
    }
    std::size_t Row(const char* name) const { return *list.FindRow(name); }
    Parameter& P(const char* name) { return *block->FindParameter(name); }

    std::unique_ptr<Block> block;
    UnitFacts facts;
    RecordingPrompter prompter;
    PropertyListModel list{*block, facts, prompter};
};

TEST_F(PropertyListTest, ListsVisibleParametersThatAreNotDiagnosticWithTheirCells) {
    std::vector<std::string> names;
    for (const PropertyRow& row : list.Rows()) {
        names.push_back(row.name);
    }
    EXPECT_THAT(names,
                ElementsAre("UnitAddress", "LinkRate", "CountryCode", "VersionNo", "DataMask"));
    EXPECT_THAT(list.Rows()[Row("LinkRate")].choices, ElementsAre("115.2", "153.6", "76.8"));
    const PropertyRow& version = list.Rows()[Row("VersionNo")];
    EXPECT_EQ(version.kind, CellKind::Text);
    EXPECT_EQ(version.value, "V4.45");
    EXPECT_FALSE(version.enabled);
    EXPECT_FALSE(version.checked);
    EXPECT_TRUE(list.Rows()[Row("DataMask")].checked);
}

TEST_F(PropertyListTest, AListCellShowsTheLastMatchingChoiceOrElseTheFirst) {
    Parameter p = Make("X", 2, 1, {{"a", "", 1}, {"b", "", 2}, {"c", "", 2}}, 2);
    EXPECT_EQ(ShownChoice(p), 2);
    p.value = 9;
    EXPECT_EQ(ShownChoice(p), 0);
}

struct RangeCase {
    const char* typed;
    bool accepted;
    std::string message;
};

class RangeTest : public PropertyListTest, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(RangeTest, OnlyValuesInsideTheRangeAreTaken) {
    EXPECT_EQ(list.AcceptNumber(Row("UnitAddress"), GetParam().typed), GetParam().accepted);
    EXPECT_EQ(prompter.LastText(), GetParam().message);
    const std::uint32_t stored = P("UnitAddress").value;
    EXPECT_EQ(list.Rows()[Row("UnitAddress")].value, std::to_string(stored));
    EXPECT_EQ(stored == 300u, !GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(Values, RangeTest,
                         ::testing::Values(

                             RangeCase{"65536", false, "Value '65536' out of range <1, 65535>"},
                             RangeCase{"-1", false, "Value '4294967295' out of range <1, 65535>"},
                             RangeCase{" 42abc", true, ""}));

TEST_F(PropertyListTest, AnAcceptedUnitAddressRenamesTheBlockAndTellsThePage) {
    std::uint32_t told = 0;
    int renamed = 0;
    list.SetUnitAddressListener([&told](std::uint32_t ua) { told = ua; });
    list.SetRenamedListener([&renamed](Block&) { ++renamed; });
    EXPECT_TRUE(list.AcceptNumber(Row("UnitAddress"), std::uint32_t{25}));
    EXPECT_EQ(block->Name(), "25");
    EXPECT_EQ(list.UnitAddress(), 25u);
    EXPECT_EQ(told, 25u);
    EXPECT_EQ(renamed, 1);
    EXPECT_FALSE(list.AcceptNumber(Row("UnitAddress"), std::uint32_t{0}));
    EXPECT_EQ(told, 25u);
    // Address 1 is taken but names nothing.
    EXPECT_TRUE(list.AcceptNumber(Row("UnitAddress"), std::uint32_t{1}));
    EXPECT_EQ(block->Name(), "25");
    EXPECT_EQ(renamed, 1);
}

struct InterlockCase {
    const char* name;
    std::uint32_t storedRate;
    const char* restriction;  // nullptr: no restriction parameter at all
    bool accepted;
};

class InterlockTest : public PropertyListTest,
                      public ::testing::WithParamInterface<InterlockCase> {};

TEST_P(InterlockTest, ARateOfZeroIsKeptWhileARestrictionIsSet) {
    std::vector<Parameter> parameters = {Make("LinkRate", 2, 1, kRates, GetParam().storedRate)};
    if (GetParam().restriction != nullptr) {
        parameters.push_back(Make("FrequencyRestriction9", 2, 0, {}, 0, GetParam().restriction));
    }
    Use(parameters);
    facts.linkRateIndex = 7;
    EXPECT_EQ(list.AcceptChoice(0, 1), GetParam().accepted);
    if (GetParam().accepted) {
        EXPECT_EQ(block->Parameters()[0].value, 1u);
        EXPECT_EQ(facts.linkRateIndex.load(), 1u);
        EXPECT_EQ(prompter.Count(), 0u);
    } else {
        EXPECT_EQ(block->Parameters()[0].value, GetParam().storedRate);
        EXPECT_EQ(facts.linkRateIndex.load(), 7u);
        EXPECT_EQ(prompter.LastText(), "Remove frequency restriction before changing rate!!");
        EXPECT_EQ(list.Rows()[0].selected, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, InterlockTest,
                         ::testing::Values(InterlockCase{"AnEntry", 0, "25:902400,903000", false},
                                           InterlockCase{"ZeroWithBlank", 0, "0 ", false},
                                           InterlockCase{"Cleared", 0, "0", true},
                                           InterlockCase{"NoRestrictions", 0, nullptr, true},
                                           InterlockCase{"OtherRate", 2, "25:902400,903000", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PropertyListTest, ChoosingTheCountryUpdatesTheUnitFacts) {
    EXPECT_TRUE(list.AcceptChoice(Row("CountryCode"), 1));
    EXPECT_EQ(P("CountryCode").value, 5u);
    EXPECT_EQ(facts.countryIndex.load(), 5u);
    EXPECT_EQ(list.Rows()[Row("CountryCode")].value, "B");
    EXPECT_FALSE(list.AcceptChoice(Row("CountryCode"), 2));  // no such entry
    EXPECT_EQ(P("CountryCode").value, 5u);
}

TEST_F(PropertyListTest, TextIsCutTo511CharactersAndDisabledRowsRefuseEdits) {
    EXPECT_TRUE(list.AcceptText(Row("DataMask"), std::string(600, 'F')));
    EXPECT_EQ(P("DataMask").textValue.size(), 511u);
    EXPECT_FALSE(list.AcceptText(Row("VersionNo"), "V9"));
    EXPECT_EQ(P("VersionNo").textValue, "V4.45");
    EXPECT_FALSE(list.AcceptNumber(Row("DataMask"), "5"));  // not a number cell
}

TEST_F(PropertyListTest, ARangeWithoutItsSecondEntryHasNoUpperEnd) {
    Use({Make("Odd", 2, 2, {{"Min", "", 5}})});
    EXPECT_TRUE(list.AcceptNumber(0, "4000000000"));
    EXPECT_FALSE(list.AcceptNumber(0, "4"));
    EXPECT_EQ(prompter.LastText(), "Value '4' out of range <5, 4294967295>");
}

// The tooltip of a row says what the register is, which values it takes, where it lives and
// whether it can be written.
TEST_F(PropertyListTest, RowTipsGiveRangeOrChoicesRegisterIdsAndReadOnly) {
    P("UnitAddress").vectors = {0x02, 0x03};
    list.Fill();
    const std::string& address = list.Rows()[Row("UnitAddress")].tip;
    EXPECT_EQ(address, "UnitAddress desc: " + std::string(RegisterPurpose("UnitAddress")) +
                           "\nRange: 1 to 65535\nRegister: 0xUn (ids 0x02, 0x03)");
    EXPECT_THAT(list.Rows()[Row("LinkRate")].tip,
                ::testing::HasSubstr("\nChoices: 115.2, 153.6, 76.8\n"));
    EXPECT_THAT(list.Rows()[Row("VersionNo")].tip,
                ::testing::EndsWith("\nText\nRegister: 0xVe\nRead-only"));
}

}  // namespace
}  // namespace skelvane
