// skelvane-cli's file commands, and how every command ends on a stop signal, run as the
// programs they are.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/cli_fixture.h"

namespace skelvane {
namespace {

using test::CliRun;
using test::Quoted;
using test::RunCli;

using CliNetworkTest = test::CliTest;

TEST_F(CliNetworkTest, InfoListsTheBlocksInWalkOrder) {
    const CliRun run = RunCli("info " + Quoted(test::DataDir() / "chain-network.xml"));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.output.find(": 5 blocks\n"
                              "Network \"Network\" at (0, 0); links: none; 0 parameters\n"
                              "  Master \"Master\" at (40, 40); links: out 1 \"~\"; 71 parameters\n"
                              "  Repeater \"10\" at (40, 168); links: in 1 \"~\", out 2 \"~\"; 71 "
                              "parameters\n"
                              "  Remote \"Ma\xC3\xAEtre-B\xC3\xA2le\" at (40, 296)"),
              std::string::npos)
        << run.output;
}

TEST_F(CliNetworkTest, CopyTwiceGivesTheOriginalBack) {
    const auto original = test::DataDir() / "chain-network.xml";
    EXPECT_EQ(RunCli("copy " + Quoted(original) + " " + Quoted(dir / "once.xml")).exitCode, 0);
    EXPECT_EQ(RunCli("copy " + Quoted(dir / "once.xml") + " " + Quoted(dir / "twice.xml")).exitCode,
              0);
    EXPECT_EQ(test::ReadFileBytes(dir / "twice.xml"), test::ReadFileBytes(original));
}

TEST_F(CliNetworkTest, FailuresPrintTheMessageAndExitWithOne) {
    test::WriteFileBytes(dir / "bad.xml", "<Network><Block/></Network>");
    CliRun run = RunCli("info " + Quoted(dir / "bad.xml"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.output, "File Format Error\nFile is not in proper XML format.\n" +
                              (dir / "bad.xml").string() + "\n");

    run = RunCli("copy " + Quoted(test::DataDir() / "star-network.xml") + " " +
                 Quoted(dir / "missing" / "out.xml"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.output, "Save Failed\nUnable to save file to disk.\n" +
                              (dir / "missing" / "out.xml").string() +
                              ": No such file or directory\n");

    // Over the file size limit the save fails like a full disk: no signal ends the program.
    test::WriteFileBytes(dir / "out.xml", "the previous network");
    run = RunCli(
        "copy " + Quoted(test::DataDir() / "star-network.xml") + " " + Quoted(dir / "out.xml"),
        "ulimit -f 8; ");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.output.ends_with("out.xml: File too large\n")) << run.output;
    EXPECT_EQ(test::ReadFileBytes(dir / "out.xml"), "the previous network");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);

    EXPECT_EQ(RunCli("info").exitCode, 2);
}

// skelvane-cli new: the model's template from beside the program (what the network then holds
// is the session's start-up); a model that is not listed writes nothing.
TEST_F(CliNetworkTest, NewTakesTheChosenModelsTemplate) {
    for (const auto& [arguments, said] :
         {std::pair{"new", ": new TAVRIN-A network from TAVRIN-A.TPL\n"},
          std::pair{"new --model morvex-a", ": new MORVEX-A network from MORVEX-A.TPL\n"}}) {
        const CliRun run = RunCli(std::string(arguments) + " " + Quoted(dir / "new.xml"));
        EXPECT_EQ(run.exitCode, 0) << run.output;
        EXPECT_TRUE(run.output.ends_with(said)) << run.output;
        EXPECT_TRUE(std::filesystem::remove(dir / "new.xml"));
    }
    const CliRun run = RunCli("new --model NOPE-9 " + Quoted(dir / "new.xml"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("NOPE-9"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("TAVRIN-A, MORVEX-A"), std::string::npos) << run.output;
    EXPECT_FALSE(std::filesystem::exists(dir / "new.xml"));
    EXPECT_EQ(RunCli("new").exitCode, 2);
}

// A stop signal ends a running command within a second: " cancelled." ends its log, the
// exit code is 130, nothing is saved, and the unit's reply that was on its way does not
// reach the next command.
class CliSignalTest : public CliNetworkTest, public testing::WithParamInterface<int> {};

TEST_P(CliSignalTest, StopsTheCommandAndSavesNothing) {
    if (!std::filesystem::exists(test::RuntimeDir() / "skelvane-sim")) {
        GTEST_SKIP() << "skelvane-sim is not built";
    }
    test::ChildProcess sim(test::RuntimeDir() / "skelvane-sim", {});
    const std::string terminal = sim.NextLine();
    ASSERT_EQ(terminal.rfind("/dev/pts/", 0), 0u) << terminal;
    const auto file = dir / "net.xml";
    ASSERT_EQ(RunCli("new " + Quoted(file)).exitCode, 0);
    const std::string before = test::ReadFileBytes(file);

    // A read through a remote unit takes seconds; the signal comes in its middle.
    test::ChildProcess cli(
        test::RuntimeDir() / "skelvane-cli",
        {"read", "--port", terminal, "--remote", "300", file.string(), "Master"});
    EXPECT_EQ(cli.NextLine(), " ");
    EXPECT_EQ(cli.NextLine().rfind("Opening serial port", 0), 0u);
    const auto signalled = std::chrono::steady_clock::now();
    EXPECT_EQ(cli.Stop(GetParam()), 130);
    EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::milliseconds(1500));
    std::vector<std::string> lines;
    for (std::string line = cli.NextLine(); !line.empty(); line = cli.NextLine()) {
        lines.push_back(line);
    }
    ASSERT_GE(lines.size(), 2u);
    EXPECT_TRUE(lines[lines.size() - 2].ends_with(" cancelled.")) << lines[lines.size() - 2];
    EXPECT_EQ(lines.back(), "read cancelled.");
    EXPECT_EQ(test::ReadFileBytes(file), before);

    const CliRun next = RunCli("version --port " + Quoted(terminal) + " --local");
    EXPECT_EQ(next.exitCode, 0) << next.output;
    EXPECT_TRUE(next.output.ends_with("Version: V4.45\n")) << next.output;
}

INSTANTIATE_TEST_SUITE_P(Signals, CliSignalTest, testing::Values(SIGTERM, SIGHUP));

}  // namespace
}  // namespace skelvane
