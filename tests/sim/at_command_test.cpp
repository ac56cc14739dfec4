#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "sim/at_command_port.h"
#include "sim_fixture.h"

namespace skelvane {
namespace {

using test::Bytes;
using test::TextBytes;

std::string Text(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// The built-in network with the data port on its unit on the cable, answers never cut.
class AtCommandTest : public testing::Test {
  protected:
    void SetUp() override {
        options.cutAnswerChance = 0;
        ASSERT_TRUE(sim::InstallAtCommandSide(*sim.network, options));
        ASSERT_TRUE(sim.Connect());
    }

    sim::UnitMode Mode() {
        return sim.network->Locked([](sim::Network& net) { return net.Local().Mode(); });
    }

    // Sends bytes after a pause, as separate writes.
    void Send(const std::string& text, Millis pauseBefore = Millis{0}) {
        sim.clock.Advance(pauseBefore);
        sim.port.Write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    }

    void EnterCommandMode() {
        Send("+++");
        EXPECT_TRUE(sim.Collect(Millis{1200}).empty());  // the escape itself is not answered
        ASSERT_EQ(Mode(), sim::UnitMode::Data);
    }

    std::string Ask(const std::string& line, Millis window = Millis{300}) {
        return Text(sim.Exchange(TextBytes(line), window));
    }

    sim::AtCommandOptions options;
    test::SimFixture sim;
};

TEST_F(AtCommandTest, AnswersItsCommandsWithEchoAndOk) {
    EnterCommandMode();
    const std::vector<std::pair<std::string, std::string>> exchanges = {
        {"AT\r\n", "AT\r\nOK\r\n"},
        {"ATI1\r\n", "ATI1\r\nTAVRIN-A\r\nOK\r\n"},
        {"ati1\r", "ati1\rTAVRIN-A\r\nOK\r\n"},
        {"+++AT\r\n", "AT\r\nOK\r\n"},  // a repeated escape means nothing here
        {"ATX\r\n", "ATX\r\nERROR\r\n"},
        {"AT" + std::string(70, 'Z') + "\r\n", "AT" + std::string(70, 'Z') + "\r\nERROR\r\n"},
    };
    for (const auto& [sent, answer] : exchanges) {
        EXPECT_EQ(Ask(sent), answer) << sent;
    }
    EXPECT_EQ(Mode(), sim::UnitMode::Data);
}

struct EscapeCase {
    const char* name;
    std::vector<std::pair<std::string, int>> writes;  // text, pause before it in ms
    bool entersCommandMode;
};

class EscapeTest : public AtCommandTest, public testing::WithParamInterface<EscapeCase> {};

TEST_P(EscapeTest, NeedsThreeEscapesBetweenPauses) {
    for (const auto& [text, pause] : GetParam().writes) {
        Send(text, Millis{pause});
    }
    sim.Collect(Millis{1100});
    EXPECT_EQ(Mode() == sim::UnitMode::Data, GetParam().entersCommandMode);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, EscapeTest,
    testing::Values(EscapeCase{"Alone", {{"+++", 0}}, true},
                    EscapeCase{"Split", {{"+", 0}, {"++", 40}}, true},
                    EscapeCase{"AfterAFrame", {{"\x03", 0}, {"+++", 150}}, true},
                    EscapeCase{"TooSoonAfterABbyte", {{"x", 0}, {"+++", 50}}, false},
                    EscapeCase{"FourOfThem", {{"++++", 0}}, false},
                    EscapeCase{"CommandTooSoon", {{"+++", 0}, {"AT\r\n", 500}}, false}),
    [](const testing::TestParamInfo<EscapeCase>& info) { return std::string(info.param.name); });

// The TAVRIN-A on the cable at link rate 2: 140 channels. Other models and link rates are
// scanned end to end through the Spectrum page and the command line.
TEST_F(AtCommandTest, ASweepReportsEveryChannelThenPagingAndOk) {
    EnterCommandMode();
    sim.port.Write(TextBytes("ATg\r\n").data(), 5);
    std::string answer;
    int pieces = 0;
    std::uint8_t buffer[256];
    for (int idle = 0; idle < 100;) {
        const std::size_t n = sim.port.Read(buffer, sizeof buffer);
        answer.append(reinterpret_cast<const char*>(buffer), n);
        pieces += n > 0 ? 1 : 0;
        idle = n == 0 ? idle + 1 : 0;
    }
    EXPECT_GT(pieces, 10);  // the lines come a few at a time

    const std::regex channelLine(R"(ch (\d+) (-\d{2,3})dBm (\.*)(\**)\r\n)");
    ASSERT_EQ(answer.rfind("ATg\r\n", 0), 0u);
    std::size_t at = 5;
    std::smatch m;
    for (int channel = 1; channel <= 140; ++channel) {
        const std::string rest = answer.substr(at);
        ASSERT_TRUE(std::regex_search(rest, m, channelLine, std::regex_constants::match_continuous))
            << "channel " << channel << ": " << rest.substr(0, 40);
        EXPECT_EQ(std::stoi(m[1]), channel);
        const int mean = std::stoi(m[2]);
        const int bar = static_cast<int>(m[3].length() + m[4].length());
        EXPECT_GE(mean, -115);
        EXPECT_LE(mean, -32);
        EXPECT_NE(m[4].length(), 1u);  // a single '*' would hide one dB
        EXPECT_GE(bar - 111, mean);    // the peak is at least the mean
        EXPECT_LE(bar - 111, -32);
        at += static_cast<std::size_t>(m.length(0));
    }
    EXPECT_TRUE(
        std::regex_match(answer.substr(at), std::regex(R"(Paging -\d{2,3}dBm \.*\r\nOK\r\n)")))
        << answer.substr(at);
}

TEST_F(AtCommandTest, ADiagnosticFrameEndsCommandModeAndIsAnswered) {
    // As through a pseudo-terminal: the same open port, no modem lines.
    EnterCommandMode();
    Ask("ATg\r\n", Millis{2000});
    const Bytes reply = sim.Exchange({0x03, 0x00, 0x00, 0x29});
    ASSERT_GE(reply.size(), 4u);
    EXPECT_EQ(reply[0], reply.size() - 1);
    EXPECT_EQ(reply[3], 0x8D);
    EXPECT_EQ(Mode(), sim::UnitMode::Diagnostic);
    // And the escape works again straight away.
    EnterCommandMode();
}

TEST_F(AtCommandTest, OpeningThePortAgainOrAtoEndsCommandMode) {
    EnterCommandMode();
    sim.port.Close();
    ASSERT_TRUE(sim.Connect());  // DTR dropped and raised again, new speed
    EXPECT_EQ(Mode(), sim::UnitMode::Diagnostic);
    EXPECT_EQ(sim.Exchange({0x03, 0x00, 0x00, 0x29}).size(), 10u);

    EnterCommandMode();
    EXPECT_EQ(Ask("ATO\r\n"), "ATO\r\nOK\r\n");
    EXPECT_EQ(Mode(), sim::UnitMode::Diagnostic);
    EXPECT_TRUE(Ask("AT\r\n").empty());
}

TEST_F(AtCommandTest, AnAnswerOnItsWayIsDroppedWhenCommandModeEnds) {
    EnterCommandMode();
    Send("ATg\r\n");
    sim.Collect(Millis{20});  // the sweep has begun
    sim.port.Close();
    ASSERT_TRUE(sim.Connect());
    // What was on the wire still arrives; the lines still to be measured never do.
    const std::string late = Text(sim.Collect(Millis{2000}));
    EXPECT_EQ(late.find("Paging"), std::string::npos);
    EXPECT_EQ(late.find("OK"), std::string::npos);
}

}  // namespace
}  // namespace skelvane
