#pragma once

#include <QDialog>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <string>

#include "base/clock.h"
#include "base/prompter.h"
#include "operations/soft_upgrade_model.h"
#include "ui/upgrade_widgets.h"
#include "upgrade/schedule_table.h"

class QCheckBox;
class QDateEdit;
class QGroupBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimeEdit;

namespace skelvane {

class LogView;
class TargetLabel;
class PortFactory;
class WorkerPump;
class UpgradeAnimation;

// "Soft Upgrade - Corvantis": the firmware file, retries and CRC check, "&Program" for the
// current unit, the schedule of a list of units within a time window, the log (and its
// file), a picture of what is going on and the transfer's progress. A thin view over
// SoftUpgradeModel: the controls are copied into the model before every command and every
// tick, and what the worker changes reaches the widgets on the GUI thread through coalesced
// updates.
class SoftUpgradeDialog : public QDialog {
    Q_OBJECT

  public:
    static constexpr const char* kTitle = "Soft Upgrade - Corvantis";
    // The schedule's timer.
    static constexpr int kTickMs = 1000;

    // `unitAddress`: the selected block's "UnitAddress" (0 when it has none). `schedule` is
    // the program's table; `prompter` shows the refusals of "&Start" (on the GUI thread).
    SoftUpgradeDialog(const PortFactory& ports, std::string portName, std::uint16_t unitAddress,
                      ScheduleTable& schedule, Clock& clock, Prompter& prompter,
                      QWidget* parent = nullptr);
    // Stops a running worker first.
    ~SoftUpgradeDialog() override;

    SoftUpgradeModel& model() { return *model_; }

    // The block the dialog was opened for: its name follows the caption and heads the line
    // that names the unit "&Program" talks to.
    void setBlockName(const QString& name);
    // What "&Browse ..." and "B&rowse ..." do once their file dialogs have a name.
    void chooseFirmwareFile(const QString& path);
    void chooseLogFile(const QString& path);
    // The one-second timer's work (tests call it to step the schedule).
    void tick();

    TargetLabel* target() const { return target_; }
    QLineEdit* fileEdit() const { return fileEdit_; }
    QLineEdit* retriesEdit() const { return retriesEdit_; }
    QCheckBox* crcCheck() const { return crcCheck_; }
    QPushButton* programButton() const { return program_; }
    QPushButton* startButton() const { return start_; }
    QPushButton* stopButton() const { return stop_; }
    QLineEdit* uaEdit() const { return uaEdit_; }
    QDateEdit* startDate() const { return startDate_; }
    QTimeEdit* startTime() const { return startTime_; }
    QDateEdit* endDate() const { return endDate_; }
    QTimeEdit* endTime() const { return endTime_; }
    QLineEdit* logFileEdit() const { return logFileEdit_; }
    QPushButton* clearLogButton() const { return clearLog_; }
    LogView* log() const { return log_; }
    UpgradeAnimation* animation() const { return animation_; }
    QProgressBar* progress() const { return progress_; }
    const QTimer& timer() const { return timer_; }

    void done(int result) override;

  private:
    void build();
    void readControls();
    void refresh();
    void program();
    void browseFirmware();
    void browseLogFile();

    Clock& clock_;
    std::unique_ptr<SoftUpgradeModel> model_;
    WorkerPump* pump_;
    QTimer timer_;

    ProgressFeed feed_;

    TargetLabel* target_ = nullptr;
    QLineEdit* fileEdit_ = nullptr;
    QPushButton* browse_ = nullptr;
    QLineEdit* retriesEdit_ = nullptr;
    QCheckBox* crcCheck_ = nullptr;
    QPushButton* program_ = nullptr;
    QGroupBox* schedule_ = nullptr;
    QDateEdit* startDate_ = nullptr;
    QTimeEdit* startTime_ = nullptr;
    QDateEdit* endDate_ = nullptr;
    QTimeEdit* endTime_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* stop_ = nullptr;
    QLineEdit* uaEdit_ = nullptr;
    LogView* log_ = nullptr;
    QLineEdit* logFileEdit_ = nullptr;
    QPushButton* logBrowse_ = nullptr;
    QPushButton* clearLog_ = nullptr;
    UpgradeAnimation* animation_ = nullptr;
    QProgressBar* progress_ = nullptr;
};

}  // namespace skelvane
