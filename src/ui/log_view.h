#pragma once

#include <QAbstractListModel>
#include <QListView>
#include <QStringList>
#include <cstdint>
#include <string>
#include <vector>

class QGroupBox;
class QPushButton;

namespace skelvane {

class LogPane;

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

  private:
    const LogPane& pane_;
    QStringList lines_;
    std::uint64_t revision_ = 0;
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

  private:
    LogLinesModel model_;
};

// The "Log" group of the property pages: the view, and the "&Clear Log" button to its right.
QGroupBox* makeLogGroup(LogView* log, QPushButton* clearLog, QWidget* parent);

}  // namespace skelvane
