#include "base/operation_summary.h"

#include <array>

#include "base/format.h"

namespace skelvane {
namespace {

bool StartsWith(std::string_view text, std::string_view head) {
    return text.substr(0, head.size()) == head;
}

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// A line that reports on the step in progress rather than starting a new one.
bool IsNote(std::string_view line) {
    return StartsWith(line, "Errors in the responses!") || StartsWith(line, "Unknown responses!") ||
           StartsWith(line, "Asking again") || StartsWith(line, "Step failed: ") ||
           StartsWith(line, "Retry");
}

bool SaysFailed(std::string_view text) {
    return Contains(text, "Failed.") || Contains(text, "failed.") || Contains(text, "failed:");
}

// The step's name: its line up to the dots that wait for its result.
std::string StepName(std::string_view line) {
    const std::size_t dots = line.find("...");
    std::string_view name = line.substr(0, dots);
    while (!name.empty() && (name.back() == ' ' || name.back() == ':' || name.back() == ',')) {
        name.remove_suffix(1);
    }
    while (!name.empty() && name.front() == ' ') {
        name.remove_prefix(1);
    }
    return std::string(name);
}

// What went wrong, by the step that failed, and what the user can do about it. The first
// entry whose step head matches (an empty head matches any step) wins.
struct FailureKind {
    std::string_view stepHead;
    bool garbled;  // matches only when unusable replies came
    std::string_view reason;
    std::string_view check;
};

constexpr std::array kFailureKinds{
    FailureKind{"Opening serial port", false, "the port could not be opened",
                "Check the port name, that no other program is using the port and that you may "
                "use it."},
    FailureKind{"Changing baud rate", false, "the port refused 115,200 baud",
                "Check that the port is a serial port that supports 115,200 baud."},
    FailureKind{"", true, "answers that could not be used",
                "Check the cable and that only one unit has this unit address; a unit with "
                "other firmware may not know this request."},
    FailureKind{"Verify connection", false, "no answer",
                "Check the port, the cable and that the unit is powered; a sleeping unit needs "
                "the wake-up retries."},
    FailureKind{"Wake up", false, "no answer",
                "Check the port, the cable and that the unit is powered; a sleeping unit needs "
                "the wake-up retries."},
    FailureKind{"The port ", false, "the port went away",
                "Check that the cable or USB adapter is still plugged in."},
    FailureKind{"", false, "no valid answer",
                "Check the lines above; a remote unit needs a working radio path to the unit on "
                "the cable, so try again or read the unit on the cable first."},
};

}  // namespace

void OperationSummary::Begin(Millis now) {
    *this = OperationSummary{};
    active_ = true;
    start_ = now;
}

void OperationSummary::Feed(std::string_view text, bool newLine) {
    if (!active_) {
        return;
    }
    if (newLine && StartsWith(text, "Step failed: ")) {
        // The settings exchange names the step it could not take.
        std::string_view step = text.substr(13);
        if (!step.empty() && step.back() == '.') {
            step.remove_suffix(1);
        }
        if (!step.empty() && !Failed()) {
            failedStep_ = std::string(step);
        }
        return;
    }
    if (newLine &&
        (StartsWith(text, "Errors in the responses!") || StartsWith(text, "Unknown responses!"))) {
        garbled_ = true;
    }
    const bool note = newLine && IsNote(text);
    if (SaysFailed(text) && !Failed()) {
        // A failure is reported on the step in progress, or as a line of its own after it.
        failedStep_ = StepName(step_.empty() ? text : std::string_view(step_));
        failedAtStart_ = failedStep_.empty();
        return;
    }
    if (newLine && !note) {
        step_.assign(text);
    } else if (!newLine && !note && !SaysFailed(text)) {
        step_.append(text);
    }
}

std::string OperationSummary::End(std::string_view title, Millis now, std::optional<bool> failed,
                                  std::string_view detail) {
    const bool didFail = failed.value_or(Failed());
    const Millis elapsed = now - start_;
    active_ = false;
    if (!didFail) {
        std::string line = Format("%.*s done in %s", static_cast<int>(title.size()), title.data(),
                                  Duration(elapsed).c_str());
        if (!detail.empty()) {
            line += ": ";
            line += detail;
        }
        return line + ".";
    }
    std::string step = failedStep_.empty() ? StepName(step_) : failedStep_;
    const FailureKind* kind = &kFailureKinds.back();
    for (const FailureKind& candidate : kFailureKinds) {
        if ((candidate.garbled && !garbled_) || !StartsWith(step, candidate.stepHead)) {
            continue;
        }
        kind = &candidate;
        break;
    }
    std::string line(title);
    line += " failed";
    if (!step.empty()) {
        line += " at '" + step + "'";
    }
    line += ": ";
    line += kind->reason;
    if (!detail.empty()) {
        line += " (";
        line += detail;
        line += ")";
    }
    line += ". ";
    line += kind->check;
    return line;
}

std::string OperationSummary::Duration(Millis elapsed) {
    const long long ms = elapsed.count() < 0 ? 0 : static_cast<long long>(elapsed.count());
    if (ms < 60000) {
        return Format("%lld.%lld s", ms / 1000, (ms % 1000) / 100);
    }
    return Format("%lld min %02lld s", ms / 60000, (ms / 1000) % 60);
}

}  // namespace skelvane
