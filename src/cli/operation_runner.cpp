#include "cli/operation_runner.h"

#include <atomic>
#include <csignal>
#include <utility>

namespace skelvane::cli {
namespace {

// How often the command's thread looks at the worker and at the stop signals.
constexpr Millis kPollInterval{20};
// How long a property page's worker gets to end after a stop request.
constexpr Millis kStopWait{1000};

std::atomic<bool> interrupted{false};
// Set once a command has begun an operation that a stop signal ends cooperatively; until then
// (and in the commands that only handle files) a stop signal ends the program as usual, so
// that nothing waits forever on a file that never opens.
std::atomic<bool> cooperative{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnStopSignal(int signal) {
    if (!cooperative.load()) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);  // delivered as the handler returns
        return;
    }
    interrupted.store(true);
#if defined(_WIN32)
    std::signal(signal, OnStopSignal);  // the handler is reset to the default at each signal
#endif
}

}  // namespace

void InstallInterruptHandlers() {
#if defined(_WIN32)
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
#else
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

StopSignalsEndProgram::StopSignalsEndProgram() : cooperative_(cooperative.exchange(false)) {}

StopSignalsEndProgram::~StopSignalsEndProgram() {
    cooperative.store(cooperative_);
}

bool Interrupted() {
    return interrupted.load();
}

OperationRunner::OperationRunner(Context& ctx, LogPane& log) : ctx_(ctx), log_(log) {
    cooperative.store(true);
    printer_.emplace(*ctx.out, log);
}

OperationRunner::OperationRunner(Context& ctx, LogPane& log, std::function<void()> finishLine)
    : ctx_(ctx), log_(log), finishLine_(std::move(finishLine)) {
    cooperative.store(true);
}

void OperationRunner::FinishLine() {
    if (printer_) {
        printer_->Finish();
    } else if (finishLine_) {
        finishLine_();
    }
}

RunEnd OperationRunner::Run(const OperationControl& control) {
    const auto cancel = [&] {
        if (control.logCancel) {
            control.logCancel();
        } else {
            log_.Line(" cancelled.", false, true);
        }
        FinishLine();
        ctx_.exitCode = kInterruptedExitCode;
        ctx_.cancelled = true;
        return RunEnd::Cancelled;
    };
    if (Interrupted()) {
        return cancel();
    }
    if (!control.start()) {
        FinishLine();
        return RunEnd::NotStarted;
    }
    while (control.running()) {
        if (Interrupted()) {
            control.stop();
            return cancel();
        }
        if (control.poll) {
            control.poll();
        }
        ctx_.clock.SleepFor(kPollInterval);
    }
    if (control.poll) {
        control.poll();
    }
    // A signal that came as the operation ended still means: keep nothing of it.
    if (Interrupted()) {
        return cancel();
    }
    FinishLine();
    return RunEnd::Finished;
}

OperationControl LinkOperation(DeviceLink& link, std::function<bool()> start) {
    OperationControl control;
    control.start = std::move(start);
    control.running = [&link] {
        if (link.Busy()) {
            return true;
        }
        link.Wait();  // the work has ended; its thread is on its way out
        return false;
    };
    control.stop = [&link] { link.FinishWorker(kStopWait); };
    return control;
}

}  // namespace skelvane::cli
