// The programs end to end: skelvane-cli scanning skelvane-sim through a pseudo-terminal.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/format.h"
#include "support/programs.h"

namespace skelvane {
namespace {

TEST(SpectrumCliTest, ScansSkelvaneSimThroughAPseudoTerminal) {
    test::TempDir dir;
    test::ChildProcess sim(test::RuntimeDir() / "skelvane-sim", {"--model", "MORVEX-B"});
    const std::string terminal = sim.NextLine();
    ASSERT_EQ(terminal.rfind("/dev/", 0), 0u) << terminal;

    const std::filesystem::path csv = dir / "out.csv";
    const test::CliRun run = test::RunCli("spectrum --port " + terminal +
                                          " --baud 115200 --scans 2 --csv " + test::Quoted(csv));
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const std::vector<std::string> log = test::Split(run.output);
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[log.size() - 3], "Model: MORVEX-B");
    EXPECT_EQ(log[log.size() - 2], "Scanning ...");
    EXPECT_THAT(log.back(), ::testing::MatchesRegex(
                                "Spectrum scan done in [0-9.]+ s: 290 channels read in 2 scans."));

    // MORVEX-B at the simulated link rate (1 to 3): 290 channels 280 kHz apart from 2401.6 MHz.
    const std::vector<std::string> rows = test::Split(test::ReadFileBytes(csv));
    ASSERT_EQ(rows.size(), 291u);
    EXPECT_EQ(rows[0], "frequency_mhz,mean_dbm,max_dbm,mean_hold_dbm,max_hold_dbm");
    for (int channel = 1; channel <= 290; ++channel) {
        const std::string& row = rows[static_cast<std::size_t>(channel)];
        double mhz = 0;
        int mean = 0, peak = 0, meanHold = 0, peakHold = 0;
        ASSERT_EQ(
            std::sscanf(row.c_str(), "%lf,%d,%d,%d,%d", &mhz, &mean, &peak, &meanHold, &peakHold),
            5)
            << row;
        EXPECT_EQ(Format("%.3f", mhz), Format("%.3f", 2401.6 + (channel - 1) * 0.28)) << row;
        EXPECT_GT(mean, -120) << row;
        EXPECT_LE(peakHold, -30) << row;
        EXPECT_GE(peak, mean) << row;
        EXPECT_GE(meanHold, mean) << row;
        EXPECT_GE(peakHold, peak) << row;
    }
}

TEST(SpectrumCliRefusalTest, APortThatCannotBeOpenedFailsTheCommand) {
    const test::CliRun run = test::RunCli("spectrum --port SIM9 --baud 9600");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("Opening serial port SIM9 ... failed."), std::string::npos)
        << run.output;
}

}  // namespace
}  // namespace skelvane
