// skelvane-cli's network commands run as the program they are, on the star network example
// against the simulated network the program serves under "SIM1": its Master (1) and unit 2
// answer, unit 3 is not there and stays silent.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "operations/network_units.h"
#include "support/child_process.h"
#include "support/cli_fixture.h"

namespace skelvane {
namespace {

using test::CliRun;
using test::Quoted;
using test::RunCli;
using ::testing::HasSubstr;

struct NetworkCommandCase {
    const char* label;
    const char* arguments;  // before FILE
    const char* altered;    // the parameter of block "2" changed in FILE first, if any
    int exitCode;
    std::vector<std::string> output;  // lines or parts the output has
    // Then, when given: a command run on the same FILE afterwards, against a fresh simulated
    // network, and the exit code it must end with.
    const char* then = nullptr;
    int thenExitCode = 0;
};

class CliNetworkFixture : public test::CliTest {
  protected:
    // The example with a parameter of block "2" changed; the unit keeps its own value.
    std::filesystem::path Network(const char* altered) {
        LinkIdCounter ids;
        NetworkFile document(ids);
        RecordingPrompter prompter;
        EXPECT_TRUE(document.Read(test::DataDir() / "star-network.xml", prompter));
        if (altered != nullptr) {
            FindRadioBlock(*document.Root(), "2")->FindParameter(altered)->value ^= 1;
        }
        const auto path = dir / "net.xml";
        EXPECT_TRUE(document.Save(path, prompter));
        return path;
    }
};

class CliNetworkTest : public CliNetworkFixture,
                       public ::testing::WithParamInterface<NetworkCommandCase> {};

TEST_P(CliNetworkTest, ExitCodeAndLines) {
    const NetworkCommandCase& c = GetParam();
    const std::string file = Quoted(Network(c.altered));
    const CliRun run = RunCli(std::string(c.arguments) + " " + file + " </dev/null");
    EXPECT_EQ(run.exitCode, c.exitCode) << run.output;
    for (const std::string& line : c.output) {
        EXPECT_THAT(run.output, HasSubstr(line));
    }
    if (c.then != nullptr) {
        const CliRun then = RunCli(std::string(c.then) + " " + file + " </dev/null");
        EXPECT_EQ(then.exitCode, c.thenExitCode) << then.output;
    }
}

// Ctrl-C stops a backup within a second (exit code 130, not killed) and leaves the file as it
// was.
TEST_F(CliNetworkFixture, InterruptStopsTheRunAndLeavesTheFile) {
    // The example as it is, the Master first in the walk.
    const std::filesystem::path path = dir / "star.xml";
    std::filesystem::copy_file(test::DataDir() / "star-network.xml", path);
    const auto before = std::filesystem::last_write_time(path);
    test::ChildProcess cli(test::RuntimeDir() / "skelvane-cli",
                           {"backup", "--port", "SIM1", "--blocks", "Master,2", path.string()});
    ASSERT_EQ(cli.NextLine(), "Master (on the cable): done V4.45");
    const auto interrupted = std::chrono::steady_clock::now();
    EXPECT_EQ(cli.Stop(SIGINT), 130);
    EXPECT_LT(std::chrono::steady_clock::now() - interrupted, std::chrono::milliseconds(1500));
    EXPECT_EQ(std::filesystem::last_write_time(path), before);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CliNetworkTest,
    ::testing::Values(
        NetworkCommandCase{
            "CheckFindings", "check", "HopPattern", 1, {"Remote \"2\": HopPattern is"}},
        // The silent unit fails the run; the file is saved with the units that answered,
        // whose values (unit 2's Retransmissions) now agree with the units again.
        NetworkCommandCase{"BackupWithASilentUnit",
                           "backup --port SIM1",
                           "Retransmissions",
                           1,
                           {"2 (unit 2): done V4.45\n", "3 (unit 3): no answer\n",
                            "1 could not be read and keep their values."},
                           "diff --port SIM1 --blocks 2",
                           0},
        NetworkCommandCase{"DiffOfASilentUnitIsTrouble",
                           "diff --port SIM1 --blocks 3",
                           nullptr,
                           2,
                           {"3 (unit 3): no answer"}},
        NetworkCommandCase{"RestoreOfASilentUnitFails",
                           "restore --port SIM1 --blocks 3 --yes",
                           nullptr,
                           1,
                           {"3 (unit 3): no answer"}},
        NetworkCommandCase{
            "RestoreAsksFirst", "restore --port SIM1", "Retransmissions", 2, {"--yes"}},
        NetworkCommandCase{"UnknownBlock", "backup --port SIM1 --blocks 9", nullptr, 2, {"\"9\""}}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace skelvane
