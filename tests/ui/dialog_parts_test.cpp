// The pieces the device dialogs are built of: the chart widget, the log view, the update
// coalescing and the prompter that workers may use.

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <atomic>
#include <thread>

#include "base/prompter.h"
#include "link/log_pane.h"
#include "spectrum/chart_model.h"
#include "ui/chart_widget.h"
#include "ui/log_view.h"
#include "ui/time_format.h"
#include "ui/transfer_progress.h"
#include "ui/update_coalescer.h"
#include "ui/upgrade_animation.h"

using namespace skelvane;

Q_DECLARE_METATYPE(MessageButtons)
Q_DECLARE_METATYPE(Answer)
// Counts heard by a progress display: blocks done, total, seconds after the start.
struct Count {
    int done;
    int total;
    double at;
};
using Counts = std::vector<Count>;
Q_DECLARE_METATYPE(Counts)

namespace {

// Wires a log view to its pane as the dialogs do: the pane's listener asks for an update,
// which the coalescer runs on the GUI thread.
struct ViewFollows {
    ViewFollows(LogPane& pane, LogView& view) : pane_(pane) {
        QObject::connect(&coalescer_, &UpdateCoalescer::flush, &view, &LogView::sync);
        pane_.SetListener([this](LogPane::Event, const std::string&) { coalescer_.request(); });
    }
    ~ViewFollows() { pane_.SetListener({}); }
    LogPane& pane_;
    UpdateCoalescer coalescer_;
};

QColor qColor(Rgb rgb) {
    return QColor(rgb.red, rgb.green, rgb.blue);
}

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

QRect toQRect(const PixelRect& r) {
    return QRect(r.left, r.top, r.Width(), r.Height());
}

// A chart of two series over 0..100 x 0..50: series 1 rising, series 2 flat at 40.
void frameChart(ChartModel& chart) {
    RecordingPrompter quiet;
    chart.SetRanges(0, 100, 0, 50);
    chart.SetDivisions(10, 5);
    chart.SetTitle("Levels");
    chart.SetAxisTitles("Frequency", "Level");
    chart.SetSeries(1, {255, 0, 0}, "Rising");
    chart.SetSeries(2, {0, 0, 255}, "Flat");
    chart.SetSeries(3, {255, 255, 0}, "Three");
    chart.SetSeries(4, {0, 255, 255}, "Four");
    chart.AllocatePoints(11, quiet);
    for (int i = 0; i <= 10; ++i) {
        chart.SetPoint(i * 10, i * 4, i, 1);
        chart.SetPoint(i * 10, 40, i, 2);
    }
}

}  // namespace

class DialogPartsTest : public QObject {
    Q_OBJECT

  private slots:
    void chartDrawsItsScene();
    void chartTextsLandInTheirBoxes();
    void chartWithoutPointsHasNoCurves();
    void chartFollowsItsWindowSize();
    void coalescerFlushesAtMostTwentyFiveTimesASecond();
    void coalescerLosesNoLateChange();
    void logViewShowsWhatAWorkerWrote();
    void logViewAfterClearShowsTheBlankLine();
    void timePickersShowNoSeconds_data();
    void timePickersShowNoSeconds();
    void progressEstimatesTheTimeLeft_data();
    void progressEstimatesTheTimeLeft();
    void onlyBusyPicturesMove();
};

void DialogPartsTest::chartDrawsItsScene() {
    ChartModel model;
    ChartWidget chart(model);
    chart.resize(600, 300);
    frameChart(model);
    const QImage image = chart.render();
    const PixelRect plot = model.Plot();
    const PixelRect frame = model.Frame();

    // Inside the frame the background is black; the plot's outline and grid are dark green.
    QCOMPARE(image.pixelColor(frame.left + 3, frame.top + 3), qColor(ChartModel::kBackground));
    QCOMPARE(image.pixelColor(plot.left, (plot.top + plot.bottom) / 2),
             qColor(ChartModel::kFrameColour));
    QVERIFY(countColour(image, toQRect(plot), qColor(ChartModel::kGridColour)) > 500);
    // Series 1 runs from the bottom left to near the top right, series 2 across at 40.
    const PixelPoint start = model.Map(0, 0);
    const PixelPoint middle = model.Map(50, 20);
    QCOMPARE(image.pixelColor(middle.x, middle.y), QColor(255, 0, 0));
    QVERIFY(countColour(image, QRect(start.x, start.y - 3, 4, 4), QColor(255, 0, 0)) > 0);
    const PixelPoint flat = model.Map(30, 40);
    QCOMPARE(image.pixelColor(flat.x, flat.y), QColor(0, 0, 255));
    // Series 3 and 4 have no points of their own, but their legend entries are drawn.
    QVERIFY(countColour(image, image.rect(), QColor(255, 255, 0)) >= 16);
    QVERIFY(countColour(image, image.rect(), QColor(0, 255, 255)) >= 16);
}

