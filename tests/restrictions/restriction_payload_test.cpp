#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "restrictions/restriction_payload.h"

namespace skelvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The entry and repeater frames as sent, and what the unit keeps of them, are checked against
// the simulated unit by the exchange tests.
TEST(RestrictionPayloadTest, AListNeverValidatedGoesOutAsSixteenZeros) {
    EXPECT_THAT(PackRepeaterList(RepeaterList{}), testing::Each(0));
}

struct EntryReplyCase {
    Bytes payload;
    bool parsed;
    int index;
    const char* text;
};

class EntryReplyTest : public testing::TestWithParam<EntryReplyCase> {};

TEST_P(EntryReplyTest, ParsesWithinTheReceivedBytes) {
    const EntryReplyCase& c = GetParam();
    const auto received = ParseRestrictionEntryReply(c.payload);
    ASSERT_EQ(received.has_value(), c.parsed);
    if (c.parsed) {
        EXPECT_EQ(received->entryIndex, c.index);
        EXPECT_EQ(received->text, c.text);
    }
}

Bytes NinePairs() {
    Bytes payload{1, 0, 9};
    for (std::uint8_t i = 0; i < 9; ++i) {
        const Bytes pair{0, i, 0, static_cast<std::uint8_t>(i + 1)};
        payload.insert(payload.end(), pair.begin(), pair.end());
    }
    return payload;
}

INSTANTIATE_TEST_SUITE_P(
    Table, EntryReplyTest,
    testing::Values(
        EntryReplyCase{{3, 0}, false, 0, ""}, EntryReplyCase{{3, 0, 0}, true, 3, "0"},
        // UA 0 is the empty entry whatever ranges come with it: "0,..." would be refused.
        EntryReplyCase{{3, 0, 0, 0, 0, 0x09, 0xC4}, true, 3, "0"},
        EntryReplyCase{{0, 0, 5, 0, 0, 0x09, 0xC4, 0x13, 0xEC, 0x62, 0x70, 0xFF, 0xFF, 0, 0},
                       true,
                       0,
                       "5:902400,904900,907500,927600"},
        // Ended by the end of the frame; a pair cut short is dropped.
        EntryReplyCase{
            {7, 0x12, 0x34, 0, 0, 0x09, 0xC4, 0x13, 0xEC, 0x62}, true, 7, "4660:902400,904900"},
        // No more than the eight ranges a unit keeps.
        EntryReplyCase{NinePairs(), true, 1,
                       "9:902400,902401,902401,902402,902402,902403,902403,902404,902404,"
                       "902405,902405,902406,902406,902407,902407,902408"}));

TEST(RestrictionPayloadTest, RepeaterReply) {
    EXPECT_EQ(ParseRepeaterReply(Bytes{0x01, 0x2C, 0x00, 0x02, 0xFF, 0xFF, 0x00, 0x07}), "300,2");
    EXPECT_EQ(ParseRepeaterReply(Bytes{}), "");
    EXPECT_EQ(ParseRepeaterReply(Bytes{0x00, 0x05, 0x00}), "5");
    Bytes seventeen;
    for (std::uint8_t i = 2; i < 19; ++i) {
        seventeen.push_back(0);
        seventeen.push_back(i);
    }
    EXPECT_EQ(ParseRepeaterReply(seventeen), "2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17");
}

}  // namespace
}  // namespace skelvane
