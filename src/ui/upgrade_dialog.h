#pragma once

#include <QDialog>
#include <memory>
#include <string>

#include "ui/icons.h"
#include "ui/upgrade_animation.h"
#include "ui/upgrade_widgets.h"

class QHBoxLayout;
class QLayout;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace skelvane {

class LogView;
class TargetLabel;
class UpgradeModel;
class WorkerPump;

// What the two upgrade dialogs share: the line naming the unit, the firmware file and its
// "&Browse ...", "&Program" (which reads "Cancel" while the worker runs), the picture, the
// progress of the transfer, the log with "&Clear Log", and the wiring that brings the worker's
// news to the widgets on the GUI thread. Closing the dialog stops a running worker; the
// dialog goes only once the worker has ended.
class UpgradeDialog : public QDialog {
    Q_OBJECT

  public:
    ~UpgradeDialog() override;

    // The block the dialog was opened for: its name follows the caption and heads the line
    // above the controls.
    void setBlockName(const QString& name);
    // What "&Browse ..." does once its file dialog has a name.
    void chooseFirmwareFile(const QString& path);

    TargetLabel* target() const { return target_; }
    QLineEdit* fileEdit() const { return fileEdit_; }
    QPushButton* programButton() const { return program_; }
    QPushButton* clearLogButton() const { return clearLog_; }
    LogView* log() const { return log_; }
    UpgradeAnimation* animation() const { return animation_; }
    QProgressBar* progress() const { return progress_; }

    void done(int result) override;

  protected:
    UpgradeDialog(std::unique_ptr<UpgradeModel> model, const char* caption, CommandIcon icon,
                  UpgradePicture picture, QWidget* parent);

    // The model the dialog was made with, for the derived dialog to keep as its own type.
    UpgradeModel& upgradeModel() { return *model_; }
    // Puts the widgets in place: the line naming the unit, `controls` beside the picture, the
    // progress, the log and `bottom` (to which "&Clear Log" and the log's own buttons are added).
    void layOut(QLayout* controls, QHBoxLayout* bottom);
    // Starts listening to the model: the derived dialog calls it once its widgets are built.
    void listen();
    // What every refresh shows of the model's view.
    void showState(bool programEnabled, const std::string& programText, UpgradePicture picture);

    // Copies the controls into the model.
    virtual void readControls() = 0;
    // Shows the model's state.
    virtual void refresh() = 0;
    // The model's "&Browse ..." and "&Program".
    virtual void browseFile(const std::string& path) = 0;
    virtual void programModel() = 0;

    TargetLabel* target_;
    QLineEdit* fileEdit_;
    QPushButton* browse_;
    QPushButton* program_;
    LogView* log_;
    QPushButton* clearLog_;
    UpgradeAnimation* animation_;
    QProgressBar* progress_;

  private:
    void program();

    std::unique_ptr<UpgradeModel> model_;
    WorkerPump* pump_;
    ProgressFeed feed_;
};

}  // namespace skelvane
