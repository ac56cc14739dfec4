#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "link/serial_port.h"
#include "support/test_paths.h"

extern char** environ;

namespace skelvane {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

// skelvane-sim run as a child process, its standard output on a pipe.
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
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) {
            close(out_);
        }
    }

    bool Started() const { return pid_ > 0; }

    // The first line of output, waiting up to five seconds for it.
    std::string FirstLine() {
        std::string line;
        const auto end = std::chrono::steady_clock::now() + 5s;
        while (std::chrono::steady_clock::now() < end) {
            pollfd fd{out_, POLLIN, 0};
            if (poll(&fd, 1, 100) <= 0) {
                continue;
            }
            char c = 0;
            if (read(out_, &c, 1) != 1) {
                break;
            }
            if (c == '\n') {
                return line;
            }
            line.push_back(c);
        }
        return line;
    }

    // Sends `signal` and waits up to five seconds; the exit code, or -1.
    int Stop(int signal) {
        kill(pid_, signal);
        const auto end = std::chrono::steady_clock::now() + 5s;
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
    int out_ = -1;
};

// Reads until a whole frame (first byte + 1 bytes) is in, for at most a second.
Bytes ReadFrame(SerialPort& port) {
    Bytes got;
    std::uint8_t buffer[256];
    const auto end = std::chrono::steady_clock::now() + 1s;
    while (std::chrono::steady_clock::now() < end &&
           (got.empty() || got.size() < static_cast<std::size_t>(got[0]) + 1)) {
        const std::size_t n = port.Read(buffer, sizeof buffer);
        got.insert(got.end(), buffer, buffer + n);
    }
    return got;
}

TEST(PtyBridgeTest, SkelvaneSimServesTheDefaultModelsNetworkOnAPseudoTerminal) {
    test::TempDir dir;
    const std::filesystem::path link = dir / "radio";
    SimProcess sim({"--link", link.string()});
    ASSERT_TRUE(sim.Started()) << "skelvane-sim is not built";
    const std::string path = sim.FirstLine();
    ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
    EXPECT_EQ(std::filesystem::read_symlink(link), path);

    // Through the symbolic link, as a user would configure the port, with the real termios
    // code of the tool: opened at 9600, switched to 115200.
    SerialPort port;
    ASSERT_TRUE(port.Open(link.string()));
    ASSERT_TRUE(port.Purge());
    ASSERT_TRUE(port.SetBaudRate(115200));
    const Bytes serial = {0x03, 0x00, 0x00, 0x29};
    ASSERT_EQ(port.Write(serial.data(), serial.size()), serial.size());
    const Bytes reply = ReadFrame(port);
    ASSERT_GE(reply.size(), 4u);
    EXPECT_EQ(reply[0], reply.size() - 1);
    EXPECT_EQ(reply[3], 0x8D);

    // The default model's register set: transmit power (0x0B) and link rate (0x0E) as the
    // template's Master has them.
    const Bytes registers = {0x05, 0x00, 0x00, 0x14, 0x0B, 0x0E};
    port.Write(registers.data(), registers.size());
    EXPECT_EQ(ReadFrame(port), (Bytes{0x07, 0x00, 0x01, 0x64, 0x0B, 30, 0x0E, 0x01}));

    const Bytes version = {0x03, 0x01, 0x2C, 0x28};
    port.Write(version.data(), version.size());
    const Bytes remote = ReadFrame(port);
    ASSERT_GE(remote.size(), 4u);
    EXPECT_EQ(remote[0], remote.size() - 1);
    EXPECT_EQ((Bytes{remote[1], remote[2], remote[3]}), (Bytes{0x01, 0x2C, 0x8C}));
    port.Close();

    EXPECT_EQ(sim.Stop(SIGTERM), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}

TEST(PtyBridgeTest, SkelvaneSimServesTheUnitsOfANetworkFile) {
    SimProcess sim({"--network", (test::DataDir() / "star-network.xml").string()});
    ASSERT_TRUE(sim.Started());
    const std::string path = sim.FirstLine();
    ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
    SerialPort port;
    ASSERT_TRUE(port.Open(path));
    ASSERT_TRUE(port.SetBaudRate(115200));
    // Remote "3" of the file, its unit address in registers 0x02 and 0x03.
    const Bytes request = {0x05, 0x00, 0x03, 0x14, 0x02, 0x03};
    port.Write(request.data(), request.size());
    EXPECT_EQ(ReadFrame(port), (Bytes{0x07, 0x00, 0x03, 0x64, 0x02, 0x00, 0x03, 0x03}));
    port.Close();
    EXPECT_EQ(sim.Stop(SIGINT), 0);
}

TEST(PtyBridgeTest, SkelvaneSimRefusesABadFaultSpecification) {
    SimProcess sim({"--faults", "drop=lots"});
    ASSERT_TRUE(sim.Started());
    EXPECT_EQ(sim.Stop(0), 2);
}

}  // namespace
}  // namespace skelvane
