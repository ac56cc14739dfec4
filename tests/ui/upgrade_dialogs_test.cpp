// The upgrade dialogs against the simulated units: a soft upgrade cancelled in the middle, the
// schedule's run, the hard upgrade, and closing either dialog while its worker runs.

#include <QDateEdit>
#include <QFile>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeEdit>
#include <memory>
#include <string>
#include <vector>

#include "base/prompter.h"
#include "device_harness.h"
#include "link/device_worker.h"
#include "sim/upgrade_sides.h"
#include "ui/hard_upgrade_dialog.h"
#include "ui/log_view.h"
#include "ui/soft_upgrade_dialog.h"
#include "ui/target_label.h"
#include "ui/upgrade_animation.h"
#include "upgrade/boot_images.h"
#include "upgrade/schedule_table.h"

using namespace skelvane;

namespace {

// The last line a log view shows; empty while it shows none.
std::string lastShown(const LogView* view) {
    const std::vector<std::string> lines = view->shownLines();
    return lines.empty() ? std::string() : lines.back();
}

// The simulated network with every unit taking upgrades, and a folder for the files.
struct UpgradeRig : test::DeviceBench {
    explicit UpgradeRig(Time time) : DeviceBench(time), sides(sim::InstallUpgradeSides(*network)) {}

    // A firmware file of `blocks` 128-byte blocks.
    QString firmware(int blocks) {
        const QString path = dir.filePath(QStringLiteral("fw%1.bin").arg(blocks));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        QByteArray bytes(blocks * 128, '\0');
        for (int i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<char>(i * 7 + i / 128);
        }
        file.write(bytes);
        return path;
    }

    sim::UpgradeSides sides;
    QTemporaryDir dir;
    ScheduleTable schedule;
};

}  // namespace

class UpgradeDialogsTest : public QObject {
    Q_OBJECT

  private slots:
    void cancelOrCloseInTheMiddleOfTheTransfer();
    void scheduleUpgradesItsUnitsOnTheTimer();
    void hardUpgradeRunsToTheEnd();
    void closingTheHardUpgradeWhileItRunsLeavesNoThread();
};

