// Painting the block diagram as a fraction of one 60 Hz frame (16.7 ms): below 1.0 the view
// can be redrawn between two frames while blocks are dragged.
//
// The network is the one of the diagram benchmark: 256 blocks on a 16 x 16 grid, 112 pixels
// apart across and 64 down, a Master heading the first column and a Repeater each further
// column, chained from the Master, the other fifteen blocks of every column Remotes hanging
// off their column's head; 255 routed links. Blocks are built as the main window builds them
// (width 84, icon on the right, inputs before outputs), with the system fonts and colours, and
// painted into an image of the same format as a window's backing store on Qt's offscreen
// platform.

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <chrono>
#include <cstdlib>

#include "diagram/block_diagram.h"
#include "ui/diagram_painter.h"
#include "ui/diagram_style.h"

namespace skelvane {
namespace {

constexpr int kColumns = 16;
constexpr int kRows = 16;
constexpr double kFrameSeconds = 1.0 / 60.0;

int addRadio(BlockDiagram& d, const std::string& title, int image, int column, int row, int inputs,
             int outputs) {
    const int i = d.insertItem(title, column * 112 + 16, row * 64 + 16, image, nullptr);
    d.setWidth(i, 84);
    d.setState(i, kItemIconRight, kItemIconRight);
    for (int k = 0; k < inputs; ++k) {
        d.addRow(i, "~", kInputSide, 0);
    }
    for (int k = 0; k < outputs; ++k) {
        d.addRow(i, "~", kOutputSide, static_cast<std::uint32_t>(i + 1));
    }
    return i;
}

void buildNetwork(BlockDiagram& d) {
    int previousHead = -1;
    int ua = 2;
    for (int column = 0; column < kColumns; ++column) {
        const bool master = column == 0;
        const int head = addRadio(d, master ? "Master" : "Repeater " + std::to_string(ua++),
                                  master ? 2 : 3, column, 0, master ? 0 : 1, 1);
        const int headOutput = master ? 0 : 1;
        if (previousHead >= 0) {
            d.connect(previousHead, previousHead == 0 ? 0 : 1, head, 0, 0);
        }
        for (int row = 1; row < kRows; ++row) {
            const int remote = addRadio(d, std::to_string(ua++), 4, column, row, 1, 0);
            d.connect(head, headOutput, remote, 0, 0);
        }
        previousHead = head;
    }
    // A few selected blocks, as while a selection is dragged.
    for (int i = 0; i < d.itemCount(); i += 37) {
        d.setState(i, kItemSelected, kItemSelected);
    }
}

QRect contentBounds(BlockDiagram& d) {
    d.ensureLayout();
    QRect bounds;
    for (const DiagramItem& it : d.items()) {
        bounds |= QRect(QPoint(it.rect.left, it.rect.top), QPoint(it.rect.right, it.rect.bottom));
    }
    return bounds.adjusted(0, 0, 16, 16);
}

int countRouted(const BlockDiagram& d) {
    int n = 0;
    for (const DiagramItem& it : d.items()) {
        for (const DiagramRow& row : it.rows) {
            n += row.linked() && row.pointCount > 2 ? 1 : 0;
        }
    }
    return n;
}

// Paints `client` of the diagram per iteration; with `relayout` the layout is recomputed
// first, as after a move.
void paint(benchmark::State& state, QSize client, bool relayout) {
    BlockDiagram d;
    const DiagramStyle style = DiagramStyle::fromSystem();
    d.setMetrics(style.metrics());
    buildNetwork(d);
    if (client.isEmpty()) {
        client = contentBounds(d).size();
    }
    QImage image(client, QImage::Format_ARGB32_Premultiplied);
    const QRect rect(QPoint(0, 0), client);
    double seconds = 0;
    for (auto _ : state) {
        const auto begin = std::chrono::steady_clock::now();
        if (relayout) {
            d.invalidateLayout();
        }
        {
            QPainter painter(&image);
            paintDiagram(painter, d, style, rect, rect);
        }
        benchmark::DoNotOptimize(image.constBits());
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    }
    state.counters["frame_fraction"] =
        seconds / static_cast<double>(state.iterations()) / kFrameSeconds;
    state.counters["blocks"] = d.itemCount();
    state.counters["routed_links"] = countRouted(d);
    state.counters["pixels"] = static_cast<double>(client.width()) * client.height();
}

// Every block and link at once: the whole network in one image.
void BM_PaintWholeNetwork(benchmark::State& state) {
    paint(state, QSize(), false);
}
BENCHMARK(BM_PaintWholeNetwork)->Unit(benchmark::kMillisecond);

// What a window shows of it.
void BM_PaintWindow(benchmark::State& state) {
    paint(state, QSize(800, 600), false);
}
BENCHMARK(BM_PaintWindow)->Unit(benchmark::kMillisecond);

// The whole network after a move: layout, routing and painting.
void BM_RelayoutAndPaintWholeNetwork(benchmark::State& state) {
    paint(state, QSize(), true);
}
BENCHMARK(BM_RelayoutAndPaintWholeNetwork)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace skelvane

int main(int argc, char** argv) {
    // The same fonts and no display needed wherever it runs.
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
