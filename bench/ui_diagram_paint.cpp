// Painting the block diagram as a fraction of one 60 Hz frame (16.7 ms): below 1.0 the view
// can be redrawn between two frames while blocks are dragged. Target: the whole 256-block
// network within one frame; at 1024 blocks the figures are reported (within four frames).
//
// The network is the one of the diagram benchmark (diagram_network.h) with 256 or 1024
// blocks, built with the system fonts and colours and painted into an image of the same
// format as a window's backing store on Qt's offscreen platform.

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <chrono>
#include <cstdlib>

#include "diagram/block_diagram.h"
#include "diagram_network.h"
#include "ui/diagram_painter.h"
#include "ui/diagram_style.h"

namespace skelvane {
namespace {

constexpr double kFrameSeconds = 1.0 / 60.0;

void buildNetwork(BlockDiagram& d, int side) {
    bench::buildNetwork(d, side);
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

// Paints `client` of the diagram per iteration; with `relayout` the layout is recomputed
// first, as after a move.
void paint(benchmark::State& state, QSize client, bool relayout) {
    BlockDiagram d;
    const DiagramStyle style = DiagramStyle::fromSystem();
    d.setMetrics(style.metrics());
    buildNetwork(d, static_cast<int>(state.range(0)));
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
    state.counters["routed_links"] = bench::countLinks(d, true);
    state.counters["pixels"] = static_cast<double>(client.width()) * client.height();
}

// Every block and link at once: the whole network in one image.
void BM_PaintWholeNetwork(benchmark::State& state) {
    paint(state, QSize(), false);
}
BENCHMARK(BM_PaintWholeNetwork)->Arg(16)->Arg(32)->ArgName("side")->Unit(benchmark::kMillisecond);

// What a window shows of it.
void BM_PaintWindow(benchmark::State& state) {
    paint(state, QSize(800, 600), false);
}
BENCHMARK(BM_PaintWindow)->Arg(16)->Arg(32)->ArgName("side")->Unit(benchmark::kMillisecond);

// The whole network after a move: layout, routing and painting.
void BM_RelayoutAndPaintWholeNetwork(benchmark::State& state) {
    paint(state, QSize(), true);
}
BENCHMARK(BM_RelayoutAndPaintWholeNetwork)
    ->Arg(16)
    ->Arg(32)
    ->ArgName("side")
    ->Unit(benchmark::kMillisecond);

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
