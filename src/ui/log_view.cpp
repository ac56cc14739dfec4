#include "ui/log_view.h"

#include <QBoxLayout>
#include <QFontDatabase>
#include <QGroupBox>
#include <QPushButton>

#include "base/log_pane.h"
#include "ui/qt_prompter.h"

namespace skelvane {

LogLinesModel::LogLinesModel(const LogPane& pane, QObject* parent)
    : QAbstractListModel(parent), pane_(pane) {}

int LogLinesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(lines_.size());
}

QVariant LogLinesModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= lines_.size() || role != Qt::DisplayRole) {
        return {};
    }
    return lines_[index.row()];
}

bool LogLinesModel::sync() {
    const std::uint64_t revision = pane_.Revision();
    if (synced_ && revision == revision_) {
        return false;
    }
    // The revision is read first: a change made meanwhile is picked up by the next sync.
    revision_ = revision;
    synced_ = true;
    const std::vector<std::string> fresh = pane_.Lines();
    QStringList next;
    next.reserve(static_cast<qsizetype>(fresh.size()));
    for (const std::string& line : fresh) {
        next.push_back(fromLatin1(line));
    }

    // The usual change: lines added at the end, the last line appended to or replaced.
    const qsizetype old = lines_.size();
    bool sameHead = old > 0 && next.size() >= old;
    for (qsizetype i = 0; sameHead && i + 1 < old; ++i) {
        sameHead = lines_[i] == next[i];
    }
    if (!sameHead) {
        beginResetModel();
        lines_ = std::move(next);
        endResetModel();
        return true;
    }
    if (lines_[old - 1] != next[old - 1]) {
        lines_[old - 1] = next[old - 1];
        const QModelIndex last = index(static_cast<int>(old - 1));
        emit dataChanged(last, last, {Qt::DisplayRole});
    }
    if (next.size() > old) {
        beginInsertRows({}, static_cast<int>(old), static_cast<int>(next.size() - 1));
        for (qsizetype i = old; i < next.size(); ++i) {
            lines_.push_back(next[i]);
        }
        endInsertRows();
    }
    return true;
}

LogView::LogView(const LogPane& pane, QWidget* parent) : QListView(parent), model_(pane) {
    setModel(&model_);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setMinimumHeight(fontMetrics().lineSpacing() * 6 + 2 * frameWidth());
    sync();
}

QSize LogView::sizeHint() const {
    return QSize(QListView::sizeHint().width(), fontMetrics().lineSpacing() * 9 + 2 * frameWidth());
}

std::vector<std::string> LogView::shownLines() const {
    std::vector<std::string> shown;
    shown.reserve(static_cast<std::size_t>(model_.lines().size()));
    for (const QString& line : model_.lines()) {
        shown.push_back(toLatin1(line));
    }
    return shown;
}

void LogView::sync() {
    if (!model_.sync()) {
        return;
    }
    const int count = model_.rowCount();
    if (count > 0) {
        const QModelIndex last = model_.index(count - 1);
        setCurrentIndex(last);
        scrollTo(last, QAbstractItemView::PositionAtBottom);
    }
}

QGroupBox* makeLogGroup(LogView* log, QPushButton* clearLog, QWidget* parent) {
    auto* group = new QGroupBox(QStringLiteral("Log"), parent);
    auto* layout = new QHBoxLayout(group);
    layout->addWidget(log, 1);
    auto* clearColumn = new QVBoxLayout;
    clearColumn->addWidget(clearLog);
    clearColumn->addStretch(1);
    layout->addLayout(clearColumn);
    return group;
}

}  // namespace skelvane
