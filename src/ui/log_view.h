#pragma once

#include <QAbstractListModel>
#include <QListView>
#include <QStringList>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QGroupBox;
class QPushButton;

namespace skelvane {

class LogPane;

// Whether the log panes show the traffic lines (the frames in hexadecimal). One choice for
// every pane of the program, off at first; changing it shows every pane anew at its next
// sync. The listener (the program keeps the choice for the next run) hears every change.
bool TrafficShown();
void SetTrafficShown(bool shown);
void SetTrafficShownListener(std::function<void(bool)> listener);

// The lines of a LogPane as a list model. sync() (GUI thread) takes the pane's lines when they
// have changed since the last sync; a pane that only grew or changed its last line updates
// just those rows.
class LogLinesModel : public QAbstractListModel {
    Q_OBJECT

  public:
    explicit LogLinesModel(const LogPane& pane, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // True when the rows changed.
    bool sync();
    const QStringList& lines() const { return lines_; }
    const LogPane& pane() const { return pane_; }

  private:
    const LogPane& pane_;
    QStringList lines_;
    std::uint64_t revision_ = 0;
    std::uint64_t trafficChoice_ = 0;  // the TrafficShown() change the lines were made for
    bool synced_ = false;
};

// A dialog's log pane: a list of progress and traffic lines in a fixed-pitch font that keeps
// the last line selected and in view, as the worker writes. The view reads the pane only when
// sync() is called: its dialog calls it from its coalesced update whenever the pane's listener
// has told of a change, so the worker never touches the widget.
class LogView : public QListView {
    Q_OBJECT

  public:
    explicit LogView(const LogPane& pane, QWidget* parent = nullptr);

    // GUI thread: shows what the pane holds now.
    void sync();
    QSize sizeHint() const override;
    LogLinesModel& lines() { return model_; }
    // The lines shown, as Latin-1 text.
    std::vector<std::string> shownLines() const;

    // The "Show traffic" check box and the "Save Log..." button, made on first use (one
    // above the other, or side by side when `orientation` is horizontal), for the dialog to
    // place beside the pane.
    QWidget* controls(Qt::Orientation orientation = Qt::Vertical);
    QCheckBox* trafficBox();
    QPushButton* saveButton();
    // Writes every line of the pane, traffic included, as plain text; the file is replaced
    // whole or left as it was. False when it could not be written.
    bool saveTo(const std::filesystem::path& path) const;

  private:
    void chooseSaveFile();

    LogLinesModel model_;
    QWidget* controls_ = nullptr;
    QCheckBox* trafficBox_ = nullptr;
    QPushButton* saveButton_ = nullptr;
};

// The "Log" group of the property pages: the view, and to its right the "&Clear Log" button
// and the view's controls.
QGroupBox* makeLogGroup(LogView* log, QPushButton* clearLog, QWidget* parent);

}  // namespace skelvane
