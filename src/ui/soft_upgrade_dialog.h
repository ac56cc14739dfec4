#pragma once

#include <QTimer>
#include <cstdint>
#include <memory>
#include <string>

#include "base/clock.h"
#include "base/prompter.h"
#include "operations/soft_upgrade_model.h"
#include "ui/upgrade_dialog.h"
#include "upgrade/schedule_table.h"

class QCheckBox;
class QDateEdit;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTimeEdit;

namespace skelvane {

class PortFactory;

// "Soft Upgrade - Corvantis": the firmware file, retries and CRC check, "&Program" for the
// current unit, the schedule of a list of units within a time window, the log (and its
// file), a picture of what is going on and the transfer's progress. A thin view over
// SoftUpgradeModel: the controls are copied into the model before every command and every
// tick.
class SoftUpgradeDialog : public UpgradeDialog {
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
    // Stops the schedule's timer first.
    ~SoftUpgradeDialog() override;

    SoftUpgradeModel& model() { return model_; }

    // What "B&rowse ..." does once its file dialog has a name.
    void chooseLogFile(const QString& path);
    // The one-second timer's work (tests call it to step the schedule).
    void tick();

    QLineEdit* retriesEdit() const { return retriesEdit_; }
    QCheckBox* crcCheck() const { return crcCheck_; }
    QPushButton* startButton() const { return start_; }
    QPushButton* stopButton() const { return stop_; }
    QLineEdit* uaEdit() const { return uaEdit_; }
    QDateEdit* startDate() const { return startDate_; }
    QTimeEdit* startTime() const { return startTime_; }
    QDateEdit* endDate() const { return endDate_; }
    QTimeEdit* endTime() const { return endTime_; }
    QLineEdit* logFileEdit() const { return logFileEdit_; }
    const QTimer& timer() const { return timer_; }

    void done(int result) override;

  private:
    void build();
    void readControls() override;
    void refresh() override;
    void browseFile(const std::string& path) override { model_.BrowseFile(path); }
    void programModel() override { model_.Program(); }
    void browseLogFile();

    Clock& clock_;
    SoftUpgradeModel& model_;
    QTimer timer_;

    QLineEdit* retriesEdit_ = nullptr;
    QCheckBox* crcCheck_ = nullptr;
    QGroupBox* schedule_ = nullptr;
    QDateEdit* startDate_ = nullptr;
    QTimeEdit* startTime_ = nullptr;
    QDateEdit* endDate_ = nullptr;
    QTimeEdit* endTime_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* stop_ = nullptr;
    QLineEdit* uaEdit_ = nullptr;
    QLineEdit* logFileEdit_ = nullptr;
    QPushButton* logBrowse_ = nullptr;
};

}  // namespace skelvane
