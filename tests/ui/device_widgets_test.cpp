// The pieces under the device dialogs: questions asked from a worker thread, worker news
// carried to the GUI thread, the log view, the "Defaults" and "Preset Freq. Restrictions"
// dialogs and the diagnostics chart's scales.

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <atomic>
#include <future>
#include <thread>

#include "device_harness.h"
#include "link/default_sets.h"
#include "link/log_pane.h"
#include "ui/defaults_dialog.h"
#include "ui/diag_plot.h"
#include "ui/log_view.h"
#include "ui/qt_prompter.h"
#include "ui/worker_prompter.h"
#include "ui/worker_pump.h"
#include "ui/zone_preset_dialog.h"

using namespace skelvane;
using namespace skelvane::test;

namespace {

// A pane operation for the log view table.
enum class Op { Line, Append, Replace, Traffic, Clear };
struct PaneStep {
    Op op;
    const char* text;
};

QStringList paneLines(const LogPane& pane) {
    QStringList lines;
    for (const std::string& line : pane.Lines()) {
        lines << fromLatin1(line);
    }
    return lines;
}

}  // namespace

Q_DECLARE_METATYPE(std::vector<PaneStep>)

class DeviceWidgetsTest : public QObject {
    Q_OBJECT

  private slots:
    void workerQuestionIsAnsweredOnTheGuiThread();
    void closingReleasesAWaitingWorker_data();
    void closingReleasesAWaitingWorker();
    void pumpGathersNewsAndSurvivesItsOwner();
    void logViewFollowsThePane_data();
    void logViewFollowsThePane();
    void logViewKeepsRowsWhenLinesAreAdded();
    void defaultsDialogLayout();
    void zoneDialogOpensWithZone2AndUa1();
    void zoneDialogOk_data();
    void zoneDialogOk();
    void zoneDialogCancelGivesZero();
    void zonePictureSelectsAZone();
    void plotScales_data();
    void plotScales();
    void plotSpan_data();
    void plotSpan();
    void plotKeepsTheLastFiveMinutes();
};

void DeviceWidgetsTest::workerQuestionIsAnsweredOnTheGuiThread() {
    RecordingPrompter target;
    target.QueueAnswer(Answer::Yes);
    WorkerPrompter prompter(target);
    // A call on the GUI thread goes straight through.
    QCOMPARE(prompter.Message("here", "Info", MessageIcon::Information), Answer::Yes);

    target.QueueAnswer(Answer::No);
    auto answer = std::async(std::launch::async, [&] {
        return prompter.Message("from the worker", "Skelvane", MessageIcon::Question,
                                MessageButtons::YesNo);
    });
    // The worker waits until the GUI thread has asked.
    QVERIFY(answer.wait_for(std::chrono::milliseconds(50)) == std::future_status::timeout);
    QTRY_VERIFY(answer.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready);
    QCOMPARE(answer.get(), Answer::No);
    QCOMPARE(target.Count(), std::size_t{2});
    QCOMPARE(target.LastText(), std::string("from the worker"));

    target.QueueChoice(2);
    auto choice = std::async(std::launch::async, [&] {
        return prompter.Choose("Models", {"A", "B", "C"}, 0);
    });
    QTRY_VERIFY(choice.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready);
    QCOMPARE(choice.get(), std::optional<std::size_t>(2));
}

void DeviceWidgetsTest::closingReleasesAWaitingWorker_data() {
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("safe");
    QTest::newRow("OK") << int(MessageButtons::Ok) << int(Answer::Ok);
    QTest::newRow("OK, Cancel") << int(MessageButtons::OkCancel) << int(Answer::Cancel);
    QTest::newRow("Yes, No") << int(MessageButtons::YesNo) << int(Answer::No);
    QTest::newRow("Yes, No, Cancel") << int(MessageButtons::YesNoCancel) << int(Answer::Cancel);
}

