// skelvane-cli's device commands run as the program they are, against the simulated network
// it serves itself under "SIM1".
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "base/prompter.h"
#include "document/network_file.h"
#include "support/cli_fixture.h"

namespace skelvane {
namespace {

using test::CliRun;
using test::Quoted;
using test::RunCli;

using CliDeviceTest = test::CliTest;

// The device commands against the CLI's own simulated network (Master 1 on the cable,
// Repeater 2, Remotes 300 and 301): what each run prints, its exit code and the files it
// leaves.
TEST_F(CliDeviceTest, CommandsAgainstTheSimulatedNetwork) {
    // A new network: the default model's Master at unit address 1; the simulated units are
    // seeded from the same template.
    const auto file = dir / "found.xml";
    ASSERT_EQ(RunCli("new " + Quoted(file)).exitCode, 0);
    const std::string net = Quoted(file);
    const std::string csv = Quoted(dir / "samples.csv");
    struct Case {
        std::string arguments;
        int exitCode;
        std::vector<std::string> printed;
    };
    const Case cases[] = {
        {"-v version --port SIM1 --remote 300",
         0,
         {"08 01 2C 8C 56 34 2E 34 35 \nVersion of unit 300 done in ", " s.\nVersion: V4.45\n"}},
        {"serial --port SIM1 --remote 301", 0, {"Serial number: 100301\n"}},
        {"defaults --port SIM1 --local --set F4", 0, {}},
        {"reset --port SIM1 --local", 0, {}},
        {"diag --port SIM1 --local " + net + " Master --poll 2", 0, {"Pass 2:", "  RSSI (dBm): -"}},
        {"write --port SIM1 --local " + net + " Master",
         0,
         {"Write to the unit on the cable done"}},
        {"version --port /dev/null --local", 1, {"/dev/null is not a serial port."}},
        {"read --port SIM1 --local " + net + " Nowhere", 1, {}},
        {"version --port SIM1", 2, {}},
        {"defaults --port SIM1 --local --set F3", 2, {}},
        {"soft-upgrade --local --file f --port ''", 2, {}},
        {"discover --port SIM1 --ua 2,299-301 --add " + net,
         0,
         {"1 Master V4.45 100001\n", "2 Repeater V4.45 100002\n", "300 Remote V4.45 100300\n",
          "301 Remote V4.45 100301\n", ": 3 blocks added"}},
        // Nothing new: the file is left as it is.
        {"discover --port SIM1 --ua 300 --add " + net, 0, {"every unit found is in it already"}},
        {"discover --port SIM9 --ua 2", 1, {"the port SIM9 could not be opened"}},
        {"monitor --port SIM1 " + net + " --interval 1 --count 2 --csv " + csv,
         0,
         {"UA 300   300 ", "UA 2     2 ", "Pass 2 done."}},
        {"monitor --port SIM1 " + net + " --count 0", 2, {"--count"}},
    };
    for (const Case& c : cases) {
        const CliRun run = RunCli(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments << "\n" << run.output;
        for (const std::string& text : c.printed) {
            EXPECT_THAT(run.output, ::testing::HasSubstr(text)) << c.arguments;
        }
    }

    LinkIdCounter ids;
    NetworkFile document(ids);
    RecordingPrompter prompter;
    ASSERT_TRUE(document.Read(file, prompter));
    std::vector<std::string> blocks;
    for (const Block* b = document.Root()->FirstChild(); b != nullptr; b = b->NextSibling()) {
        blocks.push_back(b->Name() + " " + std::to_string(b->FindParameter("UnitAddress")->value));
    }
    EXPECT_THAT(blocks, ::testing::ElementsAre("Master 1", "2 2", "300 300", "301 301"));
    // Two passes over the four units, after the header.
    const std::string samples = test::ReadFileBytes(dir / "samples.csv");
    EXPECT_EQ(std::count(samples.begin(), samples.end(), '\n'), 1 + 2 * 4);
}

}  // namespace
}  // namespace skelvane
