#include "ui/upgrade_widgets.h"

#include <QFileDialog>
#include <QProgressBar>

#include "ui/file_names.h"

namespace skelvane {

QString askFirmwareFile(QWidget* parent, const QString& current) {
    QFileDialog dialog(parent, QStringLiteral("Open"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("bin"));
    dialog.setNameFilters(
        {QStringLiteral("Binary Files (*.bin)"), QStringLiteral("All Files (*.*)")});
    if (!current.isEmpty()) {
        dialog.selectFile(current);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

QString askLogFile(QWidget* parent, const QString& current) {
    QFileDialog dialog(parent, QStringLiteral("Save As"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.setNameFilters(
        {QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*.*)")});
    if (!current.isEmpty()) {
        dialog.selectFile(current);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

std::string toFileName(const QString& path) {
    return toPath(path).string();
}

QString fromFileName(const std::string& name) {
    return fromNativeName(name);
}

QString programText(const std::string& modelText) {
    return modelText == "Program" ? QStringLiteral("&Program") : QString::fromStdString(modelText);
}

void ProgressFeed::report(std::size_t done, std::size_t total) {
    std::lock_guard lock(mutex_);
    progress_.observe(done, total, TransferProgress::Clock::now());
}

void ProgressFeed::reset() {
    std::lock_guard lock(mutex_);
    progress_.reset();
}

TransferProgress ProgressFeed::state() const {
    std::lock_guard lock(mutex_);
    return progress_;
}

QProgressBar* makeProgressBar(QWidget* parent) {
    auto* bar = new QProgressBar(parent);
    bar->setTextVisible(true);
    bar->setAlignment(Qt::AlignCenter);
    showProgress(*bar, TransferProgress{});
    return bar;
}

void showProgress(QProgressBar& bar, const TransferProgress& progress) {
    if (!progress.started()) {
        bar.setRange(0, 1);
        bar.setValue(0);
        bar.setFormat(QString());
        return;
    }
    bar.setRange(0, static_cast<int>(progress.total()));
    bar.setValue(static_cast<int>(progress.done()));
    bar.setFormat(QString::fromStdString(progress.text()));
}

}  // namespace skelvane
