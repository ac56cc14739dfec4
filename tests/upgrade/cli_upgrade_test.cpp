// skelvane-cli soft-upgrade and hard-upgrade run as the program, and one hard upgrade through
// skelvane-sim on a pseudo-terminal.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <string>

#include "support/test_paths.h"

extern char** environ;

namespace skelvane {
namespace {

struct CliRun {
    int exitCode = -1;
    std::string output;  // stdout and stderr
};

CliRun RunCli(const std::string& arguments) {
    std::string command(1, '\'');
    command += (test::RuntimeDir() / "skelvane-cli").string();
    command += "' ";
    command += arguments;
    command += " 2>&1";
    CliRun run;
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

class CliUpgradeTest : public ::testing::Test {
  protected:
    CliUpgradeTest() {
        test::WriteFileBytes(dir / "fw.bin", std::string(300, 'f'));
        test::WriteFileBytes(dir / "big.bin", std::string(262145, 'b'));
    }
    std::string Path(const std::string& name) const {
        std::string quoted(1, '\'');
        quoted += (dir / name).string();
        quoted += '\'';
        return quoted;
    }

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
          std::string("hard-upgrade --port SIM1")}) {
        EXPECT_EQ(RunCli(arguments).exitCode, 2) << arguments;
    }
}

TEST_F(CliUpgradeTest, RefusalsExitWithOneAndSayWhy) {
    CliRun run = RunCli("hard-upgrade --port /dev/null --file " + Path("fw.bin"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("/dev/null is not a simulator port, nothing is sent."),
              std::string::npos)
        << run.output;

    run = RunCli("soft-upgrade --port SIM1 --local --file " + Path("big.bin"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("is larger than 262144 bytes"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("Opening serial port"), std::string::npos) << run.output;

    run = RunCli("soft-upgrade --port SIM1 --ua '5 7 5' --file " + Path("fw.bin"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("Duplicate UA detected."), std::string::npos) << run.output;

    run = RunCli("soft-upgrade --port SIM1 --local --file " + Path("missing.bin"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("Couldn't access file "), std::string::npos) << run.output;
}

// skelvane-sim as a child process; its first line of output is the terminal's path.
class SimProcess {
  public:
    explicit SimProcess(std::vector<std::string> args) {
        int out[2];
        if (pipe(out) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        const std::string program = (test::RuntimeDir() / "skelvane-sim").string();
        args.insert(args.begin(), program);
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        out_ = out[0];
    }
    ~SimProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) {
            close(out_);
        }
    }

    std::string FirstLine() {
        std::string line;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (pid_ > 0 && std::chrono::steady_clock::now() < end) {
            pollfd fd{out_, POLLIN, 0};
            char c = 0;
            if (poll(&fd, 1, 100) <= 0) {
                continue;
            }
            if (read(out_, &c, 1) != 1 || c == '\n') {
                break;
            }
            line.push_back(c);
        }
        return line;
    }

  private:
    pid_t pid_ = -1;
    int out_ = -1;
};

TEST_F(CliUpgradeTest, AHardUpgradeThroughTheSimulatorsTerminal) {
    SimProcess sim({"--boot-mode", "--blank-flash", "--unpaced"});
    const std::string terminal = sim.FirstLine();
    ASSERT_EQ(terminal.rfind("/dev/", 0), 0u) << terminal;
    const CliRun run = RunCli("hard-upgrade --port " + terminal + " --file " + Path("fw.bin"));
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("Connecting to the device ...connected.\n"), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("Loading FW now, wait .... succeeded.\n \nUpgrade completed !!\n"),
              std::string::npos)
        << run.output;
}

}  // namespace
}  // namespace skelvane
