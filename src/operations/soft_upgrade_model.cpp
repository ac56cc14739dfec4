#include "operations/soft_upgrade_model.h"

#include "base/format.h"
#include "upgrade/crc16.h"
#include "upgrade/firmware_file.h"

namespace skelvane {
namespace {

constexpr std::string_view kErrorCaption = "Error";
constexpr std::string_view kStartTooEarlyText =
    "Starting time should be no earlier than Current time.";
constexpr std::string_view kEndTooEarlyText = "Enging time should be later than Starting time.";

LocalTime Compose(const LocalTime& date, const LocalTime& time) {
    return LocalTime{date.year,   date.month,  date.day,        time.hour,
                     time.minute, date.second, date.millisecond};
}

}  // namespace

SoftUpgradeModel::SoftUpgradeModel(const PortFactory& ports, std::string portName,
                                   std::uint16_t unitAddress, ScheduleTable& schedule, Clock& clock,
                                   Prompter& prompter)
    : UpgradeModel(ports, std::move(portName), clock, kCancelWait),
      schedule_(schedule),
      prompter_(prompter),
      program_ua_(unitAddress),
      unit_(unitAddress) {}

SoftUpgradeModel::~SoftUpgradeModel() {
    Shutdown();
}

void SoftUpgradeModel::SetFields(const SoftUpgradeFields& fields) {
    {
        std::lock_guard lock(mutex_);
        fields_ = fields;
    }
    log_.SetFileName(fields.logFileName);
}

SoftUpgradeFields SoftUpgradeModel::Fields() const {
    std::lock_guard lock(mutex_);
    return fields_;
}

void SoftUpgradeModel::SetPickers(const SchedulePickers& pickers) {
    std::lock_guard lock(mutex_);
    pickers_ = pickers;
}

void SoftUpgradeModel::SetUnitAddress(std::uint16_t ua) {
    {
        std::lock_guard lock(mutex_);
        program_ua_ = ua;
        if (!armed_ && !WorkerRunning()) {
            unit_ = ua;
        }
    }
    Notify();
}

SoftUpgradeView SoftUpgradeModel::View() const {
    std::lock_guard lock(mutex_);
    SoftUpgradeView view;
    // While a schedule is armed only its own workers run; Cancel is "&Stop" then.
    view.programEnabled = file_ok_ && !armed_;
    view.programText = busy_ ? "Cancel" : "Program";
    view.startEnabled = start_enabled_;
    view.stopEnabled = stop_enabled_;
    view.armed = armed_;
    view.active = active_;
    view.unitAddress = unit_;
    const bool local = unit_ == 0 || unit_ == 1;
    view.picture = busy_ ? (local ? SoftUpgradePicture::BusyLocal : SoftUpgradePicture::BusyRemote)
                         : (local ? SoftUpgradePicture::IdleLocal : SoftUpgradePicture::IdleRemote);
    return view;
}

void SoftUpgradeModel::BrowseFile(const std::string& path) {
    const bool readable = CheckChosenFile(path);
    {
        std::lock_guard lock(mutex_);
        fields_.fileName = path;
        file_ok_ = readable;
        start_enabled_ = readable;
    }
    Notify();
}

void SoftUpgradeModel::BrowseLogFile(const std::string& path) {
    {
        std::lock_guard lock(mutex_);
        fields_.logFileName = path;
    }
    log_.SetFileName(path);
    const bool created = UpgradeLog::CreateFile(path);
    log_.Log(created ? "Log file: " : "Couldn't access file ");
    log_.Append(path);
    Notify();
}

bool SoftUpgradeModel::Program() {
    std::uint16_t ua = 0;
    {
        // A disabled button does nothing (while a schedule is armed, for instance).
        std::lock_guard lock(mutex_);
        if (!file_ok_ || armed_) {
            return false;
        }
        ua = program_ua_;
    }
    if (WorkerRunning()) {
        Cancel();
        {
            std::lock_guard lock(mutex_);
            busy_ = false;
        }
        Notify();
        return false;
    }
    StartWorker(ua);
    return true;
}

void SoftUpgradeModel::StartWorker(std::uint16_t ua) {
    SoftUpgradeJob job;
    {
        std::lock_guard lock(mutex_);
        unit_ = ua;
        job.portName = port_name_;
        job.unitAddress = ua;
        job.fileName = fields_.fileName;
        job.retries = fields_.retries;
        job.crcVerify = fields_.crcVerify;
        job.expectVersion = fields_.expectVersion;
    }
    const auto busy = [this](bool busy) {
        {
            std::lock_guard lock(mutex_);
            busy_ = busy;
        }
        Notify();
    };
    // A unit is done for the schedule only once it has answered with its version.
    const auto completed = [this](std::uint16_t done) {
        {
            std::lock_guard lock(mutex_);
            if (!armed_) {
                return false;
            }
        }
        schedule_.MarkDone(done);
        return true;
    };
    const auto run = [this, job](std::stop_token stop, const UpgradeHooks& hooks) {
        return SoftUpgrade(port_, log_, clock_).Run(job, std::move(stop), hooks);
    };
    const auto finished = [this] {
        {
            std::lock_guard lock(mutex_);
            if (!armed_) {
                unit_ = program_ua_;
            }
        }
        Notify();
    };
    if (StartRun(run, busy, completed, finished,
                 Format("Soft upgrade of unit %u", static_cast<unsigned>(ua)))) {
        Notify();
    }
}

bool SoftUpgradeModel::Start() {
    SoftUpgradeFields fields;
    SchedulePickers pickers;
    {
        std::lock_guard lock(mutex_);
        armed_ = false;
        fields = fields_;
        pickers = pickers_;
    }
    if (!CheckUaList(fields.uaList, schedule_, prompter_)) {
        Notify();
        return false;
    }
    const std::int64_t now = ToEpochMillis(clock_.LocalNow());
    const std::int64_t start = ToEpochMillis(Compose(pickers.startDate, pickers.startTime));
    const std::int64_t end = ToEpochMillis(Compose(pickers.endDate, pickers.endTime));
    if (start < now) {
        prompter_.Message(kStartTooEarlyText, kErrorCaption, MessageIcon::Information);
        Notify();
        return false;
    }
    if (end <= start) {
        prompter_.Message(kEndTooEarlyText, kErrorCaption, MessageIcon::Information);
        Notify();
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        start_enabled_ = false;
        stop_enabled_ = true;
    }
    // A file the worker would refuse for every unit is refused once, here.
    const FirmwareFile file = ReadFirmwareFile(fields.fileName, kImageSize);
    if (file.status != FirmwareFile::Status::Ok) {
        log_.Log(FirmwareFileRefusal(file, fields.fileName, kImageSize));
        if (file.status == FirmwareFile::Status::CannotOpen) {
            log_.Append(fields.fileName);
        }
        {
            std::lock_guard lock(mutex_);
            file_ok_ = false;
            start_enabled_ = true;
            stop_enabled_ = false;
        }
        Notify();
        return false;
    }
    log_.Log("Selected file: ");
    log_.Append(fields.fileName);
    log_.Log(" ");
    log_.Log("Upgrade Scheduled.");
    {
        std::lock_guard lock(mutex_);
        armed_ = true;
    }
    Notify();
    return true;
}

void SoftUpgradeModel::DisarmLocked() {
    armed_ = false;
    active_ = false;
    start_enabled_ = true;
    stop_enabled_ = false;
    if (!WorkerRunning()) {
        unit_ = program_ua_;
    }
}

void SoftUpgradeModel::Stop() {
    {
        std::lock_guard lock(mutex_);
        DisarmLocked();
    }
    Notify();
}

std::int64_t SoftUpgradeModel::Minute(const LocalTime& date, const LocalTime& time) const {
    return ToEpochMillis(LocalTime{date.year, date.month, date.day, time.hour, time.minute, 0, 0}) /
           60000;
}

void SoftUpgradeModel::Tick() {
    std::optional<std::uint16_t> next;
    bool finished = false;
    {
        std::lock_guard lock(mutex_);
        if (armed_) {
            const LocalTime local = clock_.LocalNow();
            const std::int64_t now = Minute(local, local);
            // The window opens in its start minute and closes in its end minute. A tick that
            // comes late (a busy or suspended machine) still finds the window open or closed
            // instead of missing its minute.
            if (now >= Minute(pickers_.startDate, pickers_.startTime)) {
                stop_enabled_ = true;
                active_ = true;
            }
            if (now >= Minute(pickers_.endDate, pickers_.endTime)) {
                DisarmLocked();
            }
        }
        if (active_ && !WorkerRunning()) {
            next = schedule_.FirstPending();
            if (!next) {
                DisarmLocked();
                finished = true;
            }
        }
    }
    if (next) {
        StartWorker(*next);
    }
    if (finished) {
        log_.Log(" ");
        log_.Log("Scheduled upgrade completed!");
    }
    Notify();
}

}  // namespace skelvane