void DeviceWidgetsTest::closingReleasesAWaitingWorker() {
    QFETCH(int, buttons);
    QFETCH(int, safe);
    RecordingPrompter target;
    target.QueueAnswer(Answer::Yes);
    WorkerPrompter prompter(target);
    auto answer = std::async(std::launch::async, [&] {
        return prompter.Message("waiting", "Skelvane", MessageIcon::Question,
                                static_cast<MessageButtons>(buttons));
    });
    QVERIFY(answer.wait_for(std::chrono::milliseconds(30)) == std::future_status::timeout);
    // The dialog closes before the GUI thread got round to asking.
    prompter.shutDown();
    QVERIFY(answer.wait_for(std::chrono::seconds(5)) == std::future_status::ready);
    QCOMPARE(int(answer.get()), safe);
    // The question that was on its way is dropped, and later ones are not asked at all.
    QTest::qWait(20);
    QCOMPARE(target.Count(), std::size_t{0});
    auto later =
        std::async(std::launch::async, [&] { return prompter.Choose("Models", {"A"}, 0); });
    QVERIFY(later.wait_for(std::chrono::seconds(5)) == std::future_status::ready);
    QCOMPARE(later.get(), std::optional<std::size_t>());
}

void DeviceWidgetsTest::pumpGathersNewsAndSurvivesItsOwner() {
    std::atomic<bool> onGuiThread{true};
    auto pump = std::make_unique<WorkerPump>(
        [&] { onGuiThread = onGuiThread && QThread::currentThread() == qApp->thread(); });
    const std::function<void()> notify = pump->notifier();
    std::thread worker([&] {
        for (int i = 0; i < 5000; ++i) {
            notify();
        }
    });
    worker.join();
    QTRY_VERIFY(pump->updates() >= 1);
    QTest::qWait(3 * WorkerPump::kMinIntervalMs);
    // Thousands of notes, a handful of updates, each on the GUI thread.
    QVERIFY2(pump->updates() <= 3, qPrintable(QString::number(pump->updates())));
    QVERIFY(onGuiThread);

    // A note after the pump is gone does nothing.
    pump.reset();
    std::thread late([&] { notify(); });
    late.join();
    QTest::qWait(10);
}

void DeviceWidgetsTest::logViewFollowsThePane_data() {
    QTest::addColumn<std::vector<PaneStep>>("steps");
    QTest::newRow("new lines") << std::vector<PaneStep>{
        {Op::Line, " "}, {Op::Line, "Opening serial port "}, {Op::Line, "two"}};
    QTest::newRow("appended to the last line") << std::vector<PaneStep>{
        {Op::Line, "Opening serial port "}, {Op::Append, "SIM1"}, {Op::Append, " ... done."}};
    QTest::newRow("last line replaced")
        << std::vector<PaneStep>{{Op::Line, "a"}, {Op::Line, "b"}, {Op::Replace, "c"}};
    QTest::newRow("traffic") << std::vector<PaneStep>{{Op::Line, "x"}, {Op::Traffic, ""}};
    QTest::newRow("cleared") << std::vector<PaneStep>{
        {Op::Line, "a"}, {Op::Line, "b"}, {Op::Clear, ""}, {Op::Line, "c"}};
    // The pane keeps four lines: the oldest go as new ones come.
    QTest::newRow("over the cap") << std::vector<PaneStep>{
        {Op::Line, "1"}, {Op::Line, "2"}, {Op::Line, "3"},   {Op::Line, "4"},
        {Op::Line, "5"}, {Op::Line, "6"}, {Op::Append, "!"}, {Op::Line, "7"}};
}

void DeviceWidgetsTest::logViewFollowsThePane() {
    QFETCH(std::vector<PaneStep>, steps);
    LogPane pane(4);
    LogView view(pane);
    const std::uint8_t bytes[18] = {0x03, 0x00, 0x00, 0x29, 4,  5,  6,  7,  8,
                                    9,    10,   11,   12,   13, 14, 15, 16, 0xFF};
    for (const PaneStep& step : steps) {
        switch (step.op) {
            case Op::Line:
                pane.Line(step.text, true);
                break;
            case Op::Append:
                pane.Line(step.text, false, true);
                break;
            case Op::Replace:
                pane.Line(step.text, false, false);
                break;
            case Op::Traffic:
                pane.Traffic(bytes, sizeof bytes, 1);
                break;
            case Op::Clear:
                pane.Clear();
                break;
        }
        view.sync();
        QCOMPARE(view.lines().lines(), paneLines(pane));
        // The last line is the selected one.
        QCOMPARE(view.currentIndex().row(), view.lines().rowCount() - 1);
    }
}

