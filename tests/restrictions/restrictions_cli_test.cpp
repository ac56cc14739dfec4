// skelvane-cli restrictions read|write as the program it is: against the simulated network it
// serves itself under "SIM1", and against skelvane-sim on a pseudo-terminal.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "base/format.h"
#include "base/prompter.h"
#include "document/network_file.h"
#include "restrictions/zone_presets.h"
#include "support/test_paths.h"

extern char** environ;

namespace skelvane {
namespace {

using ::testing::HasSubstr;

struct CliRun {
    int exitCode = -1;
    std::string output;  // stdout and stderr
};

std::string Quoted(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

CliRun RunCli(const std::string& arguments) {
    CliRun run;
    const std::string command =
        Quoted(test::RuntimeDir() / "skelvane-cli") + " " + arguments + " 2>&1";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    std::array<char, 4096> buffer{};
    std::size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        run.output.append(buffer.data(), n);
    }
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// skelvane-sim serving a network file; the pseudo-terminal's path is its first output line.
class SimProcess {
  public:
    explicit SimProcess(const std::filesystem::path& network) {
        int out[2];
        if (pipe(out) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::string program = (test::RuntimeDir() / "skelvane-sim").string();
        std::string option = "--network";
        std::string file = network.string();
        char* argv[] = {program.data(), option.data(), file.data(), nullptr};
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (pid_ > 0 && std::chrono::steady_clock::now() < end) {
            pollfd fd{out[0], POLLIN, 0};
            char c = 0;
            if (poll(&fd, 1, 100) <= 0) {
                continue;
            }
            if (read(out[0], &c, 1) != 1 || c == '\n') {
                break;
            }
            path_.push_back(c);
        }
        close(out[0]);
    }
    ~SimProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& Path() const { return path_; }

  private:
    pid_t pid_ = -1;
    std::string path_;
};

class RestrictionsCliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::filesystem::exists(test::RuntimeDir() / "skelvane-cli")) {
            GTEST_SKIP() << "skelvane-cli is not built";
        }
    }
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
    std::vector<Parameter> MasterParameters(const std::filesystem::path& path) {
        LinkIdCounter ids;
        NetworkFile document(ids);
        RecordingPrompter prompter;
        EXPECT_TRUE(document.Read(path, prompter));
        return document.Root()->FirstChild()->Parameters();
    }
    static std::string TextOf(const std::vector<Parameter>& parameters, const std::string& name) {
        for (const Parameter& parameter : parameters) {
            if (parameter.name == name) {
                return parameter.textValue;
            }
        }
        return "<missing>";
    }

    test::TempDir dir;
};

TEST_F(RestrictionsCliTest, ReadSavesWhatTheUnitReports) {
    const auto file = NewNetwork("net.xml", [](Block& master) {
        master.FindParameter("FrequencyRestriction3")->textValue = "4:902400,927600";
        master.FindParameter("RepeaterRegistration")->textValue = "12";
    });
    const CliRun run = RunCli("restrictions read --port SIM1 --local " + Quoted(file) + " Master");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.output,
              " \nOpening serial port SIM1 ... done.\nChanging baud rate to 115,200 ... passed.\n"
              "Getting country code ... passed.\nGetting version ... passed.\n"
              "Getting restrictions ... passed.\nGetting repeaters ... passed.\n");
    const auto parameters = MasterParameters(file);
    EXPECT_EQ(TextOf(parameters, "VersionNo"), "V4.45");
    EXPECT_EQ(TextOf(parameters, "FrequencyRestriction3"), "0");
    // The unit has no repeater registered: the block keeps its list.
    EXPECT_EQ(TextOf(parameters, "RepeaterRegistration"), "12");
}

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
    SimProcess sim(written);
    ASSERT_EQ(sim.Path().rfind("/dev/pts/", 0), 0u) << sim.Path();
    const std::string port = "--port " + Quoted(sim.Path()) + " --local ";

    const CliRun write = RunCli("restrictions write " + port + Quoted(written) + " Master");
    ASSERT_EQ(write.exitCode, 0) << write.output;
    EXPECT_THAT(write.output, HasSubstr("Sending repeaters ... passed.\n"
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
}

}  // namespace
}  // namespace skelvane
