#pragma once

#include <QDialog>
#include <memory>
#include <string>

#include "base/clock.h"
#include "operations/hard_upgrade_model.h"
#include "ui/upgrade_widgets.h"

class QCheckBox;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace skelvane {

class LogView;
class TargetLabel;
class PortFactory;
class WorkerPump;
class UpgradeAnimation;

// "Hard Upgrade - Corvantis": the firmware file, "Force to Erase", "&Program" (which reads
// "Cancel" while the unit on the programming cable is being reprogrammed), the log, the
// idle or busy picture and the progress of the firmware frames. A thin view over
// HardUpgradeModel; what its worker changes reaches the widgets on the GUI thread through
// coalesced updates.
class HardUpgradeDialog : public QDialog {
    Q_OBJECT

  public:
    static constexpr const char* kTitle = "Hard Upgrade - Corvantis";

    HardUpgradeDialog(const PortFactory& ports, std::string portName, Clock& clock,
                      QWidget* parent = nullptr, const BootImages& images = SuppliedBootImages());
    // Stops a running worker first.
    ~HardUpgradeDialog() override;

    HardUpgradeModel& model() { return *model_; }

    // The block the dialog was opened for: its name follows the caption and heads the line
    // above the controls.
    void setBlockName(const QString& name);
    // What "&Browse ..." does once its file dialog has a name.
    void chooseFirmwareFile(const QString& path);

    TargetLabel* target() const { return target_; }
    QLineEdit* fileEdit() const { return fileEdit_; }
    QCheckBox* forceErase() const { return force_; }
    QPushButton* programButton() const { return program_; }
    QPushButton* clearLogButton() const { return clearLog_; }
    LogView* log() const { return log_; }
    UpgradeAnimation* animation() const { return animation_; }
    QProgressBar* progress() const { return progress_; }

    void done(int result) override;

  private:
    void readControls();
    void refresh();
    void program();

    std::unique_ptr<HardUpgradeModel> model_;
    WorkerPump* pump_;
    ProgressFeed feed_;

    TargetLabel* target_;
    QLineEdit* fileEdit_;
    QPushButton* browse_;
    QCheckBox* force_;
    QPushButton* program_;
    LogView* log_;
    QPushButton* clearLog_;
    UpgradeAnimation* animation_;
    QProgressBar* progress_;
};

}  // namespace skelvane
