#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "base/prompter.h"
#include "link/port_settings.h"
#include "operations/spectrum_page.h"
#include "sim/faults.h"
#include "sim/network.h"
#include "spectrum/radio_fixture.h"
#include "spectrum/spectrum_chart.h"

namespace skelvane {
namespace {

using testing::ElementsAre;
using testing::ElementsAreArray;

class SpectrumPageTest : public testing::Test {
  protected:
    // The log without the summary line that ends a run.
    std::vector<std::string> StepLines() {
        std::vector<std::string> lines = page.Log().Lines();
        if (!lines.empty() && lines.back().starts_with("Spectrum scan ")) {
            lines.pop_back();
        }
        return lines;
    }
    void RunScans(int scans) {
        page.SetScanLimit(scans);
        page.PressScan();
        page.WaitForWorker();
    }

    double Level(int channel, int series) {
        return page.Chart().GetPoint(channel - 1, series).value_or(ChartPoint{0, 0}).y;
    }

    // What a run logs up to the scanning.
    static std::vector<std::string> ConnectLines(const std::string& model) {
        return {" ",
                "Opening serial port SIM1 ... done.",
                "Changing baud rate to 115200 passed.",
                "Test command mode ... done.",
                "Read link rate ... done.",
                "Retrieve model ... done.",
                "Setup screen ...",
                "Model: " + model,
                "Scanning ..."};
    }