// In real time: the unit stops answering after five blocks, and the worker waits for it. Cancel
// ends the wait; so does closing the window, and no thread is left.
void UpgradeDialogsTest::cancelOrCloseInTheMiddleOfTheTransfer() {
    UpgradeRig rig(UpgradeRig::Time::Real);
    rig.network->Locked(
        [&rig](sim::Network&) { rig.sides.soft.at(0)->Options().silentAfterBlocks = 5; });
    const int before = DeviceWorker::UnjoinedThreads();
    SoftUpgradeDialog dialog(rig.ports, "SIM1", 0, rig.schedule, rig.clock, rig.prompter);
    dialog.show();
    dialog.chooseFirmwareFile(rig.firmware(40));
    QTest::mouseClick(dialog.programButton(), Qt::LeftButton);
    // Waiting for the sixth block's answer, which does not come.
    QTRY_VERIFY_WITH_TIMEOUT(dialog.model().Log().LastLine().rfind("Block 6/40, wait ...", 0) == 0,
                             20000);
    QTRY_COMPARE(dialog.progress()->value(), 5);
    QTRY_COMPARE(dialog.programButton()->text(), QStringLiteral("Cancel"));
    QCOMPARE(dialog.animation()->picture(), UpgradePicture::BusyLocal);

    QTest::mouseClick(dialog.programButton(), Qt::LeftButton);
    QVERIFY(!dialog.model().WorkerRunning());
    const std::string last = dialog.model().Log().LastLine();
    QVERIFY(!rig.network->HostAttached());
    QCOMPARE(dialog.programButton()->text(), QStringLiteral("&Program"));
    QTRY_COMPARE(lastShown(dialog.log()), last);

    QTest::mouseClick(dialog.programButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(dialog.model().Log().LastLine() != last, 10000);
    QVERIFY(dialog.model().WorkerRunning());
    dialog.reject();
    QVERIFY(!dialog.isVisible());
    QVERIFY(!dialog.model().WorkerRunning());
    QVERIFY(!dialog.timer().isActive());
    QVERIFY(!rig.network->HostAttached());
    QCOMPARE(DeviceWorker::UnjoinedThreads(), before);
}

void UpgradeDialogsTest::scheduleUpgradesItsUnitsOnTheTimer() {
    UpgradeRig rig(UpgradeRig::Time::Virtual);
    SoftUpgradeDialog dialog(rig.ports, "SIM1", 2, rig.schedule, rig.clock, rig.prompter);
    dialog.chooseFirmwareFile(rig.firmware(3));
    // From the next minute on, for ten minutes.
    const LocalTime now = rig.clock.LocalNow();
    const QDateTime start =
        QDateTime(QDate(now.year, now.month, now.day), QTime(now.hour, now.minute, now.second))
            .addSecs(60);
    dialog.startDate()->setDate(start.date());
    dialog.startTime()->setTime(start.time());
    dialog.endDate()->setDate(start.addSecs(600).date());
    dialog.endTime()->setTime(start.addSecs(600).time());
    dialog.uaEdit()->setText(QStringLiteral("300, 301"));
    dialog.retriesEdit()->setText(QStringLiteral("2"));

    QTest::mouseClick(dialog.startButton(), Qt::LeftButton);
    QCOMPARE(rig.prompter.Count(), 0u);
    QVERIFY(dialog.model().View().armed);
    QTRY_COMPARE(lastShown(dialog.log()), std::string("Upgrade Scheduled."));
    QVERIFY(!dialog.startButton()->isEnabled());
    QVERIFY(dialog.stopButton()->isEnabled());
    QVERIFY(!dialog.programButton()->isEnabled());

    rig.virtualClock().Advance(Millis{60'000});
    // The line above the controls names each unit of the list in turn, then the block's again.
    const auto through = [](int ua) {
        return QStringLiteral("Unit %1, through the unit on the cable").arg(ua);
    };
    QStringList named{through(2)};
    for (int i = 0; i < 10 && dialog.model().View().armed; ++i) {
        dialog.tick();
        dialog.model().WaitForWorker();
        QTRY_COMPARE(dialog.target()->text(), through(dialog.model().View().unitAddress));
        if (named.back() != dialog.target()->text()) {
            named << dialog.target()->text();
        }
        rig.virtualClock().Advance(Millis{1000});
    }
    QCOMPARE(named, QStringList({through(2), through(300), through(301), through(2)}));
    QCOMPARE(dialog.model().Log().Lines().back(), std::string("Scheduled upgrade completed!"));
    QTRY_COMPARE(dialog.log()->shownLines(), dialog.model().Log().Lines());
    QTRY_VERIFY(dialog.startButton()->isEnabled());
    QVERIFY(!dialog.stopButton()->isEnabled());
}

void UpgradeDialogsTest::hardUpgradeRunsToTheEnd() {
    UpgradeRig rig(UpgradeRig::Time::Virtual);
    HardUpgradeDialog dialog(rig.ports, "SIM1", rig.clock, nullptr, PlaceholderBootImages());
    dialog.show();
    QVERIFY(!dialog.programButton()->isEnabled());
    dialog.chooseFirmwareFile(rig.firmware(30));
    QVERIFY(dialog.programButton()->isEnabled());
    QTest::mouseClick(dialog.programButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.model().WorkerRunning(), 30000);
    QTRY_COMPARE(dialog.log()->shownLines(), dialog.model().Log().Lines());
    QTRY_COMPARE(dialog.progress()->value(), 30);
    QCOMPARE(dialog.animation()->picture(), UpgradePicture::HardIdle);
}

void UpgradeDialogsTest::closingTheHardUpgradeWhileItRunsLeavesNoThread() {
    UpgradeRig rig(UpgradeRig::Time::Real);
    const int before = DeviceWorker::UnjoinedThreads();
    {
        auto dialog = std::make_unique<HardUpgradeDialog>(rig.ports, "SIM1", rig.clock, nullptr,
                                                          PlaceholderBootImages());
        dialog->show();
        dialog->chooseFirmwareFile(rig.firmware(4));
        QTest::mouseClick(dialog->programButton(), Qt::LeftButton);
        // In the 500 ms pulse that resets the unit into its boot mode.
        QTRY_COMPARE_WITH_TIMEOUT(dialog->model().Log().LastLine(),
                                  std::string("Connecting to the device ..."), 10000);
        QVERIFY(dialog->close());
        QVERIFY(!dialog->model().WorkerRunning());
    }
    QVERIFY(!rig.network->HostAttached());
    QCOMPARE(DeviceWorker::UnjoinedThreads(), before);
}

QTEST_MAIN(UpgradeDialogsTest)
#include "upgrade_dialogs_test.moc"
