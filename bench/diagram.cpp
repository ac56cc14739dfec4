// Full relayout and link routing of a large diagram, as a fraction of one 60 Hz frame
// (16.7 ms): below 1.0 the diagram can be laid out again between two frames.
//
// The network: 256 blocks on a 16 x 16 grid, 112 pixels apart across and 64 down. The
// Master heads the first column, a Repeater each further column; the Repeaters form a chain
// from the Master, and the other fifteen blocks of every column are Remotes hanging off
// their column's head. 255 links. Blocks are built the way the main window builds them
// (width 84, icon on the right, inputs before outputs).

#include <benchmark/benchmark.h>

#include <chrono>

#include "diagram/block_diagram.h"

namespace skelvane {
namespace {

constexpr int kColumns = 16;
constexpr int kRows = 16;
constexpr double kFrameSeconds = 1.0 / 60.0;

int addRadio(BlockDiagram& d, int column, int row, int inputs, int outputs) {
    const int i = d.insertItem("Radio", column * 112 + 16, row * 64 + 16, 0, nullptr);
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
    for (int column = 0; column < kColumns; ++column) {
        const bool master = column == 0;
        const int head = addRadio(d, column, 0, master ? 0 : 1, 1);
        const int headOutput = master ? 0 : 1;
        if (previousHead >= 0) {
            d.connect(previousHead, previousHead == 0 ? 0 : 1, head, 0, 0);
        }
        for (int row = 1; row < kRows; ++row) {
            const int remote = addRadio(d, column, row, 1, 0);
            d.connect(head, headOutput, remote, 0, 0);
        }
        previousHead = head;
    }
}

int countLinks(const BlockDiagram& d, bool routedOnly) {
    int n = 0;
    for (const DiagramItem& it : d.items()) {
        for (const DiagramRow& row : it.rows) {
            n += row.linked() && (!routedOnly || row.pointCount > 2) ? 1 : 0;
        }
    }
    return n;
}

// `seconds` is the wall time of all iterations.
void setCounters(benchmark::State& state, const BlockDiagram& d, double seconds) {
    const double perIteration = seconds / static_cast<double>(state.iterations());
    state.counters["frame_fraction"] = perIteration / kFrameSeconds;
    state.counters["blocks"] = d.itemCount();
    state.counters["links"] = countLinks(d, false);
    state.counters["routed"] = countLinks(d, true);
}

void BM_FullRelayoutAndRouting(benchmark::State& state) {
    BlockDiagram d;
    buildNetwork(d);
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
BENCHMARK(BM_FullRelayoutAndRouting)->Unit(benchmark::kMillisecond);

// While a link is dragged only the dragged row is routed again.
void BM_RelayoutWhileDraggingALink(benchmark::State& state) {
    BlockDiagram d;
    buildNetwork(d);
    d.ensureLayout();
    d.beginLinkDrag(kRows * 3 + 5, 0, {0, 0});
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
BENCHMARK(BM_RelayoutWhileDraggingALink)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace skelvane

BENCHMARK_MAIN();
