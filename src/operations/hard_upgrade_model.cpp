#include "operations/hard_upgrade_model.h"

#include "upgrade/firmware_file.h"

namespace skelvane {

HardUpgradeModel::HardUpgradeModel(const PortFactory& ports, std::string portName, Clock& clock,
                                   const BootImages& images)
    : port_name_(std::move(portName)), clock_(clock), images_(images), log_(clock), port_(ports) {}

HardUpgradeModel::~HardUpgradeModel() {
    Close();
    worker_.Wait();
}

void HardUpgradeModel::SetFields(const HardUpgradeFields& fields) {
    std::lock_guard lock(mutex_);
    fields_ = fields;
}

HardUpgradeFields HardUpgradeModel::Fields() const {
    std::lock_guard lock(mutex_);
    return fields_;
}

HardUpgradeView HardUpgradeModel::View() const {
    std::lock_guard lock(mutex_);
    return view_;
}

std::optional<UpgradeResult> HardUpgradeModel::LastResult() const {
    std::lock_guard lock(mutex_);
    return last_result_;
}

void HardUpgradeModel::SetListener(std::function<void()> listener) {
    std::lock_guard lock(mutex_);
    listener_ = std::move(listener);
}

void HardUpgradeModel::SetProgressListener(std::function<void(std::size_t, std::size_t)> listener) {
    std::lock_guard lock(mutex_);
    progress_ = std::move(listener);
}

void HardUpgradeModel::Notify() {
    std::function<void()> listener;
    {
        std::lock_guard lock(mutex_);
        listener = listener_;
    }
    if (listener) {
        listener();
    }
}

void HardUpgradeModel::BrowseFile(const std::string& path) {
    const bool readable = CanReadFile(path);
    {
        std::lock_guard lock(mutex_);
        fields_.fileName = path;
        view_.programEnabled = readable;
    }
    log_.Log(readable ? "Selected file: " : "Couldn't access file ");
    log_.Append(path);
    Notify();
}

bool HardUpgradeModel::Program() {
    if (worker_.Running()) {
        Cancel();
        return false;
    }
    HardUpgradeJob job;
    {
        std::lock_guard lock(mutex_);
        if (!view_.programEnabled) {
            return false;
        }
        job.portName = port_name_;
        job.fileName = fields_.fileName;
        job.forceErase = fields_.forceErase;
    }
    HardUpgradeHooks hooks;
    hooks.busy = [this](bool busy) {
        {
            std::lock_guard lock(mutex_);
            view_.programText = busy ? "Cancel" : "Program";
            view_.picture = busy ? HardUpgradePicture::Busy : HardUpgradePicture::Idle;
        }
        Notify();
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
            HardUpgrade upgrade(port_, log_, clock_, images_);
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
    return started;
}

void HardUpgradeModel::Cancel() {
    // The worker stops at its next wait and writes nothing more, so " cancelled." lands on
    // the line that was in progress.
    const bool ended = worker_.Finish(kCancelWait);
    log_.Append(" cancelled.");
    if (ended && port_.IsOpen()) {
        port_.Close();
    }
    {
        std::lock_guard lock(mutex_);
        view_.programText = "Program";
        view_.picture = HardUpgradePicture::Idle;
    }
    Notify();
}

void HardUpgradeModel::ClearLog() {
    log_.Clear();
    Notify();
}

void HardUpgradeModel::Close() {
    if (worker_.Running()) {
        worker_.Finish(kCloseWait);
    }
}

}  // namespace skelvane
