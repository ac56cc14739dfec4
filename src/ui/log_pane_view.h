#pragma once

#include <QListWidget>
#include <mutex>
#include <string>
#include <vector>

#include "link/log_pane.h"

namespace skelvane {

class UpdateCoalescer;

// The list box of a device dialog's log, showing a LogPane. The worker writes the pane from
// its own thread; the view collects what changed (a line added, the last line rewritten,
// the pane cleared) and applies it on the GUI thread at most 25 times a second, so a log of
// thousands of lines costs only its new lines. The last line is selected and kept in view.
//
// Takes the pane's listener for its lifetime. Whoever writes the pane from another thread
// must have stopped before the view goes.
class LogPaneView : public QListWidget {
    Q_OBJECT

  public:
    explicit LogPaneView(LogPane& pane, QWidget* parent = nullptr);
    ~LogPaneView() override;

    LogPane& pane() { return pane_; }
    // Applies what has changed since the last time (called by the view's own timer; tests
    // may call it to see the pane at once).
    void sync();
    // The lines shown, as Latin-1 text.
    std::vector<std::string> shownLines() const;

  private:
    struct Change {
        LogPane::Event event;
        std::string text;
    };

    void heard(LogPane::Event event, const std::string& text);
    void rebuild(const std::vector<std::string>& lines);

    LogPane& pane_;
    UpdateCoalescer* coalescer_;
    std::mutex mutex_;
    std::vector<Change> changes_;
};

}  // namespace skelvane
