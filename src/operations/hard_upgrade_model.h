#pragma once

#include <string>

#include "base/clock.h"
#include "operations/upgrade_model.h"
#include "upgrade/boot_images.h"
#include "upgrade/hard_upgrade.h"

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
// after every change.
class HardUpgradeModel final : public UpgradeModel {
  public:
    HardUpgradeModel(const PortFactory& ports, std::string portName, Clock& clock,
                     const BootImages& images = SuppliedBootImages());
    ~HardUpgradeModel() override;

    void SetFields(const HardUpgradeFields& fields);
    HardUpgradeFields Fields() const;

    // "&Browse ...": the firmware file the user chose.
    void BrowseFile(const std::string& path);
    // "&Program": starts the worker; while it runs, cancels it. True when a worker started.
    bool Program();

    HardUpgradeView View() const;

    static constexpr Millis kCancelWait{2000};

  private:
    const BootImages images_;
    HardUpgradeFields fields_;
    HardUpgradeView view_;
};

}  // namespace skelvane
