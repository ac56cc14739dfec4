#include "base/operation_summary.h"

#include <array>

#include "base/format.h"

namespace skelvane {
namespace {

constexpr std::string_view kAskingAgain = "Asking again";

bool StartsWith(std::string_view text, std::string_view head) {
    return text.substr(0, head.size()) == head;
}

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// A line that reports on the step in progress rather than starting a new one.
bool IsNote(std::string_view line) {
    return StartsWith(line, "Errors in the responses!") || StartsWith(line, "Unknown responses!") ||
           StartsWith(line, kAskingAgain) || StartsWith(line, "Step failed: ") ||
           StartsWith(line, "Retry") || StartsWith(line, "The port ") ||
           StartsWith(line, "Values missing");
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

// A step line that carries its result already.
bool Concluded(std::string_view step) {
    return step.ends_with("passed.") || step.ends_with("done.");
}

// What went wrong, by the step that failed and the notes logged on the way, and what the user
// can do about it. The first entry whose step head and note both match (empty ones match
// anything) wins.
struct FailureKind {
    std::string_view stepHead;
    std::string_view note;
    std::string_view reason;
    std::string_view check;
};

// The unit did not answer its first request, on the cable or after waking it.
constexpr std::string_view kNoAnswerCheck =
    "Check the port, the cable and that the unit is powered; a sleeping unit needs the wake-up "
    "retries.";

constexpr std::array kFailureKinds{
    FailureKind{"Opening serial port", "", "the port could not be opened",
                "Check the port name, that no other program is using the port and that you may "
                "use it."},
    FailureKind{"Changing baud rate", "", "the port refused 115,200 baud",
                "Check that the port is a serial port that supports 115,200 baud."},
    FailureKind{"", "does not work any more", "the port went away",
                "Check that the cable or USB adapter is still plugged in."},
    FailureKind{"", "Values missing", "values missing from the unit's answers",
                "Check the unit's firmware version: older firmware does not report every "
                "value."},
    FailureKind{"", "responses!", "answers that could not be used",
                "Check the cable and that only one unit has this unit address; a unit with "
                "other firmware may not know this request."},
    FailureKind{"Verify connection", "", "no answer", kNoAnswerCheck},
    FailureKind{"Wake up", "", "no answer", kNoAnswerCheck},
    FailureKind{"", "", "no valid answer",
                "Check the lines above and try again; a remote unit also needs a working radio "
                "path to the unit on the cable."},
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
    const bool justFailed = justFailed_;
    justFailed_ = false;
    if (newLine && StartsWith(text, "Step failed: ")) {
        // The settings exchange names the step it could not take, right after its failure.
        std::string_view step = text.substr(13);
        if (step.ends_with('.')) {
            step.remove_suffix(1);
        }
        if (!step.empty() && (justFailed || !Failed())) {
            failedStep_ = std::string(step);
            failedAnywhere_ = true;
        }
        return;
    }
    const bool note = newLine && IsNote(text);
    if (note) {
        notes_.append(text);
        notes_ += '\n';
    }
    if (SaysFailed(text)) {
        if (!Failed()) {
            // A failure is reported on the step in progress, or as a line of its own after it;
            // a step that has its result already is not the one that failed.
            failedStep_ = Concluded(step_) ? std::string() : StepName(step_.empty() ? text : step_);
            failedAnywhere_ = true;
            justFailed_ = true;
        }
        return;
    }
    if (newLine && !note) {
        step_.assign(text);
    } else if (!newLine && !note) {
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
    std::string step = failedStep_;
    if (!failedAnywhere_ && !Concluded(step_)) {
        step = StepName(step_);  // the operation says it failed, its lines did not
    }
    const FailureKind* kind = &kFailureKinds.back();
    for (const FailureKind& candidate : kFailureKinds) {
        if (!StartsWith(step, candidate.stepHead) || !Contains(notes_, candidate.note)) {
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

std::string OperationSummary::AskingAgain(int attempt, int retries) {
    return std::string(kAskingAgain) + Format(" (%d of %d) ...", attempt, retries);
}

}  // namespace skelvane