    test::RadioFixture rig;
    ScanParserState parser;
    RecordingPrompter prompter;
    SpectrumPage page{rig.ports, PortSettings{.portName = "SIM1"}, parser, rig.clock, prompter};
};

TEST_F(SpectrumPageTest, ScansTheRadioOnTheDataPort) {
    rig.InstallDataPort(test::NeverCut());
    std::vector<std::string> buttons;
    page.SetScanButtonListener([&buttons](const std::string& text) { buttons.push_back(text); });
    EXPECT_EQ(page.ScanButtonText(), "&Scan");
    const Millis start = rig.clock.Now();
    RunScans(3);

    EXPECT_THAT(StepLines(), ElementsAreArray(ConnectLines("TAVRIN-A")));
    const SpectrumPage::RunSummary run = page.LastRun();
    EXPECT_TRUE(run.setUp);
    EXPECT_EQ(run.scans, 3);
    EXPECT_EQ(rig.DataPort().Sweeps(), 3);
    // The guard and two pauses between the scans.
    EXPECT_GE(rig.clock.Now() - start, Millis{1200 + 2 * 1000});
    EXPECT_THAT(buttons, ElementsAre("Stop", "Scan"));
    EXPECT_FALSE(rig.network->HostAttached());  // the port is closed

    const SpectrumPage::State state = page.CurrentState();
    EXPECT_EQ(state.linkRateIndex, 2);
    EXPECT_EQ(state.plan, (ChannelPlan{902.4, 280, 140, 900, 932, 32}));
    EXPECT_EQ(page.Chart().PointCount(), 140);

    // Every channel was measured, every hold is at least its last value, and the band has
    // a few busy channels standing well above the floor.
    double loudest = -120;
    for (int channel = 1; channel <= 140; ++channel) {
        const double mean = Level(channel, kMeanValue);
        const double peak = Level(channel, kMaxValue);
        EXPECT_GT(mean, -120) << channel;
        EXPECT_LE(peak, -30) << channel;
        EXPECT_GE(peak, mean) << channel;
        EXPECT_GE(Level(channel, kMeanHold), mean) << channel;
        EXPECT_GE(Level(channel, kMaxHold), peak) << channel;
        loudest = std::max(loudest, Level(channel, kMaxHold));
    }
    EXPECT_GT(loudest, -85);
    EXPECT_EQ(parser.Get(), ScanPosition{});

    // Clear drops the curves (nothing is drawn up to point 0) and restarts the holds.
    page.PressClear();
    EXPECT_EQ(page.Chart().LastPointIndex(), 0);
    EXPECT_EQ(Level(70, kMaxHold), -120);

    page.PressClearLog();
    EXPECT_THAT(StepLines(), ElementsAre(" "));
}

TEST_F(SpectrumPageTest, TheRadioNamesItsModelAndLinkRate) {
    rig.InstallDataPort(test::NeverCut("MORVEX-B"));
    rig.network->Locked([](sim::Network& net) { net.Local().SetRegister(0x0E, 8); });
    RunScans(1);
    EXPECT_THAT(StepLines(), ElementsAreArray(ConnectLines("MORVEX-B")));
    EXPECT_EQ(page.CurrentState().plan, (ChannelPlan{2402.5, 1500, 56, 2400, 2482, 42}));
    EXPECT_EQ(page.Chart().PointCount(), 56);
    EXPECT_GT(Level(56, kMeanValue), -120);
}

TEST_F(SpectrumPageTest, AnUnknownModelStopsAtTheSetup) {
    rig.InstallDataPort(test::NeverCut("ZEPHYR-9"));
    RunScans(1);
    std::vector<std::string> expected = ConnectLines("");
    expected.resize(7);
    expected.back() += "Failed.";
    EXPECT_THAT(StepLines(), ElementsAreArray(expected));
    EXPECT_EQ(page.CurrentState().modelName, "ZEPHYR-9");
    EXPECT_FALSE(page.LastRun().setUp);
    EXPECT_EQ(rig.DataPort().Sweeps(), 0);
    EXPECT_EQ(page.ScanButtonText(), "Scan");
    EXPECT_FALSE(rig.network->HostAttached());
}

TEST_F(SpectrumPageTest, AnAnswerCutShortIsContinuedByTheNextOne) {
    sim::AtCommandOptions options = test::NeverCut();
    options.cutAnswerChance = 1;
    rig.InstallDataPort(options);
    RunScans(1);
    const ScanPosition carried = parser.Get();
    ASSERT_GT(carried.channel, 1);
    const int read = carried.channel - 1;
    EXPECT_EQ(page.Chart().LastPointIndex(), read - 1);
    EXPECT_GT(Level(read, kMeanValue), -120);
    EXPECT_EQ(Level(read + 1, kMeanValue), -120);

    // The next run (the chart set up afresh) reads on from the next channel to the end.
    rig.network->Locked([this](sim::Network&) { rig.DataPort().SetCutAnswerChance(0); });
    RunScans(1);
    EXPECT_EQ(parser.Get(), ScanPosition{});
    EXPECT_EQ(page.Chart().LastPointIndex(), 139);
    EXPECT_EQ(Level(read, kMeanValue), -120);
    EXPECT_GT(Level(read + 1, kMeanValue), -120);
    EXPECT_GT(Level(140, kMeanValue), -120);
}

// Answers that arrive in pieces are assembled; spoilt lines are dropped and said so, never
// stored as a level.
struct LinkFaultCase {
    const char* faults;
    bool everyChannel;  // a clean sweep reads all 140
};

class SpectrumLinkFaultTest : public SpectrumPageTest,
                              public testing::WithParamInterface<LinkFaultCase> {};

TEST_P(SpectrumLinkFaultTest, ReadsOnlyWhatArrivedWhole) {
    rig.InstallDataPort(test::NeverCut());
    sim::FaultPlan plan;
    std::string error;
    ASSERT_TRUE(sim::ParseFaultPlan(GetParam().faults, plan, error)) << error;
    sim::ApplyFaultPlan(*rig.network, plan);
    RunScans(2);
    const SpectrumPage::RunSummary run = page.LastRun();
    ASSERT_TRUE(run.setUp);
    if (GetParam().everyChannel) {
        EXPECT_EQ(run.channelsRead, 140);
        EXPECT_EQ(run.linesDropped, 0);
    } else {
        EXPECT_GT(run.linesDropped, 0);
        const std::vector<std::string> lines = page.Log().Lines();
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
            return line.ends_with(" could not be read and were left out.");
        }));
    }
    int read = 0;
    for (int channel = 1; channel <= 140; ++channel) {
        const double mean = Level(channel, kMeanValue);
        if (mean > -120) {
            ++read;
            EXPECT_LE(mean, Level(channel, kMaxValue)) << channel;
        }
    }
    EXPECT_EQ(read, run.channelsRead);
}

