// The frame layer and the connect sequence, run through the Settings page (the one page
// that uses every part of it) against the built-in simulated network on a virtual clock.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <latch>

#include "link/device_link.h"
#include "link_fixture.h"
#include "operations/settings_page_model.h"
#include "support/wait_until.h"

namespace skelvane {
namespace {

using test::Bytes;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// Answers the n-th request with the n-th reply, and nothing once they are used up.
test::ScriptedPort::Script InTurn(std::vector<Bytes> replies) {
    auto next = std::make_shared<std::size_t>(0);
    return [replies, next](const Bytes&) -> std::optional<Bytes> {
        return *next < replies.size() ? replies[(*next)++] : Bytes{};
    };
}

class ConnectTest : public ::testing::Test {
  protected:
    ConnectTest() : block(test::TemplateBlock(BlockKind::Remote, 300)) {}

    // The page, set to the unit on the cable.
    std::unique_ptr<SettingsPageModel> Page(const std::string& port = "SIM1") {
        auto page = std::make_unique<SettingsPageModel>(*block, sim.ports, port, sim.facts,
                                                        sim.remoteUa, sim.prompter, sim.clock);
        page->ChooseLocal(true);
        return page;
    }

    test::LinkFixture sim;
    std::unique_ptr<Block> block;
};

TEST_F(ConnectTest, LocalVersionLogsEveryStepAndTakesThreeShortExchanges) {
    auto page = Page();
    // The check, then the version read twice.
    EXPECT_EQ(sim.Run(*page, &SettingsPageModel::Version), Millis{3 * 51});
    EXPECT_THAT(
        page->Log().Lines(),
        ElementsAreArray(
            {" ", "Opening serial port SIM1 ... done.", "Changing baud rate to 115,200 ... passed.",
             "Verify connection ...", "TX:>>>>>", "03 00 00 29 ", "RX:<<<<<",
             "09 00 01 8D 31 30 30 30 30 31  passed.", "TX:>>>>>", "03 00 00 28 ", "RX:<<<<<",
             "08 00 01 8C 56 34 2E 34 35 ", "TX:>>>>>", "03 00 00 28 ", "RX:<<<<<",
             "08 00 01 8C 56 34 2E 34 35 ", "Version of the unit on the cable done in 0.1 s."}));
    EXPECT_EQ(page->LastOutcome(), SettingsOutcome::Succeeded);
    EXPECT_EQ(block->FindParameter("VersionNo")->textValue, "V4.45");
    EXPECT_EQ(block->FindParameter("SerialNo")->textValue, "100001");
    EXPECT_FALSE(page->Link().Port().IsOpen());
}

TEST_F(ConnectTest, ASleepingUnitIsWokenUp) {
    sim.Local().SetAsleep(true, 3);
    auto page = Page();
    // 750 ms for the unanswered check (50 + 100 idle polls of 7 ms), two unanswered wake-ups
    // of 190 ms (50 + 20 polls), the third answered after one poll, then the version twice.
    EXPECT_EQ(sim.Run(*page, &SettingsPageModel::Version), Millis{750 + 2 * 190 + 51 + 2 * 51});
    EXPECT_EQ(sim.SentCodes(), (Bytes{0x29, 0x4A, 0x4A, 0x4A, 0x28, 0x28}));
    const auto lines = page->Log().Lines();
    ASSERT_GT(lines.size(), 17u);
    EXPECT_EQ(lines[6], "Failed.");
    EXPECT_EQ(lines[17], "03 00 01 AE  passed.");
    EXPECT_EQ(page->LastOutcome(), SettingsOutcome::Succeeded);
}

TEST_F(ConnectTest, AUnitThatNeverAnswersEndsAfterTwentyWakeUps) {
    sim.Local().SetSilentAfter(0);
    auto page = Page();
    EXPECT_EQ(sim.Run(*page, &SettingsPageModel::Version), Millis{750 + 20 * 190});
    EXPECT_EQ(page->Log().LastLine(),
              "Version of the unit on the cable failed at 'Verify connection': no answer. Check "
              "the port, the cable and that the unit is powered; a sleeping unit needs the "
              "wake-up retries.");
    Bytes codes(21, 0x4A);  // the check, then twenty wake-ups
    codes[0] = 0x29;
    EXPECT_EQ(sim.SentCodes(), codes);
    EXPECT_EQ(page->LastOutcome(), SettingsOutcome::NotConnected);
    EXPECT_FALSE(sim.hub.IsInUse("SIM1"));
}

TEST_F(ConnectTest, PortThatCannotBeOpenedOrNoPortAtAll) {
    auto missing = Page("SIM9");
    sim.Run(*missing, &SettingsPageModel::Version);
    EXPECT_THAT(missing->Log().Lines(),
                ElementsAre(" ", "Opening serial port SIM9 ... failed.",
                            "Version of the unit on the cable failed at 'Opening serial port "
                            "SIM9': the port could not be opened. Check the port name, that no "
                            "other program is using the port and that you may use it."));
    auto none = Page("");
    sim.Run(*none, &SettingsPageModel::Version);
    EXPECT_THAT(none->Log().Lines(), ElementsAre(" "));
    EXPECT_TRUE(sim.Sent().empty());
}

// Replies that break the frame rules, sent by a scripted unit in place of the connection
// check's answer, are rejected with their message before "Failed."; a wake-up acknowledgement
// follows so the run goes on.
TEST_F(ConnectTest, ABadReplyIsRejectedAndTheWakeUpFollows) {
    // A head without a code, more bytes than the length byte says, an unknown code.
    const std::tuple<Bytes, const char*, const char*> replies[] = {
        {{0x02, 0x00, 0x01}, "02 00 01 ", "Errors in the responses!"},
        {{0x03, 0x00, 0x01, 0x8D, 0x55, 0x55}, "03 00 01 8D 55 55 ", "Errors in the responses!"},
        {{0x04, 0x00, 0x01, 0x77, 0x00}, "04 00 01 77 00 ", "Unknown responses!"}};
    for (const auto& [reply, traffic, message] : replies) {
        sim.Script(InTurn(
            {reply, {0x03, 0x00, 0x01, 0xAE}, {0x03, 0x00, 0x01, 0x8C}, {0x03, 0x00, 0x01, 0x8C}}));
        auto page = Page();
        sim.Run(*page, &SettingsPageModel::Version);
        const std::vector<std::string> expected = {"RX:<<<<<", traffic,
                                                   message + std::string("Failed."), "Wake up ..."};
        const auto lines = page->Log().Lines();
        ASSERT_GT(lines.size(), 6 + expected.size());
        EXPECT_EQ(std::vector<std::string>(lines.begin() + 6, lines.begin() + 6 + expected.size()),
                  expected);
        EXPECT_EQ(page->LastOutcome(), SettingsOutcome::Succeeded);
    }
}

TEST_F(ConnectTest, BytesBeyondOneFrameAreCountedButNeverStored) {
    // A length byte of 0x10 promises 17 bytes; 600 come, more than the buffer holds.
    Bytes flood(600, 0x41);
    flood[0] = 0x10;
    sim.Script(InTurn({flood}));
    LogPane log;
    DeviceLink link(sim.clock, log, sim.ports, "SIM1");
    link.SetLocal(true);
    ASSERT_TRUE(link.OpenPort());
    const std::size_t count = link.Exchange(link.MakeFrame(0x29), 100);
    EXPECT_EQ(count, 600u);
    EXPECT_EQ(link.ReplyBytes().size(), 256u);
    EXPECT_FALSE(link.CheckReply(link.ReplyBytes().data(), count));
    EXPECT_EQ(log.LastLine(), "Errors in the responses!");
}

// The unit's serial-number answer waits until the test lets it go, so a worker is certainly
// running while the test acts.
TEST_F(ConnectTest, ASecondButtonWhileAWorkerRunsStartsNothing) {
    std::latch entered{1};
    std::latch open{1};
    sim.Local().SetFrameHandler(0x29, [&](sim::Unit& unit, const sim::Frame&) {
        entered.count_down();
        open.wait();
        return std::optional<sim::Reply>(
            sim::Reply{0x8D, test::Text(unit.SerialNumber()), Millis{0}});
    });
    auto page = Page();
    ASSERT_TRUE(page->Version());
    entered.wait();
    EXPECT_FALSE(page->ActionsEnabled());
    EXPECT_FALSE(page->ReadAll());
    EXPECT_FALSE(page->Reset());
    open.count_down();
    page->Link().Wait();
    EXPECT_EQ(sim.SentCodes(), (Bytes{0x29, 0x28, 0x28}));
    EXPECT_TRUE(page->ActionsEnabled());
}

// A reply still on its way when a worker is stopped is read and dropped before the port is
// closed, so that the next user of the port does not take it for the answer to its request.
TEST_F(ConnectTest, AStoppedWorkerLeavesNoReplyBehind) {
    LogPane log;
    DeviceLink link(sim.clock, log, sim.ports, "SIM1");
    link.SetUnitAddress(300);
    ASSERT_TRUE(link.StartWorker(1, [](DeviceLink& worker) {
        ASSERT_TRUE(worker.OpenPort());
        const Bytes frame = worker.MakeFrame(0x29);
        ASSERT_EQ(worker.Port().Write(frame.data(), frame.size()), frame.size());
        worker.FinishWorker(Millis{0});  // from the work itself: only requests the stop
    }));
    link.Wait();
    SerialPort next(sim.ports);
    ASSERT_TRUE(next.Open("SIM1"));
    ASSERT_TRUE(next.SetBaudRate(115200));
    next.SetTimeouts(kMaxDword, kMaxDword, 2000, 0, 0);
    std::uint8_t byte = 0;
    EXPECT_EQ(next.Read(&byte, 1), 0u);
}

// Real time: a unit that never answers would keep the connect sequence busy for seconds;
// finishing the worker ends every wait at once, and nothing more is logged.
TEST(StopTest, FinishingTheWorkerEndsALongWaitAndLeavesTheLogAsItWas) {
    test::BuiltInSim<SystemClock> sim;
    sim.network->Local().SetSilentAfter(0);
    auto block = test::TemplateBlock(BlockKind::Master, 1);
    UnitFacts facts;
    CurrentRemoteUa remoteUa;
    RecordingPrompter prompter;
    SettingsPageModel page(*block, sim.ports, "SIM1", facts, remoteUa, prompter, sim.clock);
    ASSERT_TRUE(page.ReadAll());
    ASSERT_TRUE(test::WaitUntil([&page] { return page.Log().LastLine() == "03 00 00 29 "; }));
    const auto before = page.Log().Lines();
    EXPECT_TRUE(page.Link().FinishWorker(Millis{1000}));
    EXPECT_EQ(page.Log().Lines(), before);
    EXPECT_TRUE(page.ActionsEnabled());
    EXPECT_FALSE(sim.hub.IsInUse("SIM1"));
}

}  // namespace
}  // namespace skelvane
