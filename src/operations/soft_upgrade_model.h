#pragma once

#include <cstdint>
#include <string>

#include "base/clock.h"
#include "base/prompter.h"
#include "operations/upgrade_model.h"
#include "upgrade/schedule_table.h"
#include "upgrade/soft_upgrade.h"

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
    // When not empty, the version a unit must report after its upgrade (the command line's
    // --expect-version).
    std::string expectVersion;
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
    // The unit being upgraded, or the next one: the block's unit unless a schedule runs.
    std::uint16_t unitAddress = 0;
};

// The soft-upgrade dialog without its window: fields, buttons, the one-second schedule tick,
// the log, and the worker that upgrades one unit at a time. The window copies its controls
// in with SetFields/SetPickers before each command and shows View() and the log after every
// change.
class SoftUpgradeModel final : public UpgradeModel {
  public:
    // `unitAddress`: the selected block's "UnitAddress" (0 when it has none), the unit
    // "&Program" upgrades. `schedule` is the program's one table; `prompter` shows the
    // refusals of "&Start".
    SoftUpgradeModel(const PortFactory& ports, std::string portName, std::uint16_t unitAddress,
                     ScheduleTable& schedule, Clock& clock, Prompter& prompter);
    ~SoftUpgradeModel() override;

    void SetFields(const SoftUpgradeFields& fields);
    SoftUpgradeFields Fields() const;
    void SetPickers(const SchedulePickers& pickers);
    // The unit "&Program" upgrades from now on (the command line's list of units).
    void SetUnitAddress(std::uint16_t ua);

    // "&Browse ...": the firmware file the user chose.
    void BrowseFile(const std::string& path);
    // "B&rowse ..." of the log file: the path the user chose (the file is created empty).
    void BrowseLogFile(const std::string& path);
    // "&Program": upgrades the block's unit; while a worker runs, cancels it. Disabled while
    // a schedule is armed. Returns true when a worker was started.
    bool Program();
    // "&Start": checks the UA list and the times and arms the schedule. True when armed.
    bool Start();
    // "&Stop": disarms; a running worker goes on to its end.
    void Stop();
    // The one-second timer.
    void Tick();

    SoftUpgradeView View() const;

    static constexpr Millis kCancelWait{4000};

  private:
    void StartWorker(std::uint16_t ua);
    // The schedule has ended: the buttons as before it, and the block's unit again.
    void DisarmLocked();
    std::int64_t Minute(const LocalTime& date, const LocalTime& time) const;

    ScheduleTable& schedule_;
    Prompter& prompter_;

    SoftUpgradeFields fields_;
    SchedulePickers pickers_;
    std::uint16_t program_ua_;  // the block's unit
    std::uint16_t unit_;        // the unit of the running or next worker
    bool file_ok_ = false;
    bool start_enabled_ = false;
    bool stop_enabled_ = false;
    bool armed_ = false;
    bool active_ = false;
    bool busy_ = false;
};

}  // namespace skelvane
