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

// The simulated network whose unit on the cable answers on its data port, and a sheet on it.
struct SpectrumRig : test::DeviceBench {
    explicit SpectrumRig(Time time) : DeviceBench(time) { giveDataPort(); }
    std::unique_ptr<SpectrumSheet> open() {
        return std::make_unique<SpectrumSheet>(ports, settings(), parser, clock, prompter);
    }
    ScanParserState parser;
};

}  // namespace

class SpectrumSheetTest : public QObject {
    Q_OBJECT

  private slots:
    void aScanDrawsExportsAndClearsTheCurves();
    void everyWayOutStopsTheWorker();
};

void SpectrumSheetTest::aScanDrawsExportsAndClearsTheCurves() {
    SpectrumRig rig(SpectrumRig::Time::Virtual);
    const auto sheet = rig.open();
    sheet->show();
    QVERIFY(QTest::qWaitForWindowExposed(sheet.get()));
    SpectrumAnalyzerPage* page = sheet->analyzer();
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
    // The plot without the legend row along its top.
    const PixelRect plot = page->model().Chart().Plot();
    const QRect area(plot.left + 2, plot.top + 24, plot.Width() - 4, plot.Height() - 26);
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
    QCOMPARE(rig.prompter.Count(), 0u);
    // A directory cannot be written as a file: no success, and the user is told.
    QVERIFY(!page->exportCsv(dir.path()));
    QCOMPARE(rig.prompter.Count(), 1u);
    QVERIFY(rig.prompter.LastText().rfind("Couldn't write file ", 0) == 0);
    QCOMPARE(rig.prompter.Records()[0].caption, std::string("Error"));

    QTest::mouseClick(page->clearButton(), Qt::LeftButton);
    const QImage cleared = page->chart()->render();
    for (const auto& [series, colour] : kSeriesColours) {
        QVERIFY2(countColour(cleared, cleared.rect(), colour) == 0,
                 qPrintable(QStringLiteral("series %1 is left").arg(series)));
    }
}

// Stop while scanning (0), Close while scanning (1), the window's box while connecting (2).
void SpectrumSheetTest::everyWayOutStopsTheWorker() {
    for (const int way : {0, 1, 2}) {
        SpectrumRig rig(SpectrumRig::Time::Real);
        const int before = DeviceWorker::UnjoinedThreads();
        auto sheet = rig.open();
        sheet->show();
        SpectrumAnalyzerPage* page = sheet->analyzer();
        QTest::mouseClick(page->scanButton(), Qt::LeftButton);
        if (way < 2) {
            // Caught in the middle: scanning, with the port open.
            QTRY_VERIFY_WITH_TIMEOUT(page->model().LastRun().scans > 0, 10000);
            QVERIFY(page->model().WorkerRunning());
            QTRY_COMPARE(page->scanButton()->text(), QStringLiteral("Stop"));
            QTest::mouseClick(way == 0 ? page->scanButton() : sheet->closeButton(), Qt::LeftButton);
        } else {
            // Still connecting: waiting out the guard time after "+++".
            QTRY_VERIFY_WITH_TIMEOUT(
                page->model().Log().LastLine().rfind("Test command mode", 0) == 0, 10000);
            QVERIFY(sheet->close());
        }
        QCOMPARE(sheet->isVisible(), way == 0);
        QVERIFY(!page->model().WorkerRunning());
        QVERIFY(!rig.network->HostAttached());
        if (way == 0) {
            // Stop ends the scan on the line in progress.
            QCOMPARE(page->scanButton()->text(), QStringLiteral("Scan"));
            const std::string last = page->model().Log().Lines().end()[-2];
            QVERIFY2(last.size() > 9 && last.compare(last.size() - 9, 9, " stopped.") == 0,
                     last.c_str());
        }
        sheet.reset();
        QCOMPARE(DeviceWorker::UnjoinedThreads(), before);
    }
}

QTEST_MAIN(SpectrumSheetTest)
#include "spectrum_sheet_test.moc"
