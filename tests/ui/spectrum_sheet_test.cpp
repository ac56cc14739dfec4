// The "Tools ..." sheet against the simulated radio: the scan reaches the chart and the log
// through the GUI thread, the buttons drive the page, and every way out stops the worker.

#include <QFile>
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <map>
#include <memory>

#include "base/prompter.h"
#include "device_harness.h"
#include "link/device_worker.h"
#include "spectrum/scan_parser.h"
#include "spectrum/spectrum_chart.h"
#include "ui/chart_widget.h"
#include "ui/log_view.h"
#include "ui/spectrum_sheet.h"

using namespace skelvane;
using test::countColour;

namespace {

const std::map<int, QColor> kSeriesColours = {{kMeanHold, QColor(255, 0, 255)},
                                              {kMeanValue, QColor(0, 0, 255)},
                                              {kMaxHold, QColor(255, 0, 0)},
                                              {kMaxValue, QColor(0, 255, 0)}};

// The plot without the legend row along its top.
QRect curveArea(const ChartModel& chart) {
    const PixelRect plot = chart.Plot();
    return QRect(plot.left + 2, plot.top + 24, plot.Width() - 4, plot.Height() - 26);
}

}  // namespace

class SpectrumSheetTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        // These tests follow every line a pane holds; the traffic filter has its own test.
        SetTrafficShown(true);
    }
    void aScanDrawsExportsAndClearsTheCurves();
    void stopEndsTheScanOnTheCurrentLine();
    void exportToAnUnwritablePlaceSaysSo();
    void closingWhileWorkingLeavesNoThread_data();
    void closingWhileWorkingLeavesNoThread();
};

void SpectrumSheetTest::aScanDrawsExportsAndClearsTheCurves() {
    test::DeviceRig<VirtualClock> rig;
    rig.giveDataPort();
    ScanParserState parser;
    RecordingPrompter prompter;
    SpectrumSheet sheet(rig.ports, rig.settings(), parser, rig.clock, prompter);
    sheet.show();
    QVERIFY(QTest::qWaitForWindowExposed(&sheet));
    SpectrumAnalyzerPage* page = sheet.analyzer();
    // Nothing to export before a scan has framed the chart.
    QVERIFY(!page->exportButton()->isEnabled());

    // Three sweeps: the holds then stand above the last values here and there.
    page->model().SetScanLimit(3);
    QTest::mouseClick(page->scanButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!page->model().WorkerRunning(), 20000);

    // What the worker wrote reaches the widgets on the GUI thread.
    QTRY_COMPARE(page->log()->shownLines(), page->model().Log().Lines());
    QTRY_COMPARE(page->scanButton()->text(), QStringLiteral("Scan"));
    QTRY_VERIFY(page->exportButton()->isEnabled());

    const QImage image = page->chart()->render();
    const QRect area = curveArea(page->model().Chart());
    for (const auto& [series, colour] : kSeriesColours) {
        QVERIFY2(countColour(image, area, colour) > 40,
                 qPrintable(QStringLiteral("series %1 is missing").arg(series)));
    }
    // The title and axis texts of the spectrum, not the chart's defaults.
    QCOMPARE(page->model().Chart().Title(), std::string("My"));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("curves.csv"));
    QVERIFY(page->exportCsv(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().trimmed().split('\n').size(), 141);  // header and 140 channels
    QCOMPARE(prompter.Count(), 0u);

    QTest::mouseClick(page->clearButton(), Qt::LeftButton);
    const QImage cleared = page->chart()->render();
    for (const auto& [series, colour] : kSeriesColours) {
        QVERIFY2(countColour(cleared, cleared.rect(), colour) == 0,
                 qPrintable(QStringLiteral("series %1 is left").arg(series)));
    }
}

void SpectrumSheetTest::stopEndsTheScanOnTheCurrentLine() {
    test::DeviceRig<SystemClock> rig;
    rig.giveDataPort();
    ScanParserState parser;
    RecordingPrompter prompter;
    SpectrumSheet sheet(rig.ports, rig.settings(), parser, rig.clock, prompter);
    SpectrumAnalyzerPage* page = sheet.analyzer();
    QTest::mouseClick(page->scanButton(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(page->scanButton()->text(), QStringLiteral("Stop"), 10000);

    QTest::mouseClick(page->scanButton(), Qt::LeftButton);
    QVERIFY(!page->model().WorkerRunning());
    QCOMPARE(page->scanButton()->text(), QStringLiteral("Scan"));
    const std::string last = page->model().Log().Lines().end()[-2];
    QVERIFY2(last.size() > 9 && last.compare(last.size() - 9, 9, " stopped.") == 0, last.c_str());
    QVERIFY(!rig.network->HostAttached());
}

void SpectrumSheetTest::exportToAnUnwritablePlaceSaysSo() {
    test::DeviceRig<VirtualClock> rig;
    ScanParserState parser;
    RecordingPrompter prompter;
    SpectrumSheet sheet(rig.ports, rig.settings(), parser, rig.clock, prompter);
    QTemporaryDir dir;
    // A directory cannot be written as a file.
    QVERIFY(!sheet.analyzer()->exportCsv(dir.path()));
    QCOMPARE(prompter.Count(), 1u);
    QVERIFY(prompter.LastText().rfind("Couldn't write file ", 0) == 0);
    QCOMPARE(prompter.Records()[0].caption, std::string("Error"));
}

void SpectrumSheetTest::closingWhileWorkingLeavesNoThread_data() {
    QTest::addColumn<bool>("scanning");
    QTest::newRow("Close while scanning") << true;
    QTest::newRow("the window's box while connecting") << false;
}

void SpectrumSheetTest::closingWhileWorkingLeavesNoThread() {
    QFETCH(bool, scanning);
    test::DeviceRig<SystemClock> rig;
    rig.giveDataPort();
    ScanParserState parser;
    RecordingPrompter prompter;
    const int before = DeviceWorker::UnjoinedThreads();
    auto sheet =
        std::make_unique<SpectrumSheet>(rig.ports, rig.settings(), parser, rig.clock, prompter);
    sheet->show();
    SpectrumAnalyzerPage* page = sheet->analyzer();
    QTest::mouseClick(page->scanButton(), Qt::LeftButton);
    if (scanning) {
        // Caught in the middle: scanning, with the port open.
        QTRY_VERIFY_WITH_TIMEOUT(page->model().LastRun().scans > 0, 10000);
        QVERIFY(page->model().WorkerRunning());
        QTest::mouseClick(sheet->closeButton(), Qt::LeftButton);
    } else {
        // Still connecting: waiting out the guard time after "+++".
        QTRY_VERIFY_WITH_TIMEOUT(page->model().Log().LastLine().rfind("Test command mode", 0) == 0,
                                 10000);
        QVERIFY(sheet->close());
    }
    QVERIFY(!sheet->isVisible());
    QVERIFY(!page->model().WorkerRunning());
    QVERIFY(!rig.network->HostAttached());
    sheet.reset();
    QCOMPARE(DeviceWorker::UnjoinedThreads(), before);
}

QTEST_MAIN(SpectrumSheetTest)
#include "spectrum_sheet_test.moc"