// Every text, turned or not, is drawn inside the box the scene gives it: each is painted on
// its own, and every pixel of its ink must lie in its box.
void DialogPartsTest::chartTextsLandInTheirBoxes() {
    ChartModel model;
    ChartWidget chart(model);
    chart.show();
    chart.resize(700, 360);
    frameChart(model);
    const ChartScene scene = model.Compose(chartTextMeasure(chart.fonts(), &chart));
    std::vector<ChartText> texts = scene.yLabels;
    texts.insert(texts.end(), scene.xLabels.begin(), scene.xLabels.end());
    texts.push_back(scene.xTitle);
    texts.push_back(scene.yTitle);
    texts.push_back(scene.title);
    QCOMPARE(texts.size(), 6u + 11u + 3u);
    for (const ChartText& text : texts) {
        ChartScene solo;
        solo.client = scene.client;
        solo.frame = scene.frame;
        solo.background = scene.background;
        solo.title = text;
        QImage image(700, 360, QImage::Format_RGB32);
        image.fill(Qt::black);
        {
            QPainter painter(&image);
            paintChartScene(painter, solo, chart.fonts());
        }
        const QRect box = toQRect(text.box).adjusted(-1, -1, 1, 1);
        int inside = 0;
        int outside = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                // Glyph edges blend into the background; the empty plot outline is darker.
                if (image.pixelColor(x, y).green() > 100) {
                    (box.contains(x, y) ? inside : outside) += 1;
                }
            }
        }
        QVERIFY2(inside > 0 && outside == 0, text.text.c_str());
    }
}

void DialogPartsTest::chartWithoutPointsHasNoCurves() {
    ChartModel model;
    ChartWidget chart(model);
    chart.resize(600, 300);
    frameChart(model);
    model.ResetLastPointIndex();
    const QImage image = chart.render();
    for (const QColor c : {QColor(255, 0, 0), QColor(0, 0, 255), QColor(255, 255, 0)}) {
        QCOMPARE(countColour(image, image.rect(), c), 0);
    }
    // The frame is drawn all the same.
    QCOMPARE(image.pixelColor(model.Frame().left + 3, model.Frame().top + 3), QColor(0, 0, 0));
}

void DialogPartsTest::chartFollowsItsWindowSize() {
    ChartModel model;
    ChartWidget chart(model);
    chart.show();
    chart.resize(500, 250);
    QCOMPARE(model.Client(), (PixelRect{0, 0, 500, 250}));
    chart.resize(800, 400);
    QCOMPARE(model.Client(), (PixelRect{0, 0, 800, 400}));
    QCOMPARE(model.Frame(), (PixelRect{2, 2, 798, 398}));
}

void DialogPartsTest::coalescerFlushesAtMostTwentyFiveTimesASecond() {
    UpdateCoalescer coalescer;
    int flushes = 0;
    connect(&coalescer, &UpdateCoalescer::flush, [&flushes] { ++flushes; });
    std::atomic<bool> done{false};
    QElapsedTimer elapsed;
    elapsed.start();
    // A worker asks as fast as it can for half a second.
    std::thread worker([&] {
        while (elapsed.elapsed() < 500) {
            coalescer.request();
        }
        done = true;
    });
    while (!done) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    worker.join();
    QTest::qWait(2 * UpdateCoalescer::kIntervalMs);
    const qint64 ms = elapsed.elapsed();
    QVERIFY(flushes >= 2);
    QVERIFY2(flushes <= ms / UpdateCoalescer::kIntervalMs + 1,
             qPrintable(QStringLiteral("%1 flushes in %2 ms").arg(flushes).arg(ms)));
}

void DialogPartsTest::coalescerLosesNoLateChange() {
    UpdateCoalescer coalescer;
    std::atomic<int> value{0};
    int seen = -1;
    connect(&coalescer, &UpdateCoalescer::flush, [&] { seen = value; });
    std::thread worker([&] {
        for (int i = 1; i <= 2000; ++i) {
            value = i;
            coalescer.request();
        }
    });
    worker.join();
    // However the requests fell, the last flush saw the last value.
    QTRY_COMPARE(seen, 2000);
}

void DialogPartsTest::logViewShowsWhatAWorkerWrote() {
    LogPane pane(0);
    LogView view(pane);
    ViewFollows follows(pane, view);
    std::thread worker([&pane] {
        for (int i = 0; i < 3000; ++i) {
            pane.Line("Block " + std::to_string(i) + ", wait ...", true);
            pane.Line(" done.", false, true);
            if (i % 500 == 0) {
                const std::uint8_t bytes[20] = {0x04, 0x00, 0x01, 0x41};
                pane.Traffic(bytes, sizeof bytes, 1);
            }
        }
        pane.Line("Finished", false, false);
    });
    worker.join();
    QTRY_COMPARE(view.shownLines(), pane.Lines());
    QCOMPARE(view.shownLines().back(), std::string("Finished"));
    QCOMPARE(view.currentIndex().row(), view.lines().rowCount() - 1);
}

