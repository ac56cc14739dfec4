#include <gtest/gtest.h>

#include <memory>
#include <stop_token>
#include <string>

#include "link/serial_port.h"
#include "radio_fixture.h"
#include "spectrum/at_exchange.h"

namespace skelvane {
namespace {

struct LineCase {
    std::string answer;
    std::string command;
    std::size_t maxLength;
    std::string line;
};

class AnswerLineTest : public testing::TestWithParam<LineCase> {};

TEST_P(AnswerLineTest, TakesTheLineAfterTheEcho) {
    const LineCase& c = GetParam();
    EXPECT_EQ(AnswerLine(c.answer, c.command, c.maxLength), c.line);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, AnswerLineTest,
    testing::Values(LineCase{"ATI1\r\nTAVRIN-A\r\nOK\r\n", "ATI1", std::string::npos, "TAVRIN-A"},
                    // Whatever came before the echo is passed over.
                    LineCase{"\r\nOK\r\nATI1\r\nMORVEX-B\r\nOK\r\n", "ATI1", 64, "MORVEX-B"},
                    // A radio that does not echo: its first line.
                    LineCase{"\r\n7\r\nOK\r\n", "ATS103?", 19, "7"},
                    // Lone line feeds and carriage returns break lines as well.
                    LineCase{"ATI1\nTAVRIN-B\rOK", "ATI1", 64, "TAVRIN-B"},
                    LineCase{"ATS103?\r\n12345678901234567890123\r\nOK", "ATS103?", 19,
                             "1234567890123456789"},
                    LineCase{"ATI1", "ATI1", 64, ""}));

class CollectAnswerTest : public testing::Test {
  protected:
    void SetUp() override {
        radio = std::make_shared<test::ScriptedRadio>();
        rig.network->Local().SetPortHandler(sim::UnitMode::Diagnostic, radio);
        ASSERT_TRUE(port.Open("SIM1"));
        ASSERT_TRUE(port.SetBaudRate(230400));
    }

    // Sends a command and collects its answer; `elapsed` is the virtual time it took.
    std::string Ask(std::string_view command, const AnswerLimits& limits) {
        SendAtCommand(port, command);
        const Millis start = rig.clock.Now();
        std::string answer = CollectAnswer(port, limits);
        elapsed = rig.clock.Now() - start;
        return answer;
    }

    // Everything still on its way, until the line has been idle for a while.
    std::string ReadRest() {
        std::string rest;
        std::uint8_t buffer[512];
        for (int idle = 0; idle < 20;) {
            const std::size_t n = port.Read(buffer, sizeof buffer);
            rest.append(reinterpret_cast<const char*>(buffer), n);
            idle = n == 0 ? idle + 1 : 0;
        }
        return rest;
    }

    test::RadioFixture rig;
    std::shared_ptr<test::ScriptedRadio> radio;
    SerialPort port{rig.ports};
    Millis elapsed{0};
};

TEST_F(CollectAnswerTest, NeverTakesMoreThanItsBufferHolds) {
    std::string scan = "ATg\r\n";
    for (int n = 1; scan.size() < 50000; ++n) {
        scan += "ch " + std::to_string(n) + " -100dBm ......\r\n";
    }
    const std::pair<std::string, AnswerLimits> floods[] = {
        {"ATI1\r\n" + std::string(94, 'x') + "\r\nOK\r\n", kCommandAnswer},
        {scan + "OK\r\n", kScanAnswer}};
    for (const auto& [flood, limits] : floods) {
        radio->answers = {{flood, Millis{5}}};
        const std::string command = flood.substr(0, flood.find('\r'));
        EXPECT_EQ(Ask(command, limits), flood.substr(0, limits.capacity)) << command;
        EXPECT_EQ(ReadRest(), flood.substr(limits.capacity)) << command;
    }
}

TEST_F(CollectAnswerTest, OkAtTheVeryStartDoesNotEndTheAnswer) {
    radio->answers = {{"OK", Millis{5}}};
    EXPECT_EQ(Ask("AT", kCommandAnswer), "OK");
    // All 20 reads were made, each waiting out the 6 ms read timeout but the one that got
    // the bytes.
    EXPECT_GE(elapsed, Millis{19 * 6});
    EXPECT_LE(elapsed, Millis{20 * 6});
}

TEST_F(CollectAnswerTest, ASilentRadioCostsTheReadsAndNoMore) {
    EXPECT_EQ(Ask("ATg", kScanAnswer), "");
    EXPECT_EQ(elapsed, Millis{5000 * 6});
    EXPECT_EQ(Ask("AT", kCommandAnswer), "");
    EXPECT_EQ(elapsed, Millis{20 * 6});
}

TEST_F(CollectAnswerTest, AStopRequestEndsTheCollectionAtOnce) {
    std::stop_source stop;
    port.SetStopToken(stop.get_token());
    stop.request_stop();
    EXPECT_EQ(Ask("ATg", kScanAnswer), "");
    EXPECT_EQ(elapsed, Millis{0});
    // Entering command mode gives up during the guard time.
    EXPECT_FALSE(EnterCommandMode(port, rig.clock, stop.get_token()));
    rig.clock.Advance(Millis{10});
    rig.network->RunDue();
    EXPECT_EQ(radio->heard, "ATg\r\n+++");
}

}  // namespace
}  // namespace skelvane
