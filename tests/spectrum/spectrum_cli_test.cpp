// The programs end to end: skelvane-cli scanning skelvane-sim through a pseudo-terminal.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/format.h"
#include "link/serial_port.h"
#include "support/test_paths.h"

extern char** environ;

namespace skelvane {
namespace {

using namespace std::chrono_literals;

// One of the programs beside the tests, its output in a file; killed if still running when
// the object goes away.
class Program {
  public:
    Program(const std::string& name, std::vector<std::string> args,
            const std::filesystem::path& output) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        const std::string program = (test::RuntimeDir() / name).string();
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
    }
    ~Program() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    bool Started() const { return pid_ > 0; }

    // Sends `signal` (0: none) and waits up to `limit`; the exit code, or -1.
    int Wait(std::chrono::milliseconds limit, int signal = 0) {
        if (signal != 0) {
            kill(pid_, signal);
        }
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(20ms);
        }
        return -1;
    }

  private:
    pid_t pid_ = -1;
};

bool WaitForPath(const std::filesystem::path& path) {
    for (int i = 0; i < 250; ++i) {
        std::error_code ec;
        if (std::filesystem::exists(path, ec)) {
            return true;
        }
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST(SpectrumCliTest, ScansSkelvaneSimThroughAPseudoTerminal) {
    test::TempDir dir;
    const std::filesystem::path radio = dir / "radio";
    Program sim("skelvane-sim", {"--link", radio.string(), "--model", "MORVEX-B"}, dir / "sim.txt");
    ASSERT_TRUE(sim.Started());
    ASSERT_TRUE(WaitForPath(radio)) << test::ReadFileBytes(dir / "sim.txt");

    const std::filesystem::path csv = dir / "out.csv";
    Program cli("skelvane-cli",
                {"spectrum", "--port", radio.string(), "--baud", "115200", "--scans", "2", "--csv",
                 csv.string()},
                dir / "cli.txt");
    ASSERT_TRUE(cli.Started());
    ASSERT_EQ(cli.Wait(60s), 0) << test::ReadFileBytes(dir / "cli.txt");
    const std::vector<std::string> log = Lines(test::ReadFileBytes(dir / "cli.txt"));
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], "Model: MORVEX-B");
    EXPECT_EQ(log.back(), "Scanning ...");

    // MORVEX-B at the simulated link rate (1 to 3): 290 channels 280 kHz apart from 2401.6 MHz.
    const std::vector<std::string> rows = Lines(test::ReadFileBytes(csv));
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

    // The same terminal still speaks the diagnostic protocol.
    SerialPort port;
    ASSERT_TRUE(port.Open(radio.string()));
    ASSERT_TRUE(port.SetBaudRate(115200));
    const std::uint8_t request[] = {0x03, 0x00, 0x00, 0x29};
    port.Write(request, sizeof request);
    std::vector<std::uint8_t> reply;
    std::uint8_t buffer[64];
    for (int i = 0; i < 200 && (reply.empty() || reply.size() < reply[0] + 1u); ++i) {
        const std::size_t n = port.Read(buffer, sizeof buffer);
        reply.insert(reply.end(), buffer, buffer + n);
    }
    ASSERT_GE(reply.size(), 4u);
    EXPECT_EQ(reply[3], 0x8D);
    port.Close();
    EXPECT_EQ(sim.Wait(5s, SIGTERM), 0);
}

TEST(SpectrumCliTest, APortThatCannotBeOpenedFailsTheCommand) {
    test::TempDir dir;
    Program missing("skelvane-cli", {"spectrum", "--port", "SIM9", "--baud", "9600"},
                    dir / "missing.txt");
    ASSERT_TRUE(missing.Started());
    EXPECT_EQ(missing.Wait(20s), 1);
    EXPECT_NE(test::ReadFileBytes(dir / "missing.txt").find("Opening serial port SIM9 ... failed."),
              std::string::npos);
}

}  // namespace
}  // namespace skelvane