void DialogPartsTest::logViewAfterClearShowsTheBlankLine() {
    LogPane pane(0);
    pane.Line("before the view", true);
    LogView view(pane);
    ViewFollows follows(pane, view);
    QCOMPARE(view.shownLines(), std::vector<std::string>{"before the view"});
    std::thread worker([&pane] {
        for (int i = 0; i < 200; ++i) {
            pane.Line(std::to_string(i), true);
        }
        pane.Clear();
        pane.Line(" cancelled.", false, true);
        pane.Line("again", true);
    });
    worker.join();
    QTRY_COMPARE(view.shownLines(), (std::vector<std::string>{"  cancelled.", "again"}));
}

void DialogPartsTest::timePickersShowNoSeconds_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("shown");
    QTest::newRow("24 hours") << "HH:mm:ss"
                              << "HH:mm";
    QTest::newRow("12 hours") << "h:mm:ss AP"
                              << "h:mm AP";
    QTest::newRow("morning first") << "AP h:mm:ss"
                                   << "AP h:mm";
    QTest::newRow("dots") << "H.mm.ss"
                          << "H.mm";
    QTest::newRow("single s") << "h:mm:s ap"
                              << "h:mm ap";
    QTest::newRow("no seconds") << "HH:mm"
                                << "HH:mm";
    QTest::newRow("no hours") << "mm:ss"
                              << "mm";
}

void DialogPartsTest::timePickersShowNoSeconds() {
    QFETCH(QString, format);
    QFETCH(QString, shown);
    QCOMPARE(timeFormatWithoutSeconds(format), shown);
}

void DialogPartsTest::progressEstimatesTheTimeLeft_data() {
    QTest::addColumn<Counts>("counts");
    QTest::addColumn<QString>("text");
    QTest::newRow("nothing yet") << Counts{} << "";
    QTest::newRow("first block: pace unknown") << Counts{{1, 10, 0}} << "1 / 10 blocks";
    QTest::newRow("a block a second")
        << Counts{{1, 10, 0}, {5, 10, 4}} << "5 / 10 blocks, 0:05 left";
    QTest::newRow("long transfer")
        << Counts{{1, 2048, 0}, {101, 2048, 50}} << "101 / 2048 blocks, 16:14 left";
    QTest::newRow("over an hour") << Counts{{1, 2048, 0}, {2, 2048, 3}}
                                  << "2 / 2048 blocks, 1:42:18 left";
    QTest::newRow("done") << Counts{{1, 10, 0}, {10, 10, 9}} << "10 / 10 blocks";
    // A new run starts from its own first count: the old pace is forgotten.
    QTest::newRow("started again") << Counts{{1, 10, 0}, {9, 10, 80}, {1, 10, 100}, {3, 10, 101}}
                                   << "3 / 10 blocks, 0:04 left";
    QTest::newRow("another file") << Counts{{1, 10, 0}, {9, 10, 8}, {9, 20, 20}, {11, 20, 21}}
                                  << "11 / 20 blocks, 0:05 left";
    QTest::newRow("no total") << Counts{{0, 0, 0}} << "";
}

void DialogPartsTest::progressEstimatesTheTimeLeft() {
    QFETCH(Counts, counts);
    QFETCH(QString, text);
    TransferProgress progress;
    const TransferProgress::Clock::time_point start{};
    for (const Count& c : counts) {
        progress.observe(static_cast<std::size_t>(c.done), static_cast<std::size_t>(c.total),
                         start + std::chrono::duration_cast<TransferProgress::Clock::duration>(
                                     std::chrono::duration<double>(c.at)));
    }
    QCOMPARE(QString::fromStdString(progress.text()), text);
}

void DialogPartsTest::onlyBusyPicturesMove() {
    UpgradeAnimation picture(UpgradePicture::IdleLocal);
    picture.resize(160, 64);
    picture.show();
    QVERIFY(!picture.animating());
    const QImage idleLocal = picture.grab().toImage();

    picture.setPicture(UpgradePicture::BusyRemote);
    QVERIFY(picture.animating());
    const QImage first = picture.grab().toImage();
    QTRY_VERIFY(picture.frame() >= 2);
    QVERIFY(picture.grab().toImage() != first);

    picture.setPicture(UpgradePicture::IdleRemote);
    QVERIFY(!picture.animating());
    QVERIFY(picture.grab().toImage() != idleLocal);
    // A hidden busy picture costs no timer.
    picture.setPicture(UpgradePicture::HardBusy);
    picture.hide();
    QVERIFY(!picture.animating());
    picture.show();
    QVERIFY(picture.animating());
}

QTEST_MAIN(DialogPartsTest)
#include "dialog_parts_test.moc"
