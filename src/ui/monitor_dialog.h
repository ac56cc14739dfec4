#pragma once

#include <QDialog>
#include <QWidget>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/clock.h"
#include "operations/monitor_model.h"

class QLabel;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace skelvane {

class LogView;
class PortFactory;
class WorkerPump;

// The RSSI of every monitored unit over time, one coloured line per unit.
class RssiPlot : public QWidget {
    Q_OBJECT

  public:
    explicit RssiPlot(const MonitorModel& model, QWidget* parent = nullptr);
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const MonitorModel& model_;
};

// "Monitor Network": the interval, Start and Stop, the latest values of every unit in a table,
// their RSSI over time and "Export CSV...". A thin view over MonitorModel; modal, so that no
// other dialog uses the port while it polls.
class MonitorDialog : public QDialog {
    Q_OBJECT

  public:
    static constexpr const char* kTitle = "Monitor Network";

    MonitorDialog(const PortFactory& ports, std::string portName, Clock& clock,
                  std::vector<MonitorUnit> units, QWidget* parent = nullptr);
    // Stops the polling first.
    ~MonitorDialog() override;

    MonitorModel& model() { return *model_; }
    QSpinBox* intervalBox() const { return interval_; }
    QPushButton* startButton() const { return start_; }
    QPushButton* stopButton() const { return stop_; }
    QPushButton* exportButton() const { return export_; }
    QTableWidget* table() const { return table_; }
    RssiPlot* plot() const { return plot_; }

    bool start();
    // What "Export CSV..." does once its file dialog has a name; false (with a message) when
    // the file could not be written.
    bool exportTo(const std::filesystem::path& path);

    void done(int result) override;

  private:
    void refresh();

    std::unique_ptr<MonitorModel> model_;
    WorkerPump* pump_;
    QSpinBox* interval_;
    QPushButton* start_;
    QPushButton* stop_;
    QPushButton* export_;
    QLabel* state_;
    QTableWidget* table_;
    RssiPlot* plot_;
    LogView* log_;
};

}  // namespace skelvane
