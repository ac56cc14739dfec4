#pragma once

#include <CLI/CLI.hpp>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <iosfwd>
#include <mutex>
#include <string>
#include <string_view>

#include "base/log_pane.h"
#include "document/block.h"

namespace skelvane::cli {

// The options every command that talks to a radio takes: the port (the saved port setting
// when not given) and exactly one of --local and --remote UA.
struct UnitOptions {
    std::string port;
    bool local = false;
    std::uint32_t remote = 0;
};

// --port NAME; an empty name is a usage error (leave the option out for the saved port).
void AddPortOption(CLI::App& command, std::string& port);
void AddUnitOptions(CLI::App& command, UnitOptions& options);
std::string PortName(const UnitOptions& options);

// The first block of that name in the tree (exact match), or nullptr.
Block* FindBlockByName(Block* root, std::string_view name);

// Prints a log pane's lines as they appear: a new line starts a new output line, words
// appended to the last line follow it on the same output line, and a replaced line is printed
// again on a line of its own. Texts go out as UTF-8. Output of the command itself goes through
// Print, so that it never lands in the middle of a log line.
class LogPrinter {
  public:
    LogPrinter(std::ostream& out, LogPane& pane);
    ~LogPrinter();
    LogPrinter(const LogPrinter&) = delete;
    LogPrinter& operator=(const LogPrinter&) = delete;

    // Ends the current log line, then prints `text` and a line break.
    void Print(std::string_view text);
    // Ends the current log line.
    void Finish();

  private:
    void OnEvent(LogPane::Event event, const std::string& text);
    void EndLineLocked();

    std::ostream& out_;
    LogPane& pane_;
    std::mutex mutex_;
    std::string printed_;  // the log line printed last, as far as it went
    bool open_ = false;    // that line still waits for its line break
};

// Lets the command's thread wait for what a worker reports from its own thread.
class WorkerSignal {
  public:
    void Notify();
    // Waits until Notify was called since the last wait.
    void Wait();
    // The same, for at most `timeout`; false when it passed without a Notify.
    bool WaitFor(std::chrono::milliseconds timeout);

  private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool signalled_ = false;
};

}  // namespace skelvane::cli
