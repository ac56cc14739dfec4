#pragma once

#include <functional>
#include <optional>

#include "base/log_pane.h"
#include "cli/command.h"
#include "cli/device_options.h"
#include "link/device_link.h"

namespace skelvane::cli {

// How a command drives the operation it runs: start it, ask whether it still runs, stop it.
struct OperationControl {
    // Starts the worker; false when nothing was started (the log or a message says why).
    std::function<bool()> start;
    std::function<bool()> running;
    // Asks the worker to stop and waits (bounded) for it to end.
    std::function<void()> stop;
    // Called about every 20 ms while the operation runs (optional): what the command shows
    // or does as it goes.
    std::function<void()> poll;
    // Writes " cancelled." into the log, after the stop (optional: by default it is appended
    // to the log's last line).
    std::function<void()> logCancel;
};

enum class RunEnd { Finished, NotStarted, Cancelled };

// Runs an operation to its end while its log is printed. SIGINT, SIGTERM and SIGHUP stop it
// cooperatively: the worker is asked to stop (the unit's pending reply is drained and the port
// closed on its way out), " cancelled." ends the log line in progress, and the command's exit
// code becomes 130. The command saves nothing unless Run returned Finished.
class OperationRunner {
  public:
    // Prints `log` through a LogPrinter.
    OperationRunner(Context& ctx, LogPane& log);
    // For a command that prints `log` its own way: `finishLine` ends the line in progress.
    OperationRunner(Context& ctx, LogPane& log, std::function<void()> finishLine);
    OperationRunner(const OperationRunner&) = delete;
    OperationRunner& operator=(const OperationRunner&) = delete;

    RunEnd Run(const OperationControl& control);

    // The printer of the first constructor (nullptr with the second): a command's own output
    // goes through it, so that it never lands in the middle of a log line.
    LogPrinter* Printer() { return printer_ ? &*printer_ : nullptr; }

  private:
    void FinishLine();

    Context& ctx_;
    LogPane& log_;
    std::optional<LogPrinter> printer_;
    std::function<void()> finishLine_;
};

// The control of an operation of a property page's device link: `start` starts its worker.
OperationControl LinkOperation(DeviceLink& link, std::function<bool()> start);

// Installs the handlers of SIGINT, SIGTERM and SIGHUP (once per process) and ignores
// SIGXFSZ, so that a write over the file size limit fails like a full disk. The signals stop
// an operation only once an OperationRunner exists; before that they end the program.
void InstallInterruptHandlers();
// While it lives, a stop signal ends the program as it does before any operation (for a
// question on the terminal, which a read that restarts after the signal would keep open).
class StopSignalsEndProgram {
  public:
    StopSignalsEndProgram();
    ~StopSignalsEndProgram();
    StopSignalsEndProgram(const StopSignalsEndProgram&) = delete;
    StopSignalsEndProgram& operator=(const StopSignalsEndProgram&) = delete;

  private:
    bool cooperative_;
};

// A stop signal has arrived.
bool Interrupted();
// Exit code of a command that was interrupted.
inline constexpr int kInterruptedExitCode = 130;

}  // namespace skelvane::cli
