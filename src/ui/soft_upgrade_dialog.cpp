#include "ui/soft_upgrade_dialog.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "base/log_pane.h"
#include "ui/icons.h"
#include "ui/log_view.h"
#include "ui/qt_prompter.h"
#include "ui/target_label.h"
#include "ui/time_format.h"
#include "ui/upgrade_animation.h"
#include "ui/worker_pump.h"

namespace skelvane {
namespace {

UpgradePicture toPicture(SoftUpgradePicture picture) {
    switch (picture) {
        case SoftUpgradePicture::IdleLocal:
            return UpgradePicture::IdleLocal;
        case SoftUpgradePicture::IdleRemote:
            return UpgradePicture::IdleRemote;
        case SoftUpgradePicture::BusyLocal:
            return UpgradePicture::BusyLocal;
        case SoftUpgradePicture::BusyRemote:
            return UpgradePicture::BusyRemote;
    }
    return UpgradePicture::IdleLocal;
}

QDate toDate(const LocalTime& t) {
    return QDate(t.year, t.month, t.day);
}

QTime toTime(const LocalTime& t) {
    return QTime(t.hour, t.minute);
}

// A date picker gives the day; a time picker the hour and minute.
LocalTime fromDate(const QDate& d) {
    return LocalTime{d.year(), d.month(), d.day(), 0, 0, 0, 0};
}

LocalTime fromTime(const QTime& t) {
    return LocalTime{0, 0, 0, t.hour(), t.minute(), 0, 0};
}

QDateEdit* makeDatePicker(const LocalTime& now) {
    auto* picker = new QDateEdit(toDate(now));
    picker->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
    picker->setCalendarPopup(true);
    return picker;
}

QTimeEdit* makeTimePicker(const LocalTime& now) {
    auto* picker = new QTimeEdit(toTime(now));
    picker->setDisplayFormat(timeFormatWithoutSeconds(QLocale().timeFormat(QLocale::ShortFormat)));
    return picker;
}

}  // namespace

SoftUpgradeDialog::SoftUpgradeDialog(const PortFactory& ports, std::string portName,
                                     std::uint16_t unitAddress, ScheduleTable& schedule,
                                     Clock& clock, Prompter& prompter, QWidget* parent)
    : QDialog(parent),
      clock_(clock),
      model_(std::make_unique<SoftUpgradeModel>(ports, std::move(portName), unitAddress, schedule,
                                                clock, prompter)),
      pump_(new WorkerPump([this] { refresh(); }, this)) {
    setWindowIcon(commandIcon(CommandIcon::SoftUpgrade));
    target_ = new TargetLabel(*this, QString::fromLatin1(kTitle));
    build();

    model_->SetListener(pump_->notifier());
    model_->Log().Pane().SetListener(
        [notify = pump_->notifier()](LogPane::Event, const std::string&) { notify(); });
    model_->SetProgressListener(
        [this, notify = pump_->notifier()](std::size_t done, std::size_t total) {
            feed_.report(done, total);
            notify();
        });
    timer_.setInterval(kTickMs);
    connect(&timer_, &QTimer::timeout, this, &SoftUpgradeDialog::tick);
    timer_.start();
    refresh();
}

SoftUpgradeDialog::~SoftUpgradeDialog() {
    timer_.stop();
    model_->Close();
    // Should the worker have outlasted the close's bound, it still writes the log: the view
    // goes only once it has ended.
    model_->WaitForWorker();
    model_->SetListener({});
    model_->Log().Pane().SetListener({});
    model_->SetProgressListener({});
    delete log_;
}

void SoftUpgradeDialog::build() {
    const LocalTime now = clock_.LocalNow();

    fileEdit_ = new QLineEdit;
    browse_ = new QPushButton(QStringLiteral("&Browse ..."));
    retriesEdit_ = new QLineEdit(QString::fromStdString(model_->Fields().retries));
    retriesEdit_->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000000")));
    crcCheck_ = new QCheckBox(QStringLiteral("&CRC Verify"));
    crcCheck_->setChecked(model_->Fields().crcVerify);
    program_ = new QPushButton(QStringLiteral("&Program"));
    program_->setDefault(false);
    program_->setAutoDefault(false);

    startDate_ = makeDatePicker(now);
    startTime_ = makeTimePicker(now);
    endDate_ = makeDatePicker(now);
    endTime_ = makeTimePicker(now);
    start_ = new QPushButton(QStringLiteral("&Start"));
    stop_ = new QPushButton(QStringLiteral("&Stop"));
    uaEdit_ = new QLineEdit;

    log_ = new LogView(model_->Log().Pane());
    logFileEdit_ = new QLineEdit;
    logBrowse_ = new QPushButton(QStringLiteral("B&rowse ..."));
    clearLog_ = new QPushButton(QStringLiteral("&Clear Log"));
    animation_ = new UpgradeAnimation(toPicture(model_->View().picture));
    progress_ = makeProgressBar();

    for (QPushButton* b : {browse_, start_, stop_, logBrowse_, clearLog_}) {
        b->setAutoDefault(false);
    }

    auto* fileRow = new QGridLayout;
    fileRow->addWidget(new QLabel(QStringLiteral("File Name:")), 0, 0);
    fileRow->addWidget(fileEdit_, 0, 1, 1, 3);
    fileRow->addWidget(browse_, 0, 4);
    fileRow->addWidget(new QLabel(QStringLiteral("Retries:")), 1, 0);
    fileRow->addWidget(retriesEdit_, 1, 1);
    fileRow->addWidget(crcCheck_, 1, 2);
    fileRow->addWidget(program_, 1, 4);
    fileRow->setColumnStretch(3, 1);

    schedule_ = new QGroupBox(QStringLiteral("Schedule"));
    auto* when = new QGridLayout(schedule_);
    when->addWidget(new QLabel(QStringLiteral("Start:")), 0, 0);
    when->addWidget(startDate_, 0, 1);
    when->addWidget(startTime_, 0, 2);
    when->addWidget(start_, 0, 4);
    when->addWidget(new QLabel(QStringLiteral("End:")), 1, 0);
    when->addWidget(endDate_, 1, 1);
    when->addWidget(endTime_, 1, 2);
    when->addWidget(stop_, 1, 4);
    when->addWidget(new QLabel(QStringLiteral("UA(s):")), 2, 0);
    when->addWidget(uaEdit_, 2, 1, 1, 2);
    when->addWidget(new QLabel(QStringLiteral("(eg, 2,123,876,111)")), 2, 3, 1, 2);
    when->setColumnStretch(3, 1);

    auto* top = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addLayout(fileRow);
    left->addWidget(schedule_);
    top->addLayout(left, 1);
    top->addWidget(animation_, 0, Qt::AlignTop);

    auto* logRow = new QHBoxLayout;
    logRow->addWidget(new QLabel(QStringLiteral("Log File:")));
    logRow->addWidget(logFileEdit_, 1);
    logRow->addWidget(logBrowse_);
    logRow->addSpacing(16);
    logRow->addWidget(clearLog_);
    logRow->addWidget(log_->controls(Qt::Horizontal));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(target_);
    layout->addLayout(top);
    layout->addWidget(progress_);
    layout->addWidget(log_, 1);
    layout->addLayout(logRow);

    connect(browse_, &QPushButton::clicked, this, &SoftUpgradeDialog::browseFirmware);
    connect(program_, &QPushButton::clicked, this, &SoftUpgradeDialog::program);
    connect(start_, &QPushButton::clicked, this, [this] {
        readControls();
        model_->Start();
        refresh();
    });
    connect(stop_, &QPushButton::clicked, this, [this] {
        model_->Stop();
        refresh();
    });
    connect(logBrowse_, &QPushButton::clicked, this, &SoftUpgradeDialog::browseLogFile);
    connect(clearLog_, &QPushButton::clicked, this, [this] { model_->ClearLog(); });

    resize(sizeHint().expandedTo(QSize(640, 520)));
}

void SoftUpgradeDialog::setBlockName(const QString& name) {
    target_->setBlockName(name);
}

void SoftUpgradeDialog::readControls() {
    SoftUpgradeFields fields;
    fields.fileName = toFileName(fileEdit_->text());
    fields.retries = toLatin1(retriesEdit_->text());
    fields.crcVerify = crcCheck_->isChecked();
    fields.uaList = toLatin1(uaEdit_->text());
    fields.logFileName = toFileName(logFileEdit_->text());
    model_->SetFields(fields);
    model_->SetPickers(SchedulePickers{fromDate(startDate_->date()), fromTime(startTime_->time()),
                                       fromDate(endDate_->date()), fromTime(endTime_->time())});
}

void SoftUpgradeDialog::refresh() {
    const SoftUpgradeView view = model_->View();
    program_->setEnabled(view.programEnabled);
    program_->setText(programText(view.programText));
    start_->setEnabled(view.startEnabled);
    stop_->setEnabled(view.stopEnabled);
    animation_->setPicture(toPicture(view.picture));
    target_->setTarget(view.picture == SoftUpgradePicture::IdleLocal ||
                           view.picture == SoftUpgradePicture::BusyLocal,
                       view.unitAddress);
    showProgress(*progress_, feed_.state());
    log_->sync();
}

void SoftUpgradeDialog::program() {
    readControls();
    if (!model_->WorkerRunning()) {
        feed_.reset();
    }
    model_->Program();
    refresh();
}

void SoftUpgradeDialog::chooseFirmwareFile(const QString& path) {
    readControls();
    model_->BrowseFile(toFileName(path));
    fileEdit_->setText(path);
    refresh();
}

void SoftUpgradeDialog::chooseLogFile(const QString& path) {
    readControls();
    model_->BrowseLogFile(toFileName(path));
    logFileEdit_->setText(path);
    refresh();
}

void SoftUpgradeDialog::browseFirmware() {
    const QString path = askFirmwareFile(this, fileEdit_->text());
    if (!path.isEmpty()) {
        chooseFirmwareFile(path);
    }
}

void SoftUpgradeDialog::browseLogFile() {
    const QString path = askLogFile(this, logFileEdit_->text());
    if (!path.isEmpty()) {
        chooseLogFile(path);
    }
}

void SoftUpgradeDialog::tick() {
    readControls();
    model_->Tick();
}

void SoftUpgradeDialog::done(int result) {
    timer_.stop();
    model_->Close();
    refresh();
    QDialog::done(result);
}

}  // namespace skelvane
