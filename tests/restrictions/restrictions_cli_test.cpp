// skelvane-cli restrictions read|write as the program it is: against the simulated network it
// serves itself under "SIM1", and against skelvane-sim on a pseudo-terminal.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "base/format.h"
#include "base/prompter.h"
#include "document/network_file.h"
#include "restrictions/zone_presets.h"
#include "support/cli_fixture.h"

namespace skelvane {
namespace {

using ::testing::HasSubstr;

using test::CliRun;
using test::Quoted;
using test::RunCli;

class RestrictionsCliTest : public test::CliTest {
  protected:
    // A new network of the default model, its Master changed by `edit`.
    std::filesystem::path NewNetwork(const std::string& name,
                                     const std::function<void(Block&)>& edit = {}) {
        const auto path = dir / name;
        EXPECT_EQ(RunCli("new " + Quoted(path)).exitCode, 0);
        if (edit) {
            LinkIdCounter ids;
            NetworkFile document(ids);
            RecordingPrompter prompter;
            EXPECT_TRUE(document.Read(path, prompter));
            edit(*document.Root()->FirstChild());
            EXPECT_TRUE(document.Save(path, prompter));
        }
        return path;
    }
    static std::string TextOf(const std::vector<Parameter>& parameters, std::string_view name) {
        return Find(parameters, name).textValue;
    }
};

TEST_F(RestrictionsCliTest, WriteAsksTheUnitFirstAndRefusesAnInvalidEntry) {
    const auto file = NewNetwork("net.xml", [](Block& master) {
        master.FindParameter("FrequencyRestriction5")->textValue = "5:902400,92760";
    });
    const auto before = MasterParameters(file);
    const CliRun run =
        RunCli("restrictions write --port SIM1 --remote 300 " + Quoted(file) + " Master");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_THAT(run.output, HasSubstr("Getting version ... passed.\n"));
    // The message does not break into the step's line, which is printed again with its result.
    EXPECT_THAT(run.output, HasSubstr("Sending restrictions ...\nMismatched on entry: 5"));
    EXPECT_THAT(run.output, HasSubstr("\nSending restrictions ...Failed.\n"));
    // A write never saves the file.
    const auto after = MasterParameters(file);
    EXPECT_EQ(TextOf(after, "VersionNo"), TextOf(before, "VersionNo"));
}

TEST_F(RestrictionsCliTest, UsageErrorsAndMissingBlocks) {
    const auto file = NewNetwork("net.xml");
    EXPECT_EQ(RunCli("restrictions --port SIM1 --local " + Quoted(file) + " Master").exitCode, 2);
    EXPECT_EQ(RunCli("restrictions read --port SIM1 " + Quoted(file) + " Master").exitCode, 2);
    EXPECT_EQ(RunCli("restrictions write --port SIM1 --remote 65535 " + Quoted(file) + " Master")
                  .exitCode,
              2);
    EXPECT_EQ(RunCli("restrictions read --port SIM1 --local " + Quoted(file) + " Nowhere").exitCode,
              1);
    const CliRun run = RunCli("restrictions read --port SIM9 --local " + Quoted(file) + " Master");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_THAT(run.output, HasSubstr("Opening serial port SIM9 ... failed."));
}

// Entries holding zone patterns written to skelvane-sim through a real pseudo-terminal, then
// read into a fresh network: the same texts and the same repeater list come back.
TEST_F(RestrictionsCliTest, WriteThenReadThroughAPseudoTerminalGivesTheSameLists) {
    if (!std::filesystem::exists(test::RuntimeDir() / "skelvane-sim")) {
        GTEST_SKIP() << "skelvane-sim is not built";
    }
    // The unit on the cable in "North America2" at link rate 0, the zones' band.
    const auto written = NewNetwork("written.xml", [](Block& master) {
        master.FindParameter("CountryCode")->value = 3;
        master.FindParameter("LinkRate")->value = 0;
        for (int zone = 0; zone < kZoneCount; ++zone) {
            master.FindParameter(Format("FrequencyRestriction%d", zone + 3))->textValue =
                ZoneEntryText(zone, 100 + zone);
        }
        master.FindParameter("RepeaterRegistration")->textValue = "301 2";
    });
    test::ChildProcess sim(test::RuntimeDir() / "skelvane-sim", {"--network", written.string()});
    const std::string terminal = sim.NextLine();
    ASSERT_EQ(terminal.rfind("/dev/pts/", 0), 0u) << terminal;
    const std::string port = "--port " + Quoted(terminal) + " --local ";

    const CliRun write = RunCli("restrictions write " + port + Quoted(written) + " Master");
    ASSERT_EQ(write.exitCode, 0) << write.output;
    EXPECT_THAT(write.output, HasSubstr("Sending repeaters ... passed.\n"
                                        "Verifying ... passed.\n"
                                        "Saving to memory... passed.\n"));

    const auto fresh = NewNetwork("fresh.xml");
    const CliRun read = RunCli("restrictions read " + port + Quoted(fresh) + " Master");
    ASSERT_EQ(read.exitCode, 0) << read.output;
    const auto sent = MasterParameters(written);
    const auto got = MasterParameters(fresh);
    for (int i = 1; i <= 16; ++i) {
        const std::string name = Format("FrequencyRestriction%d", i);
        EXPECT_EQ(TextOf(got, name), TextOf(sent, name)) << name;
    }
    EXPECT_EQ(TextOf(got, "FrequencyRestriction11"), "108:902400,922750");
    // The unit keeps the list in ascending order.
    EXPECT_EQ(TextOf(got, "RepeaterRegistration"), "2,301");
    EXPECT_EQ(sim.Stop(SIGINT), 0);
}

}  // namespace
}  // namespace skelvane
