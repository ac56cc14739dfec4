// Full relayout and link routing of large diagrams, as a fraction of one 60 Hz frame
// (16.7 ms): below 1.0 the diagram can be laid out again between two frames. Targets: the
// 256-block network routes every link within one frame; at 1024 blocks within four.
//
// Arguments: blocks on a side (16: 256 blocks, 32: 1024), and the layout: 0 the grid with
// blocks added column by column, 1 the same added row by row, 2 arranged as a tree in a
// window 1200 pixels wide. See diagram_network.h.

#include <benchmark/benchmark.h>

#include <chrono>

#include "diagram_network.h"

namespace skelvane {
namespace {

constexpr double kFrameSeconds = 1.0 / 60.0;

void build(BlockDiagram& d, const benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    const int layout = static_cast<int>(state.range(1));
    bench::buildNetwork(d, side, layout == 1);
    if (layout == 2) {
        bench::arrange(d, 1200);
    }
}

// `seconds` is the wall time of all iterations.
void setCounters(benchmark::State& state, const BlockDiagram& d, double seconds) {
    const double perIteration = seconds / static_cast<double>(state.iterations());
    state.counters["frame_fraction"] = perIteration / kFrameSeconds;
    state.counters["blocks"] = d.itemCount();
    state.counters["links"] = bench::countLinks(d, false);
    state.counters["routed"] = bench::countLinks(d, true);
}

void BM_FullRelayoutAndRouting(benchmark::State& state) {
    BlockDiagram d;
    build(d, state);
    double seconds = 0;
    for (auto _ : state) {
        const auto begin = std::chrono::steady_clock::now();
        d.invalidateLayout();
        d.ensureLayout();
        benchmark::DoNotOptimize(d.items().data());
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    }
    setCounters(state, d, seconds);
}
BENCHMARK(BM_FullRelayoutAndRouting)
    ->ArgsProduct({{16, 32}, {0, 1, 2}})
    ->ArgNames({"side", "layout"})
    ->Unit(benchmark::kMillisecond);

// While a link is dragged only the dragged row is routed again.
void BM_RelayoutWhileDraggingALink(benchmark::State& state) {
    BlockDiagram d;
    build(d, state);
    d.ensureLayout();
    d.beginLinkDrag(static_cast<int>(state.range(0)) * 3 + 5, 0, {0, 0});
    double seconds = 0;
    for (auto _ : state) {
        const auto begin = std::chrono::steady_clock::now();
        d.invalidateLayout();
        d.ensureLayout();
        benchmark::DoNotOptimize(d.items().data());
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    }
    setCounters(state, d, seconds);
}
BENCHMARK(BM_RelayoutWhileDraggingALink)
    ->ArgsProduct({{16, 32}, {0}})
    ->ArgNames({"side", "layout"})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace skelvane

BENCHMARK_MAIN();
