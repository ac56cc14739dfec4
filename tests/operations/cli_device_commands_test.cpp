// skelvane-cli's device commands run as the program they are: against the simulated network
// it serves itself under "SIM1", and against skelvane-sim on a pseudo-terminal.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "base/prompter.h"
#include "document/network_file.h"
#include "document/parameter_sets.h"
#include "link_fixture.h"
#include "support/cli_fixture.h"

namespace skelvane {
namespace {

using test::CliRun;
using test::Quoted;
using test::RunCli;

int CountLines(const std::string& text, const std::string& start) {
    int count = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\n', at);
        count += text.compare(at, start.size(), start) == 0 ? 1 : 0;
        at = end == std::string::npos ? text.size() : end + 1;
    }
    return count;
}

class CliDeviceTest : public test::CliTest {
  protected:
    // A network file whose Master is the default model's, as a new network gets it, at unit
    // address 1; the simulated units are seeded from the same template.
    std::filesystem::path SaveMaster(const std::string& name) {
        LinkIdCounter ids;
        RecordingPrompter prompter;
        NetworkFile templates(ids);
        EXPECT_TRUE(templates.Read(test::DataDir() / "TAVRIN-A.TPL", prompter));
        auto master = CreateBlock(static_cast<int>(BlockKind::Master));
        EXPECT_TRUE(CopyTemplateParameters(*master, templates));
        master->FindParameter("UnitAddress")->value = 1;
        NetworkFile document(ids);
        document.NewNetwork()->Parameters() = master->Parameters();
        const auto path = dir / name;
        EXPECT_TRUE(document.Save(path, prompter));
        return path;
    }
};

// The device commands against the CLI's own simulated network (Master 1 on the cable,
// Repeater 2, Remotes 300 and 301): what each run prints, its exit code and the files it
// leaves.
TEST_F(CliDeviceTest, CommandsAgainstTheSimulatedNetwork) {
    const auto file = SaveMaster("found.xml");
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

// Against skelvane-sim through a real pseudo-terminal: read a unit into a file, poll the
// diagnostics.
TEST_F(CliDeviceTest, ReadAndPollThroughAPseudoTerminal) {
    if (!std::filesystem::exists(test::RuntimeDir() / "skelvane-sim")) {
        GTEST_SKIP() << "skelvane-sim is not built";
    }
    test::ChildProcess sim(test::RuntimeDir() / "skelvane-sim", {});
    const std::string terminal = sim.NextLine();
    ASSERT_EQ(terminal.rfind("/dev/pts/", 0), 0u) << terminal;
    const std::string port = "--port " + Quoted(terminal) + " --local ";

    // The file holds no version or serial number; the unit's come through the terminal.
    const auto first = SaveMaster("first.xml");
    ASSERT_EQ(RunCli("read " + port + Quoted(first) + " Master").exitCode, 0);
    const std::vector<Parameter> read = MasterParameters(first);
    EXPECT_EQ(Find(read, "VersionNo").textValue, "V4.45");
    EXPECT_EQ(Find(read, "SerialNo").textValue, "100001");

    const CliRun diag = RunCli("diag " + port + Quoted(first) + " Master --poll 3");
    EXPECT_EQ(diag.exitCode, 0) << diag.output;
    EXPECT_EQ(CountLines(diag.output, "Pass "), 3);
    EXPECT_EQ(CountLines(diag.output, "  "), 3 * 13);
    EXPECT_EQ(CountLines(diag.output, "  RSSI (dBm): -"), 3);
}

}  // namespace
}  // namespace skelvane
