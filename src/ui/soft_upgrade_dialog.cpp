#include "ui/soft_upgrade_dialog.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "ui/qt_prompter.h"
#include "ui/target_label.h"
#include "ui/time_format.h"

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
    : UpgradeDialog(std::make_unique<SoftUpgradeModel>(ports, std::move(portName), unitAddress,
                                                       schedule, clock, prompter),
                    kTitle, CommandIcon::SoftUpgrade, UpgradePicture::IdleLocal, parent),
      clock_(clock),
      model_(static_cast<SoftUpgradeModel&>(upgradeModel())) {
    build();
    timer_.setInterval(kTickMs);
    connect(&timer_, &QTimer::timeout, this, &SoftUpgradeDialog::tick);
    timer_.start();
    listen();
}

SoftUpgradeDialog::~SoftUpgradeDialog() {
    timer_.stop();
}

void SoftUpgradeDialog::build() {
    const LocalTime now = clock_.LocalNow();

    retriesEdit_ = new QLineEdit(QString::fromStdString(model_.Fields().retries));
    retriesEdit_->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000000")));
    crcCheck_ = new QCheckBox(QStringLiteral("&CRC Verify"));
    crcCheck_->setChecked(model_.Fields().crcVerify);

    startDate_ = makeDatePicker(now);
    startTime_ = makeTimePicker(now);
    endDate_ = makeDatePicker(now);
    endTime_ = makeTimePicker(now);
    start_ = new QPushButton(QStringLiteral("&Start"));
    stop_ = new QPushButton(QStringLiteral("&Stop"));
    uaEdit_ = new QLineEdit;

    logFileEdit_ = new QLineEdit;
    logBrowse_ = new QPushButton(QStringLiteral("B&rowse ..."));

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

    auto* left = new QVBoxLayout;
    left->addLayout(fileRow);
    left->addWidget(schedule_);

    auto* logRow = new QHBoxLayout;
    logRow->addWidget(new QLabel(QStringLiteral("Log File:")));
    logRow->addWidget(logFileEdit_, 1);
    logRow->addWidget(logBrowse_);
    logRow->addSpacing(16);
    layOut(left, logRow);

    connect(start_, &QPushButton::clicked, this, [this] {
        readControls();
        model_.Start();
        refresh();
    });
    connect(stop_, &QPushButton::clicked, this, [this] {
        model_.Stop();
        refresh();
    });
    connect(logBrowse_, &QPushButton::clicked, this, &SoftUpgradeDialog::browseLogFile);

    resize(sizeHint().expandedTo(QSize(640, 520)));
}

void SoftUpgradeDialog::readControls() {
    SoftUpgradeFields fields;
    fields.fileName = toFileName(fileEdit_->text());
    fields.retries = toLatin1(retriesEdit_->text());
    fields.crcVerify = crcCheck_->isChecked();
    fields.uaList = toLatin1(uaEdit_->text());
    fields.logFileName = toFileName(logFileEdit_->text());
    model_.SetFields(fields);
    model_.SetPickers(SchedulePickers{fromDate(startDate_->date()), fromTime(startTime_->time()),
                                      fromDate(endDate_->date()), fromTime(endTime_->time())});
}

void SoftUpgradeDialog::refresh() {
    const SoftUpgradeView view = model_.View();
    showState(view.programEnabled, view.programText, toPicture(view.picture));
    start_->setEnabled(view.startEnabled);
    stop_->setEnabled(view.stopEnabled);
    target_->setTarget(view.picture == SoftUpgradePicture::IdleLocal ||
                           view.picture == SoftUpgradePicture::BusyLocal,
                       view.unitAddress);
}

void SoftUpgradeDialog::chooseLogFile(const QString& path) {
    readControls();
    model_.BrowseLogFile(toFileName(path));
    logFileEdit_->setText(path);
    refresh();
}

void SoftUpgradeDialog::browseLogFile() {
    const QString path = askLogFile(this, logFileEdit_->text());
    if (!path.isEmpty()) {
        chooseLogFile(path);
    }
}

void SoftUpgradeDialog::tick() {
    readControls();
    model_.Tick();
}

void SoftUpgradeDialog::done(int result) {
    timer_.stop();
    UpgradeDialog::done(result);
}

}  // namespace skelvane
