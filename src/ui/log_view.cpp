#include "ui/log_view.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGroupBox>
#include <QMessageBox>
#include <QPushButton>
#include <atomic>
#include <cstdio>
#include <mutex>

#include "base/log_pane.h"
#include "document/file_replace.h"
#include "ui/file_names.h"
#include "ui/qt_prompter.h"

namespace skelvane {

namespace {

// The choice, and a count of its changes, which views compare with the one they showed.
std::atomic<bool> trafficShown{false};
std::atomic<std::uint64_t> trafficChoices{1};
std::mutex listenerMutex;
std::function<void(bool)> trafficListener;

}  // namespace

bool TrafficShown() {
    return trafficShown.load();
}

void SetTrafficShown(bool shown) {
    if (trafficShown.exchange(shown) == shown) {
        return;
    }
    ++trafficChoices;
    std::function<void(bool)> listener;
    {
        std::lock_guard lock(listenerMutex);
        listener = trafficListener;
    }
    if (listener) {
        listener(shown);
    }
}

void SetTrafficShownListener(std::function<void(bool)> listener) {
    std::lock_guard lock(listenerMutex);
    trafficListener = std::move(listener);
}

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
    const std::uint64_t choice = trafficChoices.load();
    if (synced_ && revision == revision_ && choice == trafficChoice_) {
        return false;
    }
    // The revision is read first: a change made meanwhile is picked up by the next sync.
    revision_ = revision;
    trafficChoice_ = choice;
    synced_ = true;
    const std::vector<std::string> fresh =
        TrafficShown() ? pane_.Lines() : WithoutTraffic(pane_.Lines());
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

QWidget* LogView::controls(Qt::Orientation orientation) {
    if (controls_ != nullptr) {
        return controls_;
    }
    controls_ = new QWidget(parentWidget());
    trafficBox_ = new QCheckBox(QStringLiteral("Show traffic"), controls_);
    trafficBox_->setToolTip(QStringLiteral("Also show the frames sent and received"));
    trafficBox_->setChecked(TrafficShown());
    saveButton_ = new QPushButton(QStringLiteral("Save Log..."), controls_);
    saveButton_->setToolTip(QStringLiteral("Save every line, traffic included, to a text file"));
    auto* layout = new QBoxLayout(
        orientation == Qt::Vertical ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight, controls_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(trafficBox_);
    layout->addWidget(saveButton_);
    connect(trafficBox_, &QCheckBox::toggled, this, [this](bool on) {
        SetTrafficShown(on);
        sync();
    });
    connect(saveButton_, &QPushButton::clicked, this, &LogView::chooseSaveFile);
    return controls_;
}

QCheckBox* LogView::trafficBox() {
    controls();
    return trafficBox_;
}

QPushButton* LogView::saveButton() {
    controls();
    return saveButton_;
}

bool LogView::saveTo(const std::filesystem::path& path) const {
    const std::vector<std::string> lines = model_.pane().Lines();
    return ReplaceFile(path, [&lines](std::FILE* file) {
        for (const std::string& line : lines) {
            if (std::fwrite(line.data(), 1, line.size(), file) != line.size() ||
                std::fputc('\n', file) == EOF) {
                return false;
            }
        }
        return true;
    });
}

void LogView::chooseSaveFile() {
    const QString name =
        QFileDialog::getSaveFileName(this, QStringLiteral("Save Log"), QStringLiteral("log.txt"),
                                     QStringLiteral("Text Files (*.txt);;All Files (*)"));
    if (name.isEmpty()) {
        return;
    }
    if (!saveTo(toPath(name))) {
        QMessageBox::warning(this, QStringLiteral("Save Log"),
                             QStringLiteral("The log could not be saved to %1.").arg(name));
    }
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
    clearColumn->addWidget(log->controls());
    clearColumn->addStretch(1);
    layout->addLayout(clearColumn);
    return group;
}

}  // namespace skelvane
