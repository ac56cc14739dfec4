// skelvane-cli soft-upgrade and hard-upgrade run as the program, and one hard upgrade through
// skelvane-sim on a pseudo-terminal.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/clock.h"
#include "sim/builtin_network.h"
#include "sim/unit_flash.h"
#include "support/child_process.h"
#include "support/programs.h"

namespace skelvane {
namespace {

using test::CliRun;
using test::RunCli;

class CliUpgradeTest : public ::testing::Test {
  protected:
    CliUpgradeTest() {
        test::WriteFileBytes(dir / "fw.bin", std::string(300, 'f'));
        test::WriteFileBytes(dir / "big.bin", std::string(262145, 'b'));
    }
    std::string Path(const std::string& name) const { return test::Quoted(dir / name); }

    test::TempDir dir;
};

TEST_F(CliUpgradeTest, UsageErrorsExitWithTwo) {
    const std::string fw = " --port SIM1 --file " + Path("fw.bin");
    for (const std::string& arguments :
         {"soft-upgrade" + fw, "soft-upgrade --local --ua 5" + fw,
          "soft-upgrade --ua 5 --start '2030-01-01 10:00'" + fw,
          "soft-upgrade --ua 5 --start 'tomorrow' --end '2030-01-01 10:00'" + fw,
          "soft-upgrade --ua 5 --start '2030-02-30 10:00' --end '2030-03-01 10:00'" + fw,
          "soft-upgrade --local --start '2030-01-01 10:00' --end '2030-01-01 11:00'" + fw,
          "soft-upgrade --local --retries abc" + fw, "soft-upgrade --local --retries 0" + fw,
          "soft-upgrade --local --retries -3" + fw, std::string("hard-upgrade --port SIM1")}) {
        EXPECT_EQ(RunCli(arguments).exitCode, 2) << arguments;
    }
}

// Which files and ports are refused is checked in process; here only that the program says
// why and exits with 1 before it opens a port.
TEST_F(CliUpgradeTest, RefusalsExitWithOneAndSayWhy) {
    const std::pair<std::string, std::string> cases[] = {
        {"hard-upgrade --port /dev/null --file " + Path("fw.bin"),
         "/dev/null is not a simulator port, nothing is sent."},
        {"soft-upgrade --port SIM1 --local --file " + Path("big.bin"),
         "is larger than the unit's flash of 262144 bytes"}};
    for (const auto& [arguments, reason] : cases) {
        const CliRun run = RunCli(arguments);
        EXPECT_EQ(run.exitCode, 1) << arguments;
        EXPECT_NE(run.output.find(reason), std::string::npos) << run.output;
        EXPECT_EQ(run.output.find("Opening serial port"), std::string::npos) << run.output;
    }
}

TEST_F(CliUpgradeTest, AHardUpgradeThroughTheSimulatorsTerminal) {
    test::ChildProcess sim(test::RuntimeDir() / "skelvane-sim",
                           {"--boot-mode", "--blank-flash", "--unpaced"});
    const std::string terminal = sim.NextLine();
    ASSERT_EQ(terminal.rfind("/dev/", 0), 0u) << terminal;
    const CliRun run = RunCli("hard-upgrade --port " + terminal + " --file " + Path("fw.bin"));
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("Connecting to the device ...connected.\n"), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("Loading FW now, wait .... succeeded.\n \nUpgrade completed !!\n"),
              std::string::npos)
        << run.output;
}

// The unit that never hears "start writing" keeps its version: --expect-version fails the
// run. Each run waits out the silence after "start writing" (10 s) in real time.
TEST_F(CliUpgradeTest, ASoftUpgradePassesOnlyWithTheExpectedVersion) {
    VirtualClock clock;
    const std::string before = sim::MakeBuiltInNetwork(clock)->Local().Version();
    const std::string after = sim::NextVersion(before);
    for (const bool lost : {false, true}) {
        std::vector<std::string> args = {"--unpaced"};
        if (lost) {
            args.push_back("--faults");
            args.push_back("startlost=1");
        }
        test::ChildProcess unit(test::RuntimeDir() / "skelvane-sim", args);
        const std::string terminal = unit.NextLine();
        ASSERT_EQ(terminal.rfind("/dev/", 0), 0u) << terminal;
        const CliRun run = RunCli("soft-upgrade --local --port " + terminal + " --file " +
                                  Path("fw.bin") + " --expect-version " + after);
        const std::string firmware =
            "Firmware: " + before + " before, " + (lost ? before : after) + " now.";
        EXPECT_EQ(run.exitCode, lost ? 1 : 0) << run.output;
        EXPECT_NE(run.output.find(firmware), std::string::npos) << run.output;
        EXPECT_EQ(
            run.output.find("unchanged: if the file holds another version") != std::string::npos,
            lost)
            << run.output;
    }
}

}  // namespace
}  // namespace skelvane
