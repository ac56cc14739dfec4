// The "Tools ..." sheet against the simulated radio: the scan reaches the chart and the log
// through the GUI thread, the buttons drive the page, and every way out stops the worker.

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <map>
#include <memory>

#include "base/prompter.h"
#include "device_rig.h"
#include "spectrum/scan_parser.h"
#include "spectrum/spectrum_chart.h"
#include "ui/chart_widget.h"
#include "ui/log_view.h"
#include "ui/spectrum_sheet.h"

using namespace skelvane;

namespace {

// Pixels of `colour` inside `area` of `image`.
int countColour(const QImage& image, const QRect& area, QColor colour) {
    int n = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            n += image.pixelColor(x, y) == colour ? 1 : 0;
        }
    }
    return n;
}

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
    void theSheetHasOnePageAndOnlyCloses();
    void aScanDrawsTheFourCurves();
    void clearTakesTheCurvesAway();
    void stopEndsTheScanOnTheCurrentLine();
    void exportWritesTheCurves();
    void exportToAnUnwritablePlaceSaysSo();
    void closingWhileScanningLeavesNoThread();
    void closingTheSheetByItsBoxStopsTheScan();
};

void SpectrumSheetTest::theSheetHasOnePageAndOnlyCloses() {
    test::DeviceRig<VirtualClock> rig;
    ScanParserState parser;
    RecordingPrompter prompter;
    SpectrumSheet sheet(rig.settings(), parser, rig.clock, prompter);
    QCOMPARE(sheet.windowTitle(), QStringLiteral("Tools ..."));
    QCOMPARE(sheet.pages()->count(), 1);
    QCOMPARE(sheet.pages()->tabText(0), QStringLiteral("Spectrum Analyzer"));
    // Scan, Clear, Export CSV, Clear Log and Close.
    QCOMPARE(sheet.findChildren<QPushButton*>().count(), 5);
    QVERIFY(sheet.closeButton() != nullptr);
    SpectrumAnalyzerPage* page = sheet.analyzer();
    QCOMPARE(page->scanButton()->text(), QStringLiteral("&Scan"));
    QCOMPARE(page->clearButton()->text(), QStringLiteral("&Clear"));
    QCOMPARE(page->clearLogButton()->text(), QStringLiteral("&Clear Log"));
    QVERIFY(page->instructions()->text().startsWith(
        QStringLiteral("Connect your PC to the data port as shown on the right. \n")));
    // Nothing to export before a scan has framed the chart.
    QVERIFY(!page->exportButton()->isEnabled());
}

void SpectrumSheetTest::aScanDrawsTheFourCurves() {
    test::DeviceRig<VirtualClock> rig;
    rig.giveDataPort();
    ScanParserState parser;
    RecordingPrompter prompter;
    SpectrumSheet sheet(rig.settings(), parser, rig.clock, prompter);
    sheet.show();
    QVERIFY(QTest::qWaitForWindowExposed(&sheet));
    SpectrumAnalyzerPage* page = sheet.analyzer();

    // Three sweeps: the holds then stand above the last values here and there.
    page->model().SetScanLimit(3);
    QTest::mouseClick(page->scanButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!page->model().WorkerRunning(), 20000);

    // What the worker wrote reaches the widgets on the GUI thread.
    QTRY_COMPARE(page->log()->shownLines(), page->model().Log().Lines());
    QCOMPARE(page->log()->shownLines().back(), std::string("Scanning ..."));
    QCOMPARE(page->log()->currentIndex().row(), page->log()->lines().rowCount() - 1);
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
}

void SpectrumSheetTest::clearTakesTheCurvesAway() {
    test::DeviceRig<VirtualClock> rig;
    rig.giveDataPort();
    ScanParserState parser;
    RecordingPrompter prompter;
    SpectrumSheet sheet(rig.settings(), parser, rig.clock, prompter);
    SpectrumAnalyzerPage* page = sheet.analyzer();
    page->chart()->resize(640, 320);
    page->model().SetScanLimit(1);
    QTest::mouseClick(page->scanButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!page->model().WorkerRunning(), 20000);

    QTest::mouseClick(page->clearButton(), Qt::LeftButton);
    const QImage image = page->chart()->render();
    for (const auto& [series, colour] : kSeriesColours) {
        Q_UNUSED(series);
        QCOMPARE(countColour(image, image.rect(), colour), 0);
    }
    // The holds start again from the floor.
    QCOMPARE(page->model().Chart().GetPoint(10, kMaxHold)->y, -120.0);
}

