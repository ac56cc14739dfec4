#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>

#include "base/clock.h"
#include "base/listener_slot.h"
#include "link/device_worker.h"
#include "link/serial_port.h"
#include "upgrade/upgrade_log.h"
#include "upgrade/upgrade_run.h"

namespace skelvane {

// What the two upgrade dialogs' models share: the port they were given, the log, the one
// worker and its outcome, the firmware file's test-open, Cancel and Close, and the listeners
// the window (or the command) hears them through. A listener is called on whichever thread
// made the change.
class UpgradeModel {
  public:
    // The dialogs own their model through this base.
    virtual ~UpgradeModel() = default;
    UpgradeModel(const UpgradeModel&) = delete;
    UpgradeModel& operator=(const UpgradeModel&) = delete;

    UpgradeLog& Log() { return log_; }
    bool WorkerRunning() const { return worker_.Running(); }
    // Waits until the running worker (if any) has ended.
    void WaitForWorker() { worker_.Wait(); }
    // How the last worker ended; nullopt before the first one ended.
    std::optional<UpgradeResult> LastResult() const;

    // "&Clear Log".
    void ClearLog();
    // Closing the dialog: a running worker is stopped, waiting at most one second.
    void Close();

    // After every change of what the window shows apart from the log.
    void SetListener(std::function<void()> listener) { changed_.Set(std::move(listener)); }
    // Blocks or frames acknowledged, of the total, as a worker sends them.
    void SetProgressListener(std::function<void(std::size_t, std::size_t)> listener) {
        progress_.Set(std::move(listener));
    }
    // Each retry as it happens, with the longest the step may still take.
    void SetRetryListener(std::function<void(const std::string&)> listener) {
        retry_.Set(std::move(listener));
    }
    // Lines of the verbose log; none are made while no one listens.
    void SetVerboseListener(std::function<void(const std::string&)> listener);

    static constexpr Millis kCloseWait{1000};

  protected:
    UpgradeModel(const PortFactory& ports, std::string portName, Clock& clock, Millis cancelWait);
    // Stops the worker and waits for it: a derived model calls it first in its destructor.
    void Shutdown();

    // The test-open of the file the user chose, logged; true when it can be read.
    bool CheckChosenFile(const std::string& path);
    // Starts `run` on the worker with hooks that reach the listeners; `busy` sees the port
    // being taken and given back, `completed` (soft upgrade) a unit done. `finished` runs on
    // the worker thread once `run` has returned.
    using Run = std::function<UpgradeResult(std::stop_token, const UpgradeHooks&)>;
    // `title` starts the summary line that ends the log of a run that was not stopped.
    bool StartRun(Run run, std::function<void(bool busy)> busy,
                  std::function<bool(std::uint16_t)> completed, std::function<void()> finished,
                  std::string title);
    // "&Program" while the worker runs: it stops at its next wait and writes nothing more, so
    // " cancelled." lands on the line that was in progress.
    void Cancel();
    void Notify() { changed_(); }

    const std::string port_name_;
    Clock& clock_;
    UpgradeLog log_;
    SerialPort port_;
    mutable std::mutex mutex_;

  private:
    const Millis cancel_wait_;
    DeviceWorker worker_;
    std::optional<UpgradeResult> last_result_;
    bool verbose_ = false;
    ListenerSlot<> changed_;
    ListenerSlot<std::size_t, std::size_t> progress_;
    ListenerSlot<const std::string&> retry_;
    ListenerSlot<const std::string&> verbose_lines_;
};

}  // namespace skelvane
