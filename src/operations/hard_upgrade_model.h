#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "base/clock.h"
#include "link/device_worker.h"
#include "link/serial_port.h"
#include "upgrade/boot_images.h"
#include "upgrade/hard_upgrade.h"
#include "upgrade/upgrade_log.h"

namespace skelvane {

enum class HardUpgradePicture { Idle, Busy };

// The values of the dialog's edit box and check box.
struct HardUpgradeFields {
    std::string fileName;
    bool forceErase = false;
};

// What the dialog shows apart from the log.
struct HardUpgradeView {
    bool programEnabled = false;
    std::string programText = "Program";  // "Cancel" while the worker runs
    HardUpgradePicture picture = HardUpgradePicture::Idle;
};

// The hard-upgrade dialog without its window: fields, buttons, the log and the worker. The
// window copies its controls in with SetFields before a command and shows View() and the log
// after every change (the listener says when, from whichever thread made it).
class HardUpgradeModel {
  public:
    HardUpgradeModel(const PortFactory& ports, std::string portName, Clock& clock,
                     const BootImages& images = SuppliedBootImages());
    ~HardUpgradeModel();
    HardUpgradeModel(const HardUpgradeModel&) = delete;
    HardUpgradeModel& operator=(const HardUpgradeModel&) = delete;

    void SetFields(const HardUpgradeFields& fields);
    HardUpgradeFields Fields() const;

    // "&Browse ...": the firmware file the user chose.
    void BrowseFile(const std::string& path);
    // "&Program": starts the worker; while it runs, cancels it. True when a worker started.
    bool Program();
    // "&Clear Log".
    void ClearLog();
    // Closing the dialog: a running worker is stopped, waiting at most one second.
    void Close();

    HardUpgradeView View() const;
    UpgradeLog& Log() { return log_; }
    bool WorkerRunning() const { return worker_.Running(); }
    void WaitForWorker() { worker_.Wait(); }
    std::optional<UpgradeResult> LastResult() const;

    void SetListener(std::function<void()> listener);
    // Firmware frames acknowledged, of the total.
    void SetProgressListener(std::function<void(std::size_t, std::size_t)> listener);

    static constexpr Millis kCancelWait{2000};
    static constexpr Millis kCloseWait{1000};

  private:
    void Cancel();
    void Notify();

    const std::string port_name_;
    Clock& clock_;
    const BootImages images_;
    UpgradeLog log_;
    SerialPort port_;
    DeviceWorker worker_;

    mutable std::mutex mutex_;
    HardUpgradeFields fields_;
    HardUpgradeView view_;
    std::optional<UpgradeResult> last_result_;
    std::function<void()> listener_;
    std::function<void(std::size_t, std::size_t)> progress_;
};

}  // namespace skelvane