void SpectrumSheetTest::stopEndsTheScanOnTheCurrentLine() {
    test::DeviceRig<SystemClock> rig;
    rig.giveDataPort();
    ScanParserState parser;
    RecordingPrompter prompter;
    SpectrumSheet sheet(rig.settings(), parser, rig.clock, prompter);
    SpectrumAnalyzerPage* page = sheet.analyzer();
    QTest::mouseClick(page->scanButton(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(page->scanButton()->text(), QStringLiteral("Stop"), 10000);

    QTest::mouseClick(page->scanButton(), Qt::LeftButton);
    QVERIFY(!page->model().WorkerRunning());
    QCOMPARE(page->scanButton()->text(), QStringLiteral("Scan"));
    const std::string last = page->model().Log().LastLine();
    QVERIFY2(last.size() > 9 && last.compare(last.size() - 9, 9, " stopped.") == 0, last.c_str());
    QVERIFY(!rig.network->HostAttached());
}

void SpectrumSheetTest::exportWritesTheCurves() {
    test::DeviceRig<VirtualClock> rig;
    rig.giveDataPort();
    ScanParserState parser;
    RecordingPrompter prompter;
    SpectrumSheet sheet(rig.settings(), parser, rig.clock, prompter);
    SpectrumAnalyzerPage* page = sheet.analyzer();
    page->model().SetScanLimit(2);
    QTest::mouseClick(page->scanButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!page->model().WorkerRunning(), 20000);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("curves.csv"));
    QVERIFY(page->exportCsv(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> rows = file.readAll().trimmed().split('\n');
    QCOMPARE(rows.size(), 141);  // header and 140 channels
    QCOMPARE(rows[0], QByteArray("frequency_mhz,mean_dbm,max_dbm,mean_hold_dbm,max_hold_dbm"));
    const ChartModel& chart = page->model().Chart();
    for (int channel : {1, 70, 140}) {
        const QList<QByteArray> cells = rows[channel].split(',');
        QCOMPARE(cells.size(), 5);
        QCOMPARE(cells[0].toDouble(), 902.4 + (channel - 1) * 0.28);
        QCOMPARE(cells[1].toDouble(), chart.GetPoint(channel - 1, kMeanValue)->y);
        QCOMPARE(cells[2].toDouble(), chart.GetPoint(channel - 1, kMaxValue)->y);
        QCOMPARE(cells[3].toDouble(), chart.GetPoint(channel - 1, kMeanHold)->y);
        QCOMPARE(cells[4].toDouble(), chart.GetPoint(channel - 1, kMaxHold)->y);
    }
    QCOMPARE(prompter.Count(), 0u);
}

void SpectrumSheetTest::exportToAnUnwritablePlaceSaysSo() {
    test::DeviceRig<VirtualClock> rig;
    ScanParserState parser;
    RecordingPrompter prompter;
    SpectrumSheet sheet(rig.settings(), parser, rig.clock, prompter);
    QTemporaryDir dir;
    // A directory cannot be written as a file.
    QVERIFY(!sheet.analyzer()->exportCsv(dir.path()));
    QCOMPARE(prompter.Count(), 1u);
    QVERIFY(prompter.LastText().rfind("Couldn't write file ", 0) == 0);
    QCOMPARE(prompter.Records()[0].caption, std::string("Error"));
}

void SpectrumSheetTest::closingWhileScanningLeavesNoThread() {
    test::DeviceRig<SystemClock> rig;
    rig.giveDataPort();
    ScanParserState parser;
    RecordingPrompter prompter;
    const int before = test::processThreads();
    {
        SpectrumSheet sheet(rig.settings(), parser, rig.clock, prompter);
        sheet.show();
        SpectrumAnalyzerPage* page = sheet.analyzer();
        QTest::mouseClick(page->scanButton(), Qt::LeftButton);
        // Caught in the middle: scanning, with the port open.
        QTRY_VERIFY_WITH_TIMEOUT(page->model().LastRun().scans > 0, 10000);
        QVERIFY(page->model().WorkerRunning());

        QTest::mouseClick(sheet.closeButton(), Qt::LeftButton);
        QVERIFY(!sheet.isVisible());
        QVERIFY(!page->model().WorkerRunning());
        QVERIFY(!rig.network->HostAttached());
    }
    if (before >= 0) {
        QCOMPARE(test::processThreads(), before);
    }
}

void SpectrumSheetTest::closingTheSheetByItsBoxStopsTheScan() {
    test::DeviceRig<SystemClock> rig;
    rig.giveDataPort();
    ScanParserState parser;
    RecordingPrompter prompter;
    const int before = test::processThreads();
    auto sheet = std::make_unique<SpectrumSheet>(rig.settings(), parser, rig.clock, prompter);
    sheet->show();
    SpectrumAnalyzerPage* page = sheet->analyzer();
    QTest::mouseClick(page->scanButton(), Qt::LeftButton);
    // Still connecting: waiting out the guard time after "+++".
    QTRY_VERIFY_WITH_TIMEOUT(page->model().Log().LastLine().rfind("Test command mode", 0) == 0,
                             10000);
    QVERIFY(sheet->close());
    QVERIFY(!page->model().WorkerRunning());
    sheet.reset();
    if (before >= 0) {
        QCOMPARE(test::processThreads(), before);
    }
}

QTEST_MAIN(SpectrumSheetTest)
#include "spectrum_sheet_test.moc"
