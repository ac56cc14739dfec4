// The pieces the device dialogs are built of: the chart's texts, update coalescing, questions
// asked from a worker thread, the log view, progress and pictures of the upgrade dialogs, the
// "Preset Freq. Restrictions" dialog and the diagnostics chart's scales.

#include <QBoxLayout>
#include <QCheckBox>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <atomic>
#include <future>
#include <thread>

#include "base/log_pane.h"
#include "base/prompter.h"
#include "device_harness.h"
#include "spectrum/chart_model.h"
#include "ui/chart_widget.h"
#include "ui/diag_plot.h"
#include "ui/file_names.h"
#include "ui/log_view.h"
#include "ui/qt_prompter.h"
#include "ui/time_format.h"
#include "ui/transfer_progress.h"
#include "ui/upgrade_animation.h"
#include "ui/worker_prompter.h"
#include "ui/worker_pump.h"

using namespace skelvane;
using test::paneLines;

// Counts heard by a progress display: blocks done, total, seconds after the start.
struct Count {
    int done;
    int total;
    double at;
};
using Counts = std::vector<Count>;

// A pane operation for the log view table.
enum class Op { Line, Append, Replace, Traffic, Clear };
struct PaneStep {
    Op op;
    const char* text;
};
Q_DECLARE_METATYPE(std::vector<PaneStep>)

namespace {

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
    void initTestCase() {
        // These tests follow every line a pane holds; the traffic filter has its own test.
        SetTrafficShown(true);
    }
    void chartTextsLandInTheirBoxes();
    void pumpGathersNewsAndSurvivesItsOwner();
    void workerQuestionIsAnsweredOnTheGuiThread();
    void closingReleasesAWaitingWorker();
    void logViewFollowsThePane_data();
    void logViewFollowsThePane();
    void trafficIsShownWhenTickedAndAlwaysSaved();
    void timePickersShowNoSeconds();
    void progressEstimatesTheTimeLeft();
    void onlyBusyPicturesMove();
    void plotScales();
    void plotKeepsTheLastFiveMinutes();
};

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
        const PixelRect& b = text.box;
        const QRect box = QRect(b.left, b.top, b.Width(), b.Height()).adjusted(-1, -1, 1, 1);
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

void DialogPartsTest::pumpGathersNewsAndSurvivesItsOwner() {
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
    QTRY_VERIFY(pump->updates() >= 1 && pump->settled());
    // Thousands of notes, a handful of updates, each on the GUI thread.
    QVERIFY2(pump->updates() <= 3, qPrintable(QString::number(pump->updates())));
    QVERIFY(onGuiThread);

    // A note after the pump is gone does nothing.
    pump.reset();
    std::thread late([&] { notify(); });
    late.join();
    QCoreApplication::sendPostedEvents();
}