void DeviceWidgetsTest::logViewKeepsRowsWhenLinesAreAdded() {
    LogPane pane;
    LogView view(pane);
    pane.Line("first", true);
    view.sync();
    QSignalSpy resets(&view.lines(), &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&view.lines(), &QAbstractItemModel::rowsInserted);
    for (int i = 0; i < 50; ++i) {
        pane.Line("line", true);
        pane.Line(" passed.", false, true);
        view.sync();
    }
    QCOMPARE(resets.count(), 0);
    QCOMPARE(inserted.count(), 50);
    QCOMPARE(view.lines().lines(), paneLines(pane));
    // Nothing changed, nothing to do.
    QVERIFY(!view.lines().sync());
}

void DeviceWidgetsTest::defaultsDialogLayout() {
    DefaultsDialog dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Defaults"));
    QCOMPARE(dialog.selectedIndex(), std::size_t{1});
    for (std::size_t i = 0; i < kDefaultSets.size(); ++i) {
        QRadioButton* button = dialog.setButton(i);
        QCOMPARE(button->text(), fromLatin1(kDefaultSets[i].caption));
        auto* box = qobject_cast<QGroupBox*>(button->parentWidget());
        QVERIFY(box != nullptr);
        QCOMPARE(box->title(), fromLatin1(kDefaultSets[i].group));
    }
    // One group across both boxes.
    dialog.setButton(6)->click();
    QCOMPARE(dialog.selectedIndex(), std::size_t{6});
    QVERIFY(!dialog.setButton(1)->isChecked());
    QVERIFY(dialog.warning()->isReadOnly());
    QCOMPARE(dialog.warning()->toPlainText(), messageText(kDefaultsWarning));
}

void DeviceWidgetsTest::zoneDialogOpensWithZone2AndUa1() {
    RecordingPrompter prompter;
    ZonePresetDialog dialog(prompter);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Preset Freq. Restrictions"));
    QCOMPARE(dialog.uaEdit()->text(), QStringLiteral("1"));
    for (int zone = 0; zone < kZoneCount; ++zone) {
        QCOMPARE(dialog.zoneButton(zone)->text(), QStringLiteral("Zone%1").arg(zone + 1));
        QCOMPARE(dialog.zoneButton(zone)->isChecked(), zone == 1);
    }
    QCOMPARE(dialog.strip()->selectedZone(), 1);
}

void DeviceWidgetsTest::zoneDialogOk_data() {
    QTest::addColumn<int>("zone");
    QTest::addColumn<QString>("ua");
    QTest::addColumn<QString>("result");  // empty: the dialog stays open
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("beeps");
    QTest::newRow("zone 9, UA 12") << 8 << "12"
                                   << "12:902400,922750"
                                   << "" << 0;
    QTest::newRow("zone 1, UA 7") << 0 << "7"
                                  << "7:905000,927600"
                                  << "" << 0;
    QTest::newRow("zone 2, UA 65534") << 1 << "65534"
                                      << "65534:902400,904900,907500,927600"
                                      << "" << 0;
    QTest::newRow("UA 0") << 3 << "0"
                          << ""
                          << "UA should be between 1 and 65534" << 0;
    QTest::newRow("UA 65535") << 3 << "65535"
                              << ""
                              << "UA should be between 1 and 65534" << 0;
    QTest::newRow("UA negative") << 3 << "-4"
                                 << ""
                                 << "UA should be between 1 and 65534" << 0;
    QTest::newRow("no UA") << 3 << ""
                           << ""
                           << "" << 1;
}

void DeviceWidgetsTest::zoneDialogOk() {
    QFETCH(int, zone);
    QFETCH(QString, ua);
    QFETCH(QString, result);
    QFETCH(QString, message);
    QFETCH(int, beeps);
    RecordingPrompter prompter;
    ZonePresetDialog dialog(prompter);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QTest::mouseClick(dialog.zoneButton(zone), Qt::LeftButton);
    dialog.uaEdit()->clear();
    QTest::keyClicks(dialog.uaEdit(), ua);
    dialog.zoneButton(zone)->setFocus();

    dialog.accept();
    QCOMPARE(prompter.Beeps(), beeps);
    if (!result.isEmpty()) {
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(fromLatin1(dialog.resultText()), result);
        QCOMPARE(prompter.Count(), std::size_t{0});
        return;
    }
    // Refused: the dialog stays open with its choices and the UA box has the focus.
    QVERIFY(dialog.isVisible());
    QVERIFY(dialog.zoneButton(zone)->isChecked());
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.uaEdit()));
    if (message.isEmpty()) {
        QCOMPARE(prompter.Count(), std::size_t{0});
        return;
    }
    QCOMPARE(prompter.Count(), std::size_t{1});
    const auto record = prompter.Records().front();
    QCOMPARE(fromLatin1(record.text), message);
    QCOMPARE(record.caption, std::string("Restricted UA"));
    QCOMPARE(int(record.icon), int(MessageIcon::Exclamation));
}

