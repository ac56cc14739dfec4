#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "base/clock.h"
#include "base/prompter.h"
#include "link/device_worker.h"
#include "link/serial_port.h"
#include "upgrade/schedule_table.h"
#include "upgrade/soft_upgrade.h"
#include "upgrade/upgrade_log.h"

namespace skelvane {

// Which of the soft-upgrade dialog's four pictures shows: local for unit addresses 0 and 1.
enum class SoftUpgradePicture { IdleLocal, IdleRemote, BusyLocal, BusyRemote };

// The values of the dialog's edit boxes and check box.
struct SoftUpgradeFields {
    std::string fileName;
    std::string retries = "100";
    bool crcVerify = true;
    std::string uaList;
    std::string logFileName;
};

// The four date and time pickers of the schedule, as plain values. A start or end instant
// takes its date (and its seconds and milliseconds) from the date picker and its hour and
// minute from the time picker.
struct SchedulePickers {
    LocalTime startDate;
    LocalTime startTime;
    LocalTime endDate;
    LocalTime endTime;
};

// What the dialog shows apart from the log.
struct SoftUpgradeView {
    bool programEnabled = false;
    std::string programText = "Program";  // "Cancel" while a worker runs
    bool startEnabled = false;
    bool stopEnabled = false;
    SoftUpgradePicture picture = SoftUpgradePicture::IdleLocal;
    bool armed = false;   // a schedule has been accepted and not yet ended
    bool active = false;  // its start minute has come: units are being upgraded
    std::uint16_t unitAddress = 0;
};

// The soft-upgrade dialog without its window: fields, buttons, the one-second schedule tick,
// the log, and the worker that upgrades one unit at a time. The window copies its controls
// in with SetFields/SetPickers before each command and shows View() and the log after every
// change (the listener says when, from whichever thread made it).
class SoftUpgradeModel {
  public:
    // `unitAddress`: the selected block's "UnitAddress" (0 when it has none). `schedule` is the
    // program's one table; `prompter` shows the refusals of "&Start".
    SoftUpgradeModel(const PortFactory& ports, std::string portName, std::uint16_t unitAddress,
                     ScheduleTable& schedule, Clock& clock, Prompter& prompter);
    ~SoftUpgradeModel();
    SoftUpgradeModel(const SoftUpgradeModel&) = delete;
    SoftUpgradeModel& operator=(const SoftUpgradeModel&) = delete;

    void SetFields(const SoftUpgradeFields& fields);
    SoftUpgradeFields Fields() const;
    void SetPickers(const SchedulePickers& pickers);
    // The unit the next "&Program" upgrades (the schedule sets it for each of its units).
    void SetUnitAddress(std::uint16_t ua);

    // "&Browse ...": the firmware file the user chose.
    void BrowseFile(const std::string& path);
    // "B&rowse ..." of the log file: the path the user chose (the file is created empty).
    void BrowseLogFile(const std::string& path);
    // "&Program": upgrades the current unit address; while a worker runs, cancels it.
    // Returns true when a worker was started.
    bool Program();
    // "&Start": checks the UA list and the times and arms the schedule. True when armed.
    bool Start();
    // "&Stop": disarms; a running worker goes on to its end.
    void Stop();
    // The one-second timer.
    void Tick();
    // "&Clear Log".
    void ClearLog();
    // Closing the dialog: a running worker is stopped, waiting at most one second.
    void Close();

    SoftUpgradeView View() const;
    UpgradeLog& Log() { return log_; }
    bool WorkerRunning() const { return worker_.Running(); }
    // Waits until the running worker (if any) has ended.
    void WaitForWorker() { worker_.Wait(); }
    // How the last worker ended; nullopt before the first one ended.
    std::optional<UpgradeResult> LastResult() const;

    // Called after every change of the view.
    void SetListener(std::function<void()> listener);
    // Image blocks acknowledged, of the total, as a worker sends them.
    void SetProgressListener(std::function<void(std::size_t, std::size_t)> listener);

    // Waiting bounds of Cancel and Close.
    static constexpr Millis kCancelWait{4000};
    static constexpr Millis kCloseWait{1000};

  private:
    void StartWorker();
    void Cancel();
    void Notify();
    std::int64_t Minute(const LocalTime& date, const LocalTime& time) const;

    const std::string port_name_;
    ScheduleTable& schedule_;
    Clock& clock_;
    Prompter& prompter_;
    UpgradeLog log_;
    SerialPort port_;
    DeviceWorker worker_;

    mutable std::mutex mutex_;
    SoftUpgradeFields fields_;
    SchedulePickers pickers_;
    SoftUpgradeView view_;
    bool busy_ = false;
    std::optional<UpgradeResult> last_result_;
    std::function<void()> listener_;
    std::function<void(std::size_t, std::size_t)> progress_;
};

}  // namespace skelvane
