#include "ui/log_pane_view.h"

#include "ui/qt_prompter.h"
#include "ui/update_coalescer.h"

namespace skelvane {

LogPaneView::LogPaneView(LogPane& pane, QWidget* parent)
    : QListWidget(parent), pane_(pane), coalescer_(new UpdateCoalescer(this)) {
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(coalescer_, &UpdateCoalescer::flush, this, &LogPaneView::sync);
    // Nothing writes the pane while its dialog is being built, so the lines read here and
    // the changes heard from now on neither overlap nor leave a gap.
    pane_.SetListener(
        [this](LogPane::Event event, const std::string& text) { heard(event, text); });
    rebuild(pane_.Lines());
}

LogPaneView::~LogPaneView() {
    pane_.SetListener({});
}

void LogPaneView::heard(LogPane::Event event, const std::string& text) {
    {
        std::lock_guard lock(mutex_);
        // A line rewritten again and again (dots of progress) needs showing only as it ends.
        if (event == LogPane::Event::Replaced && !changes_.empty() &&
            changes_.back().event == LogPane::Event::Replaced) {
            changes_.back().text = text;
        } else if (event == LogPane::Event::Cleared) {
            // Whatever came before is gone from the pane, and need not be shown first.
            changes_.clear();
            changes_.push_back({event, text});
        } else {
            changes_.push_back({event, text});
        }
    }
    coalescer_->request();
}

void LogPaneView::rebuild(const std::vector<std::string>& lines) {
    clear();
    for (const std::string& line : lines) {
        addItem(fromLatin1(line));
    }
}

void LogPaneView::sync() {
    std::vector<Change> changes;
    {
        std::lock_guard lock(mutex_);
        changes.swap(changes_);
    }
    if (changes.empty()) {
        return;
    }
    setUpdatesEnabled(false);
    for (const Change& change : changes) {
        if (change.event == LogPane::Event::Cleared) {
            // The pane now holds this one line.
            rebuild({change.text});
        } else if (change.event == LogPane::Event::Added || count() == 0) {
            addItem(fromLatin1(change.text));
        } else {
            item(count() - 1)->setText(fromLatin1(change.text));
        }
    }
    // A pane with a cap drops its oldest lines without a word.
    const auto kept = static_cast<int>(pane_.Size());
    while (count() > kept && count() > 0) {
        delete takeItem(0);
    }
    setUpdatesEnabled(true);
    if (count() > 0) {
        setCurrentRow(count() - 1);
        scrollToBottom();
    }
}

std::vector<std::string> LogPaneView::shownLines() const {
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(count()));
    for (int i = 0; i < count(); ++i) {
        lines.push_back(toLatin1(item(i)->text()));
    }
    return lines;
}

}  // namespace skelvane
