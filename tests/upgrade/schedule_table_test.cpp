#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "upgrade/schedule_table.h"

namespace skelvane {
namespace {

std::vector<std::uint32_t> Filled(const ScheduleTable& table) {
    std::vector<std::uint32_t> units;
    for (const std::uint32_t entry : table.Entries()) {
        if (entry != ScheduleTable::kEmpty) {
            units.push_back(entry);
        }
    }
    return units;
}

struct Accepted {
    std::string list;
    std::vector<std::uint32_t> units;
};

class UaListAcceptedTest : public ::testing::TestWithParam<Accepted> {};

TEST_P(UaListAcceptedTest, FillsTheTableInListOrder) {
    ScheduleTable table;
    RecordingPrompter prompter;
    EXPECT_TRUE(CheckUaList(GetParam().list, table, prompter));
    EXPECT_EQ(Filled(table), GetParam().units);
    EXPECT_EQ(prompter.Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Lists, UaListAcceptedTest,
                         ::testing::Values(Accepted{"2, 123,,876 111", {2, 123, 876, 111}},
                                           Accepted{"65534", {65534}}, Accepted{"+7,08", {7, 8}},
                                           // atoi reads the leading digits only
                                           Accepted{"12abc", {12}}));

struct Refused {
    std::string list;
    std::string message;  // empty: refused without a message
    std::vector<std::uint32_t> left;
};

class UaListRefusedTest : public ::testing::TestWithParam<Refused> {};

TEST_P(UaListRefusedTest, ShowsItsMessageAndKeepsWhatWasFilled) {
    ScheduleTable table;
    ASSERT_TRUE(table.Append(999));  // the check starts from an empty table
    RecordingPrompter prompter;
    EXPECT_FALSE(CheckUaList(GetParam().list, table, prompter));
    EXPECT_EQ(Filled(table), GetParam().left);
    if (GetParam().message.empty()) {
        EXPECT_EQ(prompter.Count(), 0u);
        return;
    }
    ASSERT_EQ(prompter.Count(), 1u);
    const auto record = prompter.Records()[0];
    EXPECT_EQ(record.text, GetParam().message);
    EXPECT_EQ(record.caption, "Error");
    EXPECT_EQ(record.icon, MessageIcon::Information);
    EXPECT_EQ(record.buttons, MessageButtons::Ok);
}

const std::string kRange(kUaOutOfRangeText);

INSTANTIATE_TEST_SUITE_P(
    Lists, UaListRefusedTest,
    ::testing::Values(Refused{"1", kRange, {}}, Refused{"65535", kRange, {}},
                      Refused{"4,abc", kRange, {4}},
                      // A number beyond 32 bits does not wrap round into a valid address.
                      Refused{"4294967298", kRange, {}},
                      Refused{"5,7,5", "Duplicate UA detected.", {5, 7}},
                      Refused{" , ,,", "The list of UA is empty.", {}}, Refused{"0", "", {}}));

TEST(UaListTest, TwoHundredFiftySixUnitsAtMost) {
    std::string list;
    for (int ua = 2; ua < 2 + 256; ++ua) {
        list += std::to_string(ua) + ",";
    }
    ScheduleTable table;
    RecordingPrompter prompter;
    EXPECT_TRUE(CheckUaList(list, table, prompter));
    EXPECT_EQ(Filled(table).size(), 256u);

    EXPECT_FALSE(CheckUaList(list + "1000", table, prompter));
    EXPECT_EQ(prompter.LastText(), "Maximum 256 units allowed.");
    EXPECT_EQ(Filled(table).size(), 256u);
}

}  // namespace
}  // namespace skelvane