void DialogPartsTest::workerQuestionIsAnsweredOnTheGuiThread() {
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

void DialogPartsTest::closingReleasesAWaitingWorker() {
    // The buttons of the question, and the answer that does nothing.
    const std::pair<MessageButtons, Answer> cases[] = {
        {MessageButtons::YesNo, Answer::No}, {MessageButtons::YesNoCancel, Answer::Cancel}};
    for (const auto& c : cases) {
        RecordingPrompter target;
        target.QueueAnswer(Answer::Yes);
        WorkerPrompter prompter(target);
        auto answer = std::async(std::launch::async, [&] {
            return prompter.Message("waiting", "Skelvane", MessageIcon::Question, c.first);
        });
        QVERIFY(answer.wait_for(std::chrono::milliseconds(30)) == std::future_status::timeout);
        // The dialog closes before the GUI thread got round to asking.
        prompter.shutDown();
        QVERIFY(answer.wait_for(std::chrono::seconds(5)) == std::future_status::ready);
        QCOMPARE(answer.get(), c.second);
        // The question that was on its way is dropped, and later ones are not asked at all.
        QCoreApplication::sendPostedEvents();
        QCOMPARE(target.Count(), std::size_t{0});
        auto later =
            std::async(std::launch::async, [&] { return prompter.Choose("Models", {"A"}, 0); });
        QVERIFY(later.wait_for(std::chrono::seconds(5)) == std::future_status::ready);
        QCOMPARE(later.get(), std::optional<std::size_t>());
    }
}

void DialogPartsTest::logViewFollowsThePane_data() {
    QTest::addColumn<std::vector<PaneStep>>("steps");
    QTest::newRow("traffic") << std::vector<PaneStep>{{Op::Line, "x"}, {Op::Traffic, ""}};
    // A cleared pane keeps its blank line; what comes next is appended to it.
    QTest::newRow("cleared") << std::vector<PaneStep>{{Op::Line, "a"}, {Op::Line, "b"},
                                                      {Op::Clear, ""}, {Op::Append, " cancelled."},
                                                      {Op::Line, "c"}, {Op::Replace, "d"}};
    // The pane keeps four lines: the oldest go as new ones come.
    QTest::newRow("over the cap") << std::vector<PaneStep>{
        {Op::Line, "1"}, {Op::Line, "2"}, {Op::Line, "3"},   {Op::Line, "4"},
        {Op::Line, "5"}, {Op::Line, "6"}, {Op::Append, "!"}, {Op::Line, "7"}};
}

void DialogPartsTest::logViewFollowsThePane() {
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

void DialogPartsTest::trafficIsShownWhenTickedAndAlwaysSaved() {
    LogPane pane;
    pane.Line("Verify connection ...", true);
    const std::uint8_t frame[4] = {0x03, 0x00, 0x00, 0x29};
    pane.Traffic(frame, sizeof frame, 1);
    pane.Line(" passed.", false, true);
    QWidget dialog;
    auto* layout = new QHBoxLayout(&dialog);
    auto* view = new LogView(pane, &dialog);
    layout->addWidget(view);
    layout->addWidget(view->controls());

    view->trafficBox()->setChecked(false);
    QCOMPARE(view->shownLines(), std::vector<std::string>{"Verify connection ... passed."});
    view->trafficBox()->setChecked(true);
    QCOMPARE(view->shownLines(), pane.Lines());

    // Saved whole whatever is shown; a file that cannot be written is no success.
    view->trafficBox()->setChecked(false);
    QTemporaryDir dir;
    const std::filesystem::path path = toPath(dir.filePath(QStringLiteral("log.txt")));
    QVERIFY(view->saveTo(path));
    std::string expected;
    for (const std::string& line : pane.Lines()) {
        expected += line + "\n";
    }
    QFile file(dir.filePath(QStringLiteral("log.txt")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().toStdString(), expected);
    QVERIFY(!view->saveTo(path / "not-a-folder" / "log.txt"));
    SetTrafficShown(true);
}

void DialogPartsTest::timePickersShowNoSeconds() {
    const std::pair<const char*, const char*> formats[] = {
        {"h:mm:ss AP", "h:mm AP"}, {"AP h:mm:ss", "AP h:mm"}, {"HH:mm", "HH:mm"}};
    for (const auto& [format, shown] : formats) {
        QCOMPARE(timeFormatWithoutSeconds(QString::fromLatin1(format)), QString::fromLatin1(shown));
    }
}

void DialogPartsTest::progressEstimatesTheTimeLeft() {
    const std::pair<Counts, const char*> runs[] = {
        {{{1, 10, 0}}, "1 / 10 blocks"},  // first block: pace unknown
        {{{1, 10, 0}, {5, 10, 4}}, "5 / 10 blocks, 0:05 left"},
        {{{1, 2048, 0}, {2, 2048, 3}}, "2 / 2048 blocks, 1:42:18 left"},
        {{{1, 10, 0}, {10, 10, 9}}, "10 / 10 blocks"},
        // A new run or another file starts from its own first count: the old pace is forgotten.
        {{{1, 10, 0}, {9, 10, 80}, {1, 10, 100}, {3, 10, 101}}, "3 / 10 blocks, 0:04 left"},
        {{{1, 10, 0}, {9, 10, 8}, {9, 20, 20}, {11, 20, 21}}, "11 / 20 blocks, 0:05 left"},
    };
    for (const auto& [counts, text] : runs) {
        TransferProgress progress;
        const TransferProgress::Clock::time_point start{};
        for (const Count& c : counts) {
            progress.observe(static_cast<std::size_t>(c.done), static_cast<std::size_t>(c.total),
                             start + std::chrono::duration_cast<TransferProgress::Clock::duration>(
                                         std::chrono::duration<double>(c.at)));
        }
        QCOMPARE(QString::fromStdString(progress.text()), QString::fromLatin1(text));
    }
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

void DialogPartsTest::plotScales() {
    struct Case {
        double low, high, unit, expectLow, expectHigh;
    };
    const Case cases[] = {
        {-79, -79, 5, -80, -60},  // one RSSI value
        {-3, 2, 1, -4, 4},
        {27, 23, 1, 23, 27},  // reversed
    };
    for (const Case& c : cases) {
        const PlotRange range = niceRange(c.low, c.high, c.unit, 4);
        QCOMPARE(range.low, c.expectLow);
        QCOMPARE(range.high, c.expectHigh);
        // Four whole steps that hold both values.
        QCOMPARE(range.high - range.low, 4 * range.step);
        QCOMPARE(std::fmod(range.step, c.unit), 0.0);
        QVERIFY(range.low <= std::min(c.low, c.high) && range.high >= std::max(c.low, c.high));
    }
}

// The time axis spans a minute at least and the last five minutes at most, which is what the
// plot keeps.
void DialogPartsTest::plotKeepsTheLastFiveMinutes() {
    QCOMPARE(plotSpan(Millis{5000}, Millis{5000}).count(), Millis{60000}.count());
    QCOMPARE(plotSpan(Millis{5000}, Millis{66000}).count(), Millis{120000}.count());
    QCOMPARE(plotSpan(Millis{5000}, Millis{305000}).count(), Millis{300000}.count());
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

QTEST_MAIN(DialogPartsTest)
#include "dialog_parts_test.moc"
