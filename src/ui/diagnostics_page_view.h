#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "operations/diagnostics_page_model.h"
#include "ui/property_page.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace skelvane {

class Block;
class Clock;
class CurrentRemoteUa;
class DiagPlot;
class LogView;
class PortFactory;
class Prompter;
class WorkerPump;

// The "Diagnostics" page: the diagnostic values, Local/Remote, "&Read" with "&Poll" and
// "&Stop", the custom parameter (size, the ids MSB to LSB, value) with "&Get" and "&Set", the
// log, and a live chart of RSSI and temperature while polling. A thin view over a
// DiagnosticsPageModel; the worker's results reach the widgets through a WorkerPump.
class DiagnosticsPageView : public LinkedPropertyPage<DiagnosticsPageModel> {
    Q_OBJECT

  public:
    DiagnosticsPageView(Block& block, const PortFactory& ports, const std::string& portName,
                        CurrentRemoteUa& remoteUa, Prompter& prompter, Clock& clock,
                        QWidget* parent = nullptr);
    ~DiagnosticsPageView() override;

    void activate() override;
    void leave() override;

    QTableWidget* values() const { return values_; }
    DiagPlot* plot() const { return plot_; }
    QPushButton* readButton() const { return read_; }
    QCheckBox* pollBox() const { return poll_; }
    QPushButton* stopButton() const { return stop_; }
    QPushButton* getButton() const { return get_; }
    QPushButton* setButton() const { return set_; }
    QLineEdit* sizeEdit() const { return fields_[0]; }
    // id1 (least significant, rightmost) to id4 (most significant, leftmost).
    QLineEdit* idEdit(int k) const { return fields_.at(static_cast<std::size_t>(1 + k)); }
    QLineEdit* valueEdit() const { return fields_[5]; }

  private:
    // What the worker's passes were, for the chart: written on the worker thread.
    struct PassNews {
        std::atomic<std::uint64_t> readPasses{0};
    };

    // Hands the controls as they stand to the model (which reads them on a start or a leave).
    void pushControls();
    void start(bool (DiagnosticsPageModel::*button)());
    void updateFromWorker() override;
    void showValues();
    void updateButtons();
    void takeSample();

    Block& block_;
    Clock& clock_;
    std::shared_ptr<PassNews> news_ = std::make_shared<PassNews>();
    std::uint64_t sampledPasses_ = 0;
    QTableWidget* values_ = nullptr;
    DiagPlot* plot_ = nullptr;
    QPushButton* read_ = nullptr;
    QCheckBox* poll_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* get_ = nullptr;
    QPushButton* set_ = nullptr;
    // Size, id1 .. id4, value: the order a start reads them in.
    std::array<QLineEdit*, 6> fields_{};
};

}  // namespace skelvane