INSTANTIATE_TEST_SUITE_P(Faults, SpectrumLinkFaultTest,
                         testing::Values(LinkFaultCase{"out.split=1,out.gap=1", true},
                                         LinkFaultCase{"out.corrupt=0.002,seed=3", false}));

// A scripted radio's answers after "AT": the link rate is taken only when two readings
// agree, and neither it nor the model is ever made up.
struct ScriptCase {
    std::vector<std::string> answers;
    int linkRate;   // the page's afterwards
    int rateAsked;  // "ATS103?" heard
    int scanAsked;  // "ATg" heard
    int sweeps;     // scans that brought one
    std::vector<std::string> lastLines;
};

class SpectrumScriptTest : public SpectrumPageTest,
                           public testing::WithParamInterface<ScriptCase> {};

TEST_P(SpectrumScriptTest, TakesOnlyWhatTheRadioReported) {
    auto radio = std::make_shared<test::ScriptedRadio>();
    radio->answers = {{"", Millis{0}}, {"AT\r\nOK\r\n"}};
    for (const std::string& answer : GetParam().answers) {
        radio->answers.push_back({answer});
    }
    rig.network->Local().SetPortHandler(sim::UnitMode::Diagnostic, radio);
    RunScans(1);
    const std::vector<std::string> lines = StepLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_THAT(std::vector(lines.end() - 2, lines.end()), ElementsAreArray(GetParam().lastLines));
    EXPECT_EQ(page.CurrentState().linkRateIndex, GetParam().linkRate);
    const auto heard = [&radio](std::string_view command) {
        int count = 0;
        for (std::size_t at = 0; (at = radio->heard.find(command, at)) != std::string::npos; ++at) {
            ++count;
        }
        return count;
    };
    EXPECT_EQ(heard("ATS103?"), GetParam().rateAsked) << radio->heard;
    EXPECT_EQ(heard("ATg"), GetParam().scanAsked) << radio->heard;
    EXPECT_EQ(page.LastRun().answers, GetParam().sweeps);
}

const std::string kRate8 = "ATS103?\r\n8\r\nOK\r\n";
const std::string kModel = "ATI1\r\nMORVEX-A\r\nOK\r\n";
const std::string kModelCut = "ATI1\r\nMORVEX-A\r\n";
const std::string kSweep = "ATg\r\nch 1 -107dBm .....\r\nOK\r\n";

INSTANTIATE_TEST_SUITE_P(
    Answers, SpectrumScriptTest,
    // A model answer cut before its "OK" is asked for again, and never replaced by the
    // model the page had.
    testing::Values(ScriptCase{{kRate8, kRate8, kModelCut, kModelCut, kModelCut},
                               8,
                               2,
                               0,
                               0,
                               {"Model: the answer holds no OK!", "Retrieve model failed."}},
                    // A digit garbled on its way: the readings differ and are asked for again.
                    ScriptCase{{"ATS103?\r\n5\r\nOK\r\n", kRate8, kRate8, kRate8, kModel, kSweep},
                               8,
                               4,
                               1,
                               1,
                               {"Model: MORVEX-A", "Scanning ..."}},
                    // No "OK": no rate, and no scanning with a rate the radio never gave.
                    ScriptCase{{"ATS103?\r\n8\r\n", "ATS103?\r\n8\r\n", "ATS103?\r\n8\r\n"},
                               2,
                               3,
                               0,
                               0,
                               {"Link rate: the answer holds no OK!", "Read link rate failed."}},
                    // Silence fails the step it falls in.
                    ScriptCase{{kRate8, kRate8},
                               8,
                               2,
                               0,
                               0,
                               {"Read link rate ... done.", "Retrieve model ...Failed."}},
                    // A garbled "ATg" is answered with no sweep: it is asked for again.
                    ScriptCase{
                        {kRate8, kRate8, kModel, "Tg\r\nERROR\r\n", "AT\r\nOK\r\n", kSweep},
                        8,
                        2,
                        3,
                        1,
                        {"The answer to ATg holds no channel line!", "Asking again (2 of 2) ..."}},
                    ScriptCase{{kRate8, kRate8, kModel},
                               8,
                               2,
                               3,
                               0,
                               {"No answer to ATg!", "Asking again (2 of 2) ..."}}));

}  // namespace
}  // namespace skelvane
