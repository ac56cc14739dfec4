#include "ui/upgrade_dialog.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/log_pane.h"
#include "operations/upgrade_model.h"
#include "ui/log_view.h"
#include "ui/target_label.h"
#include "ui/worker_pump.h"

namespace skelvane {

UpgradeDialog::UpgradeDialog(std::unique_ptr<UpgradeModel> model, const char* caption,
                             CommandIcon icon, UpgradePicture picture, QWidget* parent)
    : QDialog(parent),
      target_(new TargetLabel(*this, QString::fromLatin1(caption))),
      fileEdit_(new QLineEdit),
      browse_(new QPushButton(QStringLiteral("&Browse ..."))),
      program_(new QPushButton(QStringLiteral("&Program"))),
      log_(new LogView(model->Log().Pane())),
      clearLog_(new QPushButton(QStringLiteral("&Clear Log"))),
      animation_(new UpgradeAnimation(picture)),
      progress_(makeProgressBar()),
      model_(std::move(model)),
      pump_(new WorkerPump([this] { refresh(); }, this)) {
    setWindowIcon(commandIcon(icon));
    connect(browse_, &QPushButton::clicked, this, [this] {
        const QString path = askFirmwareFile(this, fileEdit_->text());
        if (!path.isEmpty()) {
            chooseFirmwareFile(path);
        }
    });
    connect(program_, &QPushButton::clicked, this, &UpgradeDialog::program);
    connect(clearLog_, &QPushButton::clicked, this, [this] { model_->ClearLog(); });
}

UpgradeDialog::~UpgradeDialog() {
    model_->Close();
    // Should the worker have outlasted the close's bound, it still writes the log: the view
    // goes only once it has ended.
    model_->WaitForWorker();
    model_->SetListener({});
    model_->Log().Pane().SetListener({});
    model_->SetProgressListener({});
    delete log_;
}

void UpgradeDialog::layOut(QLayout* controls, QHBoxLayout* bottom) {
    auto* top = new QHBoxLayout;
    top->addLayout(controls, 1);
    top->addWidget(animation_, 0, Qt::AlignTop);
    bottom->addWidget(clearLog_);
    bottom->addWidget(log_->controls(Qt::Horizontal));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(target_);
    layout->addLayout(top);
    layout->addWidget(progress_);
    layout->addWidget(log_, 1);
    layout->addLayout(bottom);
    // Enter in a field must not start a transfer or open a file dialog: no button is default.
    for (QPushButton* b : findChildren<QPushButton*>()) {
        b->setAutoDefault(false);
    }
}

void UpgradeDialog::listen() {
    model_->SetListener(pump_->notifier());
    model_->Log().Pane().SetListener(
        [notify = pump_->notifier()](LogPane::Event, const std::string&) { notify(); });
    model_->SetProgressListener(
        [this, notify = pump_->notifier()](std::size_t done, std::size_t total) {
            feed_.report(done, total);
            notify();
        });
    refresh();
}

void UpgradeDialog::showState(bool programEnabled, const std::string& programText,
                              UpgradePicture picture) {
    program_->setEnabled(programEnabled);
    program_->setText(skelvane::programText(programText));
    animation_->setPicture(picture);
    showProgress(*progress_, feed_.state());
    log_->sync();
}

void UpgradeDialog::setBlockName(const QString& name) {
    target_->setBlockName(name);
}

void UpgradeDialog::chooseFirmwareFile(const QString& path) {
    readControls();
    browseFile(toFileName(path));
    fileEdit_->setText(path);
    refresh();
}

void UpgradeDialog::program() {
    readControls();
    if (!model_->WorkerRunning()) {
        feed_.reset();
    }
    programModel();
    refresh();
}

void UpgradeDialog::done(int result) {
    model_->Close();
    refresh();
    QDialog::done(result);
}

}  // namespace skelvane
