#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace skelvane {

class LogView;

// A dialog that runs a worker: Start and Stop, a progress bar with its text, and the worker's
// log. The buttons and the progress are made here; the dialog lays them out, connects them and
// makes the log over its model's pane.
class RunDialog : public QDialog {
  public:
    QPushButton* startButton() const { return start_; }
    QPushButton* stopButton() const { return stop_; }
    QProgressBar* progress() const { return progress_; }
    QLabel* progressText() const { return progressText_; }
    LogView* log() const { return log_; }

  protected:
    using QDialog::QDialog;

    // Makes Start, Stop, the bar and its text as children of `parent` (none: the layout that
    // takes them adopts them). Where the dialog calls it decides where Start and Stop stand in
    // the focus order.
    void makeRunControls(QWidget* parent);

    QPushButton* start_ = nullptr;
    QPushButton* stop_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* progressText_ = nullptr;
    LogView* log_ = nullptr;
};

}  // namespace skelvane
