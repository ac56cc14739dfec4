#pragma once

// Runs a program as a child process and reads its standard output line by line. Header-only
// and free of the test framework, so the benchmarks use it as well.
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace skelvane::test {

// A program with its standard output on a pipe. When the object goes away a program still
// running is asked to end (SIGTERM) and killed if it has not within five seconds.
class ChildProcess {
  public:
    ChildProcess(const std::filesystem::path& path, std::vector<std::string> args) {
        int out[2];
        if (pipe(out) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        const std::string program = path.string();
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
    ~ChildProcess() {
        if (pid_ > 0) {
            Stop(SIGTERM);
        }
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) {
            close(out_);
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return pid_ > 0; }

    // The next line of output (skelvane-sim's first is its terminal), waiting up to 5 s; also
    // after the program has ended, until its output runs out (then empty).
    std::string NextLine() {
        std::string line;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (out_ >= 0 && std::chrono::steady_clock::now() < end) {
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

    // Sends `signal` (0: none) and waits up to five seconds; the exit code, 256 + the signal
    // that ended the program, or -1 when it still runs.
    int Stop(int signal) {
        if (signal != 0) {
            kill(pid_, signal);
        }
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (pid_ > 0 && std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 256 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }

  private:
    pid_t pid_ = -1;
    int out_ = -1;
};

}  // namespace skelvane::test
