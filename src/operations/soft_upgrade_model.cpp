#include "operations/soft_upgrade_model.h"

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
    : port_name_(std::move(portName)),
      schedule_(schedule),
      clock_(clock),
      prompter_(prompter),
      log_(clock),
      port_(ports) {
    view_.unitAddress = unitAddress;
}

SoftUpgradeModel::~SoftUpgradeModel() {
    Close();
    worker_.Wait();
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
        view_.unitAddress = ua;
    }
    Notify();
}

SoftUpgradeView SoftUpgradeModel::View() const {
    std::lock_guard lock(mutex_);
    SoftUpgradeView view = view_;
    const bool local = view.unitAddress == 0 || view.unitAddress == 1;
    view.picture = busy_ ? (local ? SoftUpgradePicture::BusyLocal : SoftUpgradePicture::BusyRemote)
                         : (local ? SoftUpgradePicture::IdleLocal : SoftUpgradePicture::IdleRemote);
    return view;
}

std::optional<UpgradeResult> SoftUpgradeModel::LastResult() const {
    std::lock_guard lock(mutex_);
    return last_result_;
}

void SoftUpgradeModel::SetListener(std::function<void()> listener) {
    std::lock_guard lock(mutex_);
    listener_ = std::move(listener);
}

void SoftUpgradeModel::SetProgressListener(std::function<void(std::size_t, std::size_t)> listener) {
    std::lock_guard lock(mutex_);
    progress_ = std::move(listener);
}

void SoftUpgradeModel::Notify() {
    std::function<void()> listener;
    {
        std::lock_guard lock(mutex_);
        listener = listener_;
    }
    if (listener) {
        listener();
    }
}

void SoftUpgradeModel::BrowseFile(const std::string& path) {
    const bool readable = CanReadFile(path);
    {
        std::lock_guard lock(mutex_);
        fields_.fileName = path;
        view_.programEnabled = readable;
        view_.startEnabled = readable;
    }
    log_.Log(readable ? "Selected file: " : "Couldn't access file ");
    log_.Append(path);
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
    {
        // A disabled button does nothing (while a schedule runs, for instance).
        std::lock_guard lock(mutex_);
        if (!view_.programEnabled) {
            return false;
        }
    }
    if (worker_.Running()) {
        Cancel();
        return false;
    }
    StartWorker();
    return true;
}

void SoftUpgradeModel::StartWorker() {
    SoftUpgradeJob job;
    {
        std::lock_guard lock(mutex_);
        job.portName = port_name_;
        job.unitAddress = view_.unitAddress;
        job.fileName = fields_.fileName;
        job.retries = fields_.retries;
        job.crcVerify = fields_.crcVerify;
    }
    SoftUpgradeHooks hooks;
    hooks.busy = [this](bool busy) {
        {
            std::lock_guard lock(mutex_);
            busy_ = busy;
            view_.programText = busy ? "Cancel" : "Program";
        }
        Notify();
    };
    hooks.completed = [this](std::uint16_t ua) {
        {
            std::lock_guard lock(mutex_);
            if (!view_.armed) {
                return false;
            }
        }
        schedule_.MarkDone(ua);
        return true;
    };
    hooks.progress = [this](std::size_t done, std::size_t total) {
        std::function<void(std::size_t, std::size_t)> progress;
        {
            std::lock_guard lock(mutex_);
            progress = progress_;
        }
        if (progress) {
            progress(done, total);
        }
    };
    const bool started = worker_.Start(
        [this, job, hooks](std::stop_token stop) {
            SoftUpgrade upgrade(port_, log_, clock_);
            const UpgradeResult result = upgrade.Run(job, stop, hooks);
            std::lock_guard lock(mutex_);
            last_result_ = result;
        },
        [this] {
            {
                std::lock_guard lock(mutex_);
                view_.programEnabled = true;
            }
            Notify();
        });
    if (started) {
        Notify();
    }
}

void SoftUpgradeModel::Cancel() {
    // The worker stops at its next wait and writes nothing more, so " cancelled." lands on
    // the line that was in progress.
    const bool ended = worker_.Finish(kCancelWait);
    log_.Append(" cancelled.");
    if (ended && port_.IsOpen()) {
        port_.Close();
    }
    {
        std::lock_guard lock(mutex_);
        busy_ = false;
        view_.programText = "Program";
    }
    Notify();
}

bool SoftUpgradeModel::Start() {
    SoftUpgradeFields fields;
    SchedulePickers pickers;
    {
        std::lock_guard lock(mutex_);
        view_.armed = false;
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
        view_.startEnabled = false;
        view_.stopEnabled = true;
        view_.programEnabled = false;
    }
    const bool readable = CanReadFile(fields.fileName);
    const bool tooLarge = readable && SoftUpgradeFileTooLarge(fields.fileName);
    if (!readable || tooLarge) {
        // A file the worker would refuse for every unit is refused once, here.
        if (tooLarge) {
            log_.Log("The file " + fields.fileName +
                     " is larger than 262144 bytes (2048 blocks of 128): not scheduled.");
        } else {
            log_.Log("Couldn't access file ");
            log_.Append(fields.fileName);
        }
        {
            std::lock_guard lock(mutex_);
            view_.startEnabled = true;
            view_.stopEnabled = false;
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
        view_.armed = true;
    }
    Notify();
    return true;
}

void SoftUpgradeModel::Stop() {
    {
        std::lock_guard lock(mutex_);
        view_.armed = false;
        view_.active = false;
        view_.startEnabled = true;
        view_.programEnabled = true;
        view_.stopEnabled = false;
    }
    Notify();
}

std::int64_t SoftUpgradeModel::Minute(const LocalTime& date, const LocalTime& time) const {
    return ToEpochMillis(LocalTime{date.year, date.month, date.day, time.hour, time.minute, 0, 0}) /
           60000;
}

void SoftUpgradeModel::Tick() {
    bool startNext = false;
    bool finished = false;
    {
        std::lock_guard lock(mutex_);
        if (view_.armed) {
            const LocalTime local = clock_.LocalNow();
            const std::int64_t now = Minute(local, local);
            if (view_.active) {
                view_.programEnabled = false;
            }
            // The window opens in its start minute and closes in its end minute. A tick that
            // comes late (a busy or suspended machine) still finds the window open or closed
            // instead of missing its minute.
            if (now >= Minute(pickers_.startDate, pickers_.startTime)) {
                view_.stopEnabled = true;
                view_.active = true;
            }
            if (now >= Minute(pickers_.endDate, pickers_.endTime)) {
                view_.armed = false;
                view_.active = false;
                view_.startEnabled = true;
                view_.programEnabled = true;
                view_.stopEnabled = false;
            }
        }
        if (view_.active && !worker_.Running()) {
            view_.unitAddress = 0xFFFF;
            if (const std::optional<std::uint16_t> next = schedule_.FirstPending()) {
                view_.unitAddress = *next;
                startNext = true;
            } else {
                view_.armed = false;
                view_.active = false;
                view_.startEnabled = true;
                view_.programEnabled = true;
                view_.stopEnabled = false;
                finished = true;
            }
        }
    }
    if (startNext) {
        StartWorker();
    }
    if (finished) {
        log_.Log(" ");
        log_.Log("Scheduled upgrade completed!");
    }
    Notify();
}

void SoftUpgradeModel::ClearLog() {
    log_.Clear();
    Notify();
}

void SoftUpgradeModel::Close() {
    if (worker_.Running()) {
        worker_.Finish(kCloseWait);
    }
}

}  // namespace skelvane
