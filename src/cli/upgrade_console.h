#pragma once

#include <cstddef>
#include <iosfwd>
#include <mutex>
#include <optional>
#include <string>

#include "base/clock.h"
#include "base/log_pane.h"

namespace skelvane::cli {

// Shows an upgrade log as it is written. Every line is printed once it is complete (when the
// next one begins, or at Finish). On a terminal the line in progress shows below them and is
// redrawn as it grows, and during a transfer a progress bar takes its place (blocks done of
// total, rate, time left); the per-block lines of a transfer that went well are left out
// there. Thread-safe.
class UpgradeConsole {
  public:
    UpgradeConsole(std::ostream& out, bool terminal, Clock& clock)
        : out_(out), terminal_(terminal), clock_(clock) {}

    // Listens to `pane` (replacing its listener).
    void Attach(LogPane& pane);
    void Progress(std::size_t done, std::size_t total);
    // A line that is not part of the log (a retry notice, a verbose line), printed at once.
    void Note(const std::string& text);
    // Prints the line still in progress.
    void Finish();

    // The bar of a transfer: "[#####.....]  120/2048 blocks  85.3 blocks/s  22 s left".
    static std::string Bar(std::size_t done, std::size_t total, double blocksPerSecond);

  private:
    void OnLine(LogPane::Event event, const std::string& text);
    void Complete(const std::string& line);
    void DrawStatus();
    void ClearStatus();

    std::ostream& out_;
    const bool terminal_;
    Clock& clock_;
    std::mutex mutex_;
    std::optional<std::string> pending_;
    bool status_shown_ = false;
    // The transfer in progress.
    std::size_t done_ = 0;
    std::size_t total_ = 0;
    Millis started_{0};
};

// Whether the program's standard output is a terminal.
bool StandardOutputIsTerminal();

}  // namespace skelvane::cli
