// The rules for block names: what a rename accepts, and naming a block after its unit
// address.
#include <gtest/gtest.h>

#include <string>

#include "base/strings.h"
#include "document/block_names.h"

namespace skelvane {
namespace {

struct NameCase {
    const char* label;
    std::string name;
    int message;  // 0 = accepted
};

class BlockNameTest : public testing::TestWithParam<NameCase> {};

TEST_P(BlockNameTest, AcceptsOrShowsTheMessage) {
    RecordingPrompter prompter;
    const bool accepted = CheckBlockName(GetParam().name, prompter);
    EXPECT_EQ(accepted, GetParam().message == 0);
    if (GetParam().message == 0) {
        EXPECT_EQ(prompter.Count(), 0u);
        return;
    }
    const auto records = prompter.Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].text, LoadText(GetParam().message));
    EXPECT_EQ(records[0].caption, "Error");
    EXPECT_EQ(records[0].icon, MessageIcon::Exclamation);
}

// Latin-1 in octal escapes: a hex escape would take in the letters that follow.
INSTANTIATE_TEST_SUITE_P(
    Table, BlockNameTest,
    testing::Values(NameCase{"Empty", "", kIdsNameEmpty}, NameCase{"DigitThenLetters", "7up", 0},
                    NameCase{"BlanksAndDashesLater", "Site A-1 (north)", 0},
                    NameCase{"AccentedFirst", "\311cole", 0},
                    NameCase{"MultiplicationSignFirst", "\3272", kIdsNameInvalid},
                    NameCase{"LineBreakInside", "Site\nA", kIdsNameInvalid},
                    NameCase{"C1ControlInside", "Site\205A", kIdsNameInvalid}),
    [](const auto& info) { return std::string(info.param.label); });

struct AddressNameCase {
    const char* label;
    BlockKind kind;
    std::string name;
    std::uint32_t unitAddress;
    std::string expected;
};

class AddressNameTest : public testing::TestWithParam<AddressNameCase> {};

TEST_P(AddressNameTest, RenamesOnlyPlaceholderNames) {
    const AddressNameCase& c = GetParam();
    auto block = CreateBlock(static_cast<int>(c.kind));
    block->SetName(c.name);
    EXPECT_EQ(NameAfterUnitAddress(*block, c.unitAddress), c.expected != c.name);
    EXPECT_EQ(block->Name(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, AddressNameTest,
    testing::Values(
        AddressNameCase{"RemoteTakesTheAddress", BlockKind::Remote, "Remote", 25, "25"},
        AddressNameCase{"RepeaterTakesTheAddress", BlockKind::Repeater, "Repeater", 300, "300"},
        AddressNameCase{"AddressZeroLeavesIt", BlockKind::Remote, "Remote", 0, "Remote"},
        AddressNameCase{"SignedNumberWithBlanks", BlockKind::Remote, "  -12 east", 40, "40"},
        AddressNameCase{"ZeroNameStays", BlockKind::Remote, "0", 40, "0"},
        AddressNameCase{"LongNumberThatWrapsToZero", BlockKind::Remote, "4294967296", 41, "41"},
        AddressNameCase{"OtherNameStays", BlockKind::Remote, "Pump house", 50, "Pump house"},
        AddressNameCase{"MasterKeepsItsName", BlockKind::Master, "Master", 60, "Master"}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace skelvane
