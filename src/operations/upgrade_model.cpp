#include "operations/upgrade_model.h"

#include <filesystem>

#include "upgrade/firmware_file.h"

namespace skelvane {

UpgradeModel::UpgradeModel(const PortFactory& ports, std::string portName, Clock& clock,
                           Millis cancelWait)
    : port_name_(std::move(portName)),
      clock_(clock),
      log_(clock),
      port_(ports),
      cancel_wait_(cancelWait) {}

void UpgradeModel::Shutdown() {
    Close();
    worker_.Wait();
}

std::optional<UpgradeResult> UpgradeModel::LastResult() const {
    std::lock_guard lock(mutex_);
    return last_result_;
}

void UpgradeModel::SetVerboseListener(std::function<void(const std::string&)> listener) {
    {
        std::lock_guard lock(mutex_);
        verbose_ = static_cast<bool>(listener);
    }
    verbose_lines_.Set(std::move(listener));
}

bool UpgradeModel::CheckChosenFile(const std::string& path) {
    std::error_code error;
    if (!path.empty() && std::filesystem::exists(path, error) &&
        !std::filesystem::is_regular_file(path, error)) {
        // A pipe or a device is not even opened: its open or read could wait for ever.
        log_.Log(FirmwareFileRefusal(FirmwareFile{FirmwareFile::Status::NotRegular, {}}, path, 0));
        return false;
    }
    const bool readable = CanReadFile(path);
    log_.Log(readable ? "Selected file: " : "Couldn't access file ");
    log_.Append(path);
    return readable;
}

bool UpgradeModel::StartRun(Run run, std::function<void(bool)> busy,
                            std::function<bool(std::uint16_t)> completed,
                            std::function<void()> finished, std::string title) {
    UpgradeHooks hooks;
    hooks.busy = std::move(busy);
    hooks.completed = std::move(completed);
    hooks.progress = [this](std::size_t done, std::size_t total) { progress_(done, total); };
    hooks.retry = [this](const std::string& text) { retry_(text); };
    {
        std::lock_guard lock(mutex_);
        if (verbose_) {
            hooks.verbose = [this](const std::string& text) { verbose_lines_(text); };
        }
    }
    return worker_.Start(
        [this, run = std::move(run), hooks, title = std::move(title)](std::stop_token stop) {
            log_.BeginOperation();
            const UpgradeResult result = run(stop, hooks);
            if (result != UpgradeResult::Stopped) {
                log_.EndOperation(title, result == UpgradeResult::Failed);
            }
            std::lock_guard lock(mutex_);
            last_result_ = result;
        },
        std::move(finished));
}

void UpgradeModel::Cancel() {
    const bool ended = worker_.Finish(cancel_wait_);
    log_.Append(" cancelled.");
    if (ended && port_.IsOpen()) {
        port_.Close();
    }
}

void UpgradeModel::ClearLog() {
    log_.Clear();
    Notify();
}

void UpgradeModel::Close() {
    if (worker_.Running()) {
        worker_.Finish(kCloseWait);
    }
}

}  // namespace skelvane