void DeviceWidgetsTest::zoneDialogCancelGivesZero() {
    RecordingPrompter prompter;
    ZonePresetDialog dialog(prompter);
    dialog.show();
    dialog.reject();
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(dialog.resultText(), std::string("0"));
}

void DeviceWidgetsTest::zonePictureSelectsAZone() {
    RecordingPrompter prompter;
    ZonePresetDialog dialog(prompter);
    dialog.resize(700, 160);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    ZoneStrip* strip = dialog.strip();
    // Nine columns side by side across the strip.
    for (int zone = 1; zone < kZoneCount; ++zone) {
        QCOMPARE(strip->zoneRect(zone).left(), strip->zoneRect(zone - 1).right() + 1);
    }
    QTest::mouseClick(strip, Qt::LeftButton, {}, strip->zoneRect(4).center());
    QCOMPARE(strip->selectedZone(), 4);
    QVERIFY(dialog.zoneButton(4)->isChecked());
    QCOMPARE(dialog.model().SelectedZone(), 4);
    dialog.accept();
    QCOMPARE(dialog.resultText(), ZoneEntryText(4, 1));
}

void DeviceWidgetsTest::plotScales_data() {
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<double>("unit");
    QTest::addColumn<double>("expectLow");
    QTest::addColumn<double>("expectHigh");
    QTest::newRow("one RSSI value") << -79.0 << -79.0 << 5.0 << -80.0 << -60.0;
    QTest::newRow("RSSI spread") << -84.0 << -66.0 << 5.0 << -85.0 << -65.0;
    QTest::newRow("wide RSSI spread") << -118.0 << -41.0 << 5.0 << -120.0 << -40.0;
    QTest::newRow("temperatures") << 23.0 << 27.0 << 1.0 << 23.0 << 27.0;
    QTest::newRow("below zero") << -3.0 << 2.0 << 1.0 << -4.0 << 4.0;
    QTest::newRow("reversed") << 27.0 << 23.0 << 1.0 << 23.0 << 27.0;
}

void DeviceWidgetsTest::plotScales() {
    QFETCH(double, low);
    QFETCH(double, high);
    QFETCH(double, unit);
    QFETCH(double, expectLow);
    QFETCH(double, expectHigh);
    const PlotRange range = niceRange(low, high, unit, 4);
    QCOMPARE(range.low, expectLow);
    QCOMPARE(range.high, expectHigh);
    // Four whole steps that hold both values.
    QCOMPARE(range.high - range.low, 4 * range.step);
    QCOMPARE(std::fmod(range.step, unit), 0.0);
    QVERIFY(range.low <= std::min(low, high) && range.high >= std::max(low, high));
}

void DeviceWidgetsTest::plotSpan_data() {
    QTest::addColumn<int>("covered");
    QTest::addColumn<int>("span");
    QTest::newRow("one sample") << 0 << 60000;
    QTest::newRow("a few seconds") << 8000 << 60000;
    QTest::newRow("just over a minute") << 61000 << 120000;
    QTest::newRow("four and a half minutes") << 270000 << 300000;
    QTest::newRow("the whole window") << 300000 << 300000;
}

void DeviceWidgetsTest::plotSpan() {
    QFETCH(int, covered);
    QFETCH(int, span);
    QCOMPARE(skelvane::plotSpan(Millis{5000}, Millis{5000 + covered}).count(),
             Millis{span}.count());
}

void DeviceWidgetsTest::plotKeepsTheLastFiveMinutes() {
    DiagPlot plot;
    for (int s = 0; s <= 400; ++s) {
        plot.addSample({Millis{s * 1000}, -80.0 - s % 7, 25.0});
    }
    QCOMPARE(plot.samples().front().time, Millis{100 * 1000});
    QCOMPARE(plot.samples().back().time, Millis{400 * 1000});
    plot.resize(360, 160);
    // Drawing a full window and an empty one both work.
    QImage image(plot.size(), QImage::Format_ARGB32);
    plot.render(&image);
    plot.clear();
    plot.render(&image);
    QVERIFY(plot.samples().empty());
}

QTEST_MAIN(DeviceWidgetsTest)
#include "device_widgets_test.moc"
