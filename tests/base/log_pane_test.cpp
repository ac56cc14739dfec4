#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/format.h"
#include "base/log_pane.h"

namespace skelvane {
namespace {

using Lines = std::vector<std::string>;

TEST(LogPaneTest, NewLineAppendAndReplace) {
    LogPane pane;
    pane.Line("ignored", false, true);  // nothing to append to yet
    EXPECT_EQ(pane.Size(), 0u);
    pane.Line(" ", true);
    pane.Line("Opening serial port ", true);
    pane.Line("/dev/ttyUSB0", false, true);
    pane.Line(" ... done.", false, true);
    pane.Line("Changing baud rate to 115,200 ...", true);
    pane.Line("replaced", false, false);
    EXPECT_EQ(pane.Lines(), (Lines{" ", "Opening serial port /dev/ttyUSB0 ... done.", "replaced"}));
    EXPECT_EQ(pane.Selected(), 2);
}

TEST(LogPaneTest, TrafficLinesSixteenBytesToALine) {
    LogPane pane;
    pane.Clear();
    std::uint8_t reply[17];
    for (int i = 0; i < 17; ++i) {
        reply[i] = static_cast<std::uint8_t>(0xF0 + i);
    }
    pane.Traffic(reply, sizeof reply, 0);
    pane.Line(" passed.", false, true);
    EXPECT_EQ(pane.Lines(),
              (Lines{" ", "RX:<<<<<", "F0 F1 F2 F3 F4 F5 F6 F7 F8 F9 FA FB FC FD FE FF ",
                     "00  passed."}));

    pane.Clear();
    pane.Traffic(reply, 0, 0);
    pane.Traffic(reply, 3, 0xFF);
    EXPECT_EQ(pane.Lines(), (Lines{" ", ""}));
}

TEST(LogPaneTest, KeepsAtMostTheCapAfterEachProgressLine) {
    LogPane pane;
    for (int i = 0; i < 1005; ++i) {
        pane.Line(Format("line %d", i), true);
    }
    // The cap is enforced before each write, so the pane holds cap + 1 lines at most.
    EXPECT_EQ(pane.Size(), 1001u);
    EXPECT_EQ(pane.Lines().front(), "line 4");
    EXPECT_EQ(pane.LastLine(), "line 1004");
    // A pane without a cap is the upgrade log's, tested there.
}

TEST(LogPaneTest, ClearLeavesOneBlankLineAndListenerSeesChanges) {
    LogPane pane;
    std::vector<std::pair<LogPane::Event, std::string>> events;
    pane.SetListener(
        [&](LogPane::Event e, const std::string& text) { events.emplace_back(e, text); });
    pane.Line("a", true);
    pane.Line("b", false, true);
    pane.Clear();
    EXPECT_EQ(pane.Lines(), (Lines{" "}));
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[1], std::make_pair(LogPane::Event::Replaced, std::string("ab")));
    EXPECT_EQ(events[2].first, LogPane::Event::Cleared);
}

// Without traffic a step reads as one line with its result; lines that merely look like
// bytes but follow no frame stay.
TEST(LogPaneTest, WithoutTrafficKeepsStepsAndTheirResults) {
    LogPane pane;
    pane.Line("Verify connection ...", true);
    std::vector<std::uint8_t> frame(18, 0xAB);
    pane.Traffic(frame.data(), frame.size(), 1);  // two lines of bytes
    pane.Traffic(frame.data(), 3, 0);
    pane.Line(" passed.", false, true);
    pane.Line("Wake up ...", true);
    pane.Traffic(frame.data(), 4, 1);
    pane.Line("Failed.", false, true);
    pane.Traffic(nullptr, 0, 0);  // nothing came: an empty line
    pane.Line("12 AB units", true);
    EXPECT_EQ(WithoutTraffic(pane.Lines()),
              (Lines{"Verify connection ... passed.", "Wake up ...Failed.", "12 AB units"}));
}

}  // namespace
}  // namespace skelvane
