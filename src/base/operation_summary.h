#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/clock.h"

namespace skelvane {

// Follows the progress lines of one operation and makes the line that ends its log: what was
// done, to which unit and how long it took, or at which step it failed, why, and what to
// check. Not thread-safe on its own; the LogPane feeds it under its lock.
class OperationSummary {
  public:
    // A new operation starts at `now`.
    void Begin(Millis now);
    // Every progress line written while it runs: a new line (`newLine`) or text added to the
    // last one.
    void Feed(std::string_view text, bool newLine);
    bool Active() const { return active_; }
    // The first failure seen so far.
    bool Failed() const { return failedAnywhere_; }

    // The summary of the operation `title` ("Read All from unit 300"), ended at `now`.
    // `failed` overrides what the lines say when the operation knows its own outcome;
    // `detail` ("3 of 4 units done") follows the verdict. Ends the following.
    std::string End(std::string_view title, Millis now, std::optional<bool> failed,
                    std::string_view detail = {});

    // "2.4 s", "3 min 05 s".
    static std::string Duration(Millis elapsed);
    // The note that a step's request goes out again: "Asking again (1 of 2) ...".
    static std::string AskingAgain(int attempt, int retries);

  private:
    bool active_ = false;
    Millis start_{0};
    std::string step_;        // the step line in progress
    std::string failedStep_;  // the step at which the first failure came
    std::string notes_;       // the lines that reported on a step, one per line
    bool failedAnywhere_ = false;
    bool justFailed_ = false;  // the last line fed was the failure
};

}  // namespace skelvane
