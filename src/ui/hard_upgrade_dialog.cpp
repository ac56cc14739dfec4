#include "ui/hard_upgrade_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/log_pane.h"
#include "ui/icons.h"
#include "ui/log_view.h"
#include "ui/target_label.h"
#include "ui/upgrade_animation.h"
#include "ui/worker_pump.h"

namespace skelvane {

HardUpgradeDialog::HardUpgradeDialog(const PortFactory& ports, std::string portName, Clock& clock,
                                     QWidget* parent, const BootImages& images)
    : QDialog(parent),
      model_(std::make_unique<HardUpgradeModel>(ports, std::move(portName), clock, images)),
      pump_(new WorkerPump([this] { refresh(); }, this)) {
    setWindowIcon(commandIcon(CommandIcon::HardUpgrade));
    // Boot mode reaches only the unit the programming cable is plugged into.
    target_ = new TargetLabel(*this, QString::fromLatin1(kTitle));
    target_->setTargetText(QStringLiteral("Unit on the programming cable"));

    fileEdit_ = new QLineEdit;
    browse_ = new QPushButton(QStringLiteral("&Browse ..."));
    force_ = new QCheckBox(QStringLiteral("Force to Erase"));
    program_ = new QPushButton(QStringLiteral("&Program"));
    log_ = new LogView(model_->Log().Pane());
    clearLog_ = new QPushButton(QStringLiteral("&Clear Log"));
    animation_ = new UpgradeAnimation(UpgradePicture::HardIdle);
    progress_ = makeProgressBar();
    for (QPushButton* b : {browse_, program_, clearLog_}) {
        b->setAutoDefault(false);
    }

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("File Name:")), 0, 0);
    fields->addWidget(fileEdit_, 0, 1, 1, 2);
    fields->addWidget(browse_, 0, 3);
    fields->addWidget(force_, 1, 1);
    fields->addWidget(program_, 1, 3);
    fields->setColumnStretch(2, 1);

    auto* top = new QHBoxLayout;
    top->addLayout(fields, 1);
    top->addWidget(animation_, 0, Qt::AlignTop);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(clearLog_);
    bottom->addWidget(log_->controls(Qt::Horizontal));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(target_);
    layout->addLayout(top);
    layout->addWidget(progress_);
    layout->addWidget(log_, 1);
    layout->addLayout(bottom);
    resize(sizeHint().expandedTo(QSize(560, 400)));

    connect(browse_, &QPushButton::clicked, this, [this] {
        const QString path = askFirmwareFile(this, fileEdit_->text());
        if (!path.isEmpty()) {
            chooseFirmwareFile(path);
        }
    });
    connect(program_, &QPushButton::clicked, this, &HardUpgradeDialog::program);
    connect(clearLog_, &QPushButton::clicked, this, [this] { model_->ClearLog(); });
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

HardUpgradeDialog::~HardUpgradeDialog() {
    model_->Close();
    // Should the worker have outlasted the close's bound, it still writes the log: the view
    // goes only once it has ended.
    model_->WaitForWorker();
    model_->SetListener({});
    model_->Log().Pane().SetListener({});
    model_->SetProgressListener({});
    delete log_;
}

void HardUpgradeDialog::setBlockName(const QString& name) {
    target_->setBlockName(name);
}

void HardUpgradeDialog::readControls() {
    model_->SetFields(HardUpgradeFields{toFileName(fileEdit_->text()), force_->isChecked()});
}

void HardUpgradeDialog::refresh() {
    const HardUpgradeView view = model_->View();
    program_->setEnabled(view.programEnabled);
    program_->setText(programText(view.programText));
    animation_->setPicture(view.picture == HardUpgradePicture::Busy ? UpgradePicture::HardBusy
                                                                    : UpgradePicture::HardIdle);
    showProgress(*progress_, feed_.state());
    log_->sync();
}

void HardUpgradeDialog::program() {
    readControls();
    if (!model_->WorkerRunning()) {
        feed_.reset();
    }
    model_->Program();
    refresh();
}

void HardUpgradeDialog::chooseFirmwareFile(const QString& path) {
    readControls();
    model_->BrowseFile(toFileName(path));
    fileEdit_->setText(path);
    refresh();
}

void HardUpgradeDialog::done(int result) {
    model_->Close();
    refresh();
    QDialog::done(result);
}

}  // namespace skelvane
