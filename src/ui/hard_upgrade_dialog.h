#pragma once

#include <string>

#include "base/clock.h"
#include "operations/hard_upgrade_model.h"
#include "ui/upgrade_dialog.h"

class QCheckBox;

namespace skelvane {

class PortFactory;

// "Hard Upgrade - Corvantis": the firmware file, "Force to Erase", "&Program" (which reads
// "Cancel" while the unit on the programming cable is being reprogrammed), the log, the
// idle or busy picture and the progress of the firmware frames. A thin view over
// HardUpgradeModel.
class HardUpgradeDialog : public UpgradeDialog {
    Q_OBJECT

  public:
    static constexpr const char* kTitle = "Hard Upgrade - Corvantis";

    HardUpgradeDialog(const PortFactory& ports, std::string portName, Clock& clock,
                      QWidget* parent = nullptr, const BootImages& images = SuppliedBootImages());

    HardUpgradeModel& model() { return model_; }

    QCheckBox* forceErase() const { return force_; }

  private:
    void readControls() override;
    void refresh() override;
    void browseFile(const std::string& path) override { model_.BrowseFile(path); }
    void programModel() override { model_.Program(); }

    HardUpgradeModel& model_;
    QCheckBox* force_;
};

}  // namespace skelvane
