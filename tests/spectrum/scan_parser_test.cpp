#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/prompter.h"
#include "spectrum/chart_model.h"
#include "spectrum/scan_parser.h"
#include "spectrum/spectrum_chart.h"

namespace skelvane {
namespace {

using testing::ElementsAre;
using testing::IsEmpty;

// A 900 MHz radio at link rate 2: 140 channels 280 kHz apart from 902.4 MHz.
const ChannelPlan kPlan{902.4, 280, 140, 900, 932, 32};

ChannelPlan PlanOf(int channels) {
    ChannelPlan plan = kPlan;
    plan.channelCount = channels;
    return plan;
}

ChannelReading Channel(int n, int mean, int peak, bool paging = false) {
    return ChannelReading{n, kPlan.ChannelMhz(n), mean, peak, paging};
}

std::string Line(int n, const std::string& rest) {
    return "ch " + std::to_string(n) + " " + rest + "\r\n";
}

TEST(ScanParserTest, ReadsMeanAndPeakOfAChannelLine) {
    // The level text from the first '-', four characters; the bar: 8 '.' and 6 '*'.
    const std::string answer = "ATg\r\n" + Line(7, "-98dBm ........******");
    ScanPosition at{0, 7};
    EXPECT_THAT(ParseScanAnswer(answer, at, kPlan), ElementsAre(Channel(7, -98, 14 - 111)));
    EXPECT_EQ(at, (ScanPosition{answer.find("ch 7") + 2, 8}));
}

struct BarCase {
    std::string line;
    int mean;
    int peak;
};

class ScanBarTest : public testing::TestWithParam<BarCase> {};

TEST_P(ScanBarTest, GivesThePeak) {
    const BarCase& c = GetParam();
    ScanPosition at;
    EXPECT_THAT(ParseScanAnswer("ATg\r\n" + c.line + "\r\n", at, kPlan),
                ElementsAre(Channel(1, c.mean, c.peak)))
        << c.line;
}

INSTANTIATE_TEST_SUITE_P(
    Bars, ScanBarTest,
    testing::Values(BarCase{"ch 1 -105dBm *", -105, -105},          // a lone '*' gives the mean
                    BarCase{"ch 1 -109dBm ...*", -109, -108},       // a lone '*' is not counted
                    BarCase{"ch 1 -110dBm **", -110, -109},         // from two on the stars count
                    BarCase{"ch 1 -105dBm ", -105, -105},           // no bar: the mean
                    BarCase{"ch 1 -98dBm.............", -98, -98},  // "-98d" reads as -98
                    BarCase{"ch 1 -1234567dBm .", -123, -110}));    // four characters of the level

TEST(ScanParserTest, TheBarEndsAtTheLineBreak) {
    const std::string answer = "ATg\r\n" + Line(1, "-109dBm ...") + Line(2, "-108dBm .....**");
    ScanPosition at;
    EXPECT_THAT(ParseScanAnswer(answer, at, kPlan),
                ElementsAre(Channel(1, -109, -108), Channel(2, -108, -104)));
}

TEST(ScanParserTest, ChannelsAboveTheCountEndTheChannelLines) {
    // Three lines for a plan of two: the third is left, and so is the paging line, since
    // paging lines are only read below the count.
    const std::string answer = "ATg\r\n" + Line(1, "-110dBm .") + Line(2, "-111dBm .") +
                               Line(3, "-110dBm .") + "Paging -108dBm ....\r\nOK\r\n";
    ScanPosition at;
    EXPECT_THAT(ParseScanAnswer(answer, at, PlanOf(2)),
                ElementsAre(Channel(1, -110, -110), Channel(2, -111, -110)));
    EXPECT_EQ(at, ScanPosition{});
}

TEST(ScanParserTest, PagingLinesTakeTheNextChannelsBelowTheCount) {
    // Channel 3 has no line of its own: the paging lines are read as channels 3 and 4, and
    // the third stops at the count of 5. Their bars count '.' only, plus one.
    const std::string answer = "ATg\r\n" + Line(1, "-110dBm .") + Line(2, "-111dBm .") +
                               "Paging -108dBm ....**\r\nPaging -109dBm ..\r\n" +
                               "Paging -109dBm ...\r\n";
    ScanPosition at;
    EXPECT_THAT(
        ParseScanAnswer(answer, at, PlanOf(5)),
        ElementsAre(Channel(1, -110, -110), Channel(2, -111, -110),
                    Channel(3, -108, 4 + 1 - 111, true), Channel(4, -109, 2 + 1 - 111, true)));
    EXPECT_EQ(at.channel, 5);
}

// An answer without "OK" carried over to the next is read on end to end by the Spectrum page.
TEST(ScanParserTest, APositionPastTheAnswerFindsNothing) {
    // Carried over from a long answer; the short one that follows is not searched beyond its
    // end, and its "OK" starts the next scan afresh.
    ScanPosition at{5000, 60};
    EXPECT_THAT(ParseScanAnswer("ATg\r\n" + Line(60, "-100dBm .") + "OK\r\n", at, kPlan),
                IsEmpty());
    EXPECT_EQ(at, ScanPosition{});
}

struct UnreadCase {
    std::string answer;
    ScanPosition after;
    int dropped;
};

class ScanUnreadTest : public testing::TestWithParam<UnreadCase> {};

TEST_P(ScanUnreadTest, GivesNoReading) {
    ScanPosition at;
    int dropped = -1;
    EXPECT_THAT(ParseScanAnswer(GetParam().answer, at, kPlan, &dropped), IsEmpty());
    EXPECT_EQ(at, GetParam().after);
    EXPECT_EQ(dropped, GetParam().dropped);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ScanUnreadTest,
    testing::Values(
        // Only found after the first character of the answer.
        UnreadCase{"ch 1 -110dBm ...\r\n", {0, 1}, 0},
        // Spoilt lines are dropped and passed: no "dBm", no number after the '-', a mean
        // above the peak its bar gives.
        UnreadCase{"ATg\r\nch 1 -100 ...\r\n", {7, 2}, 1},
        UnreadCase{"ATg\r\nch 1 -70dBm ...\r\n", {7, 2}, 1},
        // Channels whose lines are missing are dropped with the spoilt line after them.
        UnreadCase{"ATg\r\nch 3 -100 ...\r\n", {7, 4}, 3},
        // A line not finished by the end of the answer is left for the next answer.
        UnreadCase{"ATg\r\nch 1 -110dBm ...", {5, 1}, 0},
        // "OK" at the very start does not count; a later one does.
        UnreadCase{"OK\r\n", {0, 1}, 0}, UnreadCase{"OK\r\nch 1 -\r\nOK", {0, 1}, 1}));

TEST(ApplyReadingsTest, HoldsOnlyRise) {
    ChartModel chart;
    RecordingPrompter prompter;
    ASSERT_TRUE(SetUpSpectrumChart(chart, kPlan, prompter));
    ApplyReadings(chart, {Channel(3, -100, -90)});
    ApplyReadings(chart, {Channel(3, -105, -95)});
    const double x = kPlan.ChannelMhz(3);
    EXPECT_EQ(chart.GetPoint(2, kMeanValue)->y, -105);
    EXPECT_EQ(chart.GetPoint(2, kMaxValue)->y, -95);
    EXPECT_EQ(chart.GetPoint(2, kMeanHold)->y, -100);
    EXPECT_EQ(chart.GetPoint(2, kMaxHold)->y, -90);
    EXPECT_EQ(chart.GetPoint(2, kMeanHold)->x, x);
    EXPECT_EQ(chart.LastPointIndex(), 2);
}

}  // namespace
}  // namespace skelvane
