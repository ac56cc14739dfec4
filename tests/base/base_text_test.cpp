#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "base/decimal.h"
#include "base/format.h"
#include "base/latin1.h"
#include "base/strings.h"

namespace skelvane {
namespace {

struct DecimalCase {
    const char* text;
    std::int32_t asInt32;
    std::uint32_t asUint32;
    std::uint8_t asUint8;
};

class DecimalTest : public testing::TestWithParam<DecimalCase> {};

TEST_P(DecimalTest, FollowsTheCRulesAndCutsToWidth) {
    const auto& c = GetParam();
    EXPECT_EQ(ParseInt32(c.text), c.asInt32) << c.text;
    EXPECT_EQ(ParseUint32(c.text), c.asUint32) << c.text;
    EXPECT_EQ(ParseUint8(c.text), c.asUint8) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, DecimalTest,
    testing::Values(DecimalCase{"  -3abc", -3, 4294967293u, 253}, DecimalCase{"", 0, 0, 0},
                    DecimalCase{"-", 0, 0, 0}, DecimalCase{"+17x", 17, 17, 17},
                    DecimalCase{"\t\n 42", 42, 42, 42}, DecimalCase{"300", 300, 300, 44},
                    DecimalCase{"-1", -1, 4294967295u, 255},
                    DecimalCase{"4294967295", -1, 4294967295u, 255},
                    DecimalCase{"4294967296", 0, 0, 0}, DecimalCase{"12 34", 12, 12, 12},
                    // Far more digits than 64 bits hold wrap instead of misbehaving.
                    DecimalCase{"99999999999999999999999999", -469762049, 3825205247u, 255}));

TEST(DecimalTest, StartsWithNumber) {
    EXPECT_TRUE(StartsWithNumber(" -7 dwarfs"));
    EXPECT_TRUE(StartsWithNumber("25"));
    EXPECT_FALSE(StartsWithNumber("Remote"));
    EXPECT_FALSE(StartsWithNumber("- 1"));
    EXPECT_FALSE(StartsWithNumber(""));
}

TEST(FormatTest, FormatsLongTexts) {
    const std::string longText(1000, 'x');
    EXPECT_EQ(Format("<%s>", longText.c_str()), "<" + longText + ">");
}

TEST(Latin1Test, RoundTripsEveryByte) {
    std::string all;
    for (int c = 1; c < 256; ++c) {
        all.push_back(static_cast<char>(c));
    }
    EXPECT_EQ(Utf8ToLatin1(Latin1ToUtf8(all)), all);
}

// Characters outside Latin-1 and stray bytes are among the file encoding cases.
TEST(Latin1Test, ReplacesWhatLatin1CannotHold) {
    EXPECT_EQ(Utf8ToLatin1("\xC3"), "?");                // truncated sequence
    EXPECT_EQ(Utf8ToLatin1("\xC1\x81"), "?");            // overlong 'A'
    EXPECT_EQ(Utf8ToLatin1("\xF0\x9F\x98\x80x"), "?x");  // outside the BMP
}

TEST(Latin1Test, AlnumAndCaseFolding) {
    EXPECT_TRUE(IsLatin1Alnum('7'));
    EXPECT_TRUE(IsLatin1Alnum(0xE2));
    EXPECT_FALSE(IsLatin1Alnum('-'));
    EXPECT_FALSE(IsLatin1Alnum(0xD7));
    EXPECT_TRUE(EqualsNoCase("tavrin-a", "TAVRIN-A"));
    EXPECT_FALSE(EqualsNoCase("TAVRIN-A", "TAVRIN-B"));
}

TEST(StringTableTest, AnUnknownIdHasNoText) {
    EXPECT_TRUE(LoadText(12345).empty());
}

}  // namespace
}  // namespace skelvane
