#include "operations/hard_upgrade_model.h"

namespace skelvane {

HardUpgradeModel::HardUpgradeModel(const PortFactory& ports, std::string portName, Clock& clock,
                                   const BootImages& images)
    : UpgradeModel(ports, std::move(portName), clock, kCancelWait), images_(images) {}

HardUpgradeModel::~HardUpgradeModel() {
    Shutdown();
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

void HardUpgradeModel::BrowseFile(const std::string& path) {
    const bool readable = CheckChosenFile(path);
    {
        std::lock_guard lock(mutex_);
        fields_.fileName = path;
        view_.programEnabled = readable;
    }
    Notify();
}

bool HardUpgradeModel::Program() {
    if (WorkerRunning()) {
        Cancel();
        {
            std::lock_guard lock(mutex_);
            view_.programText = "Program";
            view_.picture = HardUpgradePicture::Idle;
        }
        Notify();
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
    const auto busy = [this](bool busy) {
        {
            std::lock_guard lock(mutex_);
            view_.programText = busy ? "Cancel" : "Program";
            view_.picture = busy ? HardUpgradePicture::Busy : HardUpgradePicture::Idle;
        }
        Notify();
    };
    const auto run = [this, job](std::stop_token stop, const UpgradeHooks& hooks) {
        return HardUpgrade(port_, log_, clock_, images_).Run(job, std::move(stop), hooks);
    };
    const auto finished = [this] {
        {
            std::lock_guard lock(mutex_);
            view_.programEnabled = true;
        }
        Notify();
    };
    return StartRun(run, busy, {}, finished, "Hard upgrade of the unit on the cable");
}

}  // namespace skelvane
