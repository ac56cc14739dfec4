// Backing up a network of 16 Remotes (a Master on the cable, not read) against skelvane-sim
// serving the same network on a pseudo-terminal, paced at wire speed, in real time.
// Reference: 16 times the floor of a Remote Read All (the fixed 200 ms after each of its 25
// requests plus one 1 ms receive poll each, as bench_protocol counts it). A backup asks each
// unit for its repeater list as well, one more exchange; the floor with it is reported beside.
// Target: time / (16 x Read All floor) at most 1.05, and the CPU time under 1% of the time.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "base/clock.h"
#include "base/format.h"
#include "base/prompter.h"
#include "bench_sim.h"
#include "document/network_file.h"
#include "document/parameter_sets.h"
#include "operations/network_backup_model.h"
#include "sim/template_network.h"

namespace {

using namespace skelvane;
using namespace skelvane::bench;

constexpr int kUnits = 16;
constexpr double kRemoteReadAllFloorMs = 25 * (200 + 1);
constexpr double kRepeaterListFloorMs = 200 + 1;

// The network: Master 1 and Remotes 2 to 17, with the template's parameters.
bool MakeNetwork(NetworkFile& document, Prompter& prompter) {
    LinkIdCounter ids;
    NetworkFile templates(ids);
    if (!templates.Read(sim::FindDefaultTemplate(), prompter)) {
        return false;
    }
    document.SetRoot(CreateBlock(static_cast<int>(BlockKind::Network)));
    for (int ua = kUnits + 1; ua >= 1; --ua) {
        const BlockKind kind = ua == 1 ? BlockKind::Master : BlockKind::Remote;
        Block* block = document.Root()->AppendChild(CreateBlock(static_cast<int>(kind)));
        CopyTemplateParameters(*block, templates);
        block->FindParameter("UnitAddress")->value = static_cast<std::uint32_t>(ua);
        block->SetName(Format("U%d", ua));
    }
    return true;
}

void BM_Backup16(benchmark::State& state) {
    RecordingPrompter prompter;
    LinkIdCounter ids;
    NetworkFile document(ids);
    const auto path = std::filesystem::temp_directory_path() / "bench_backup_network.xml";
    if (!MakeNetwork(document, prompter) || !document.Save(path, prompter)) {
        state.SkipWithError("the network file could not be made");
        return;
    }
    const Simulator sim({"--network", path.string()});
    const std::string& terminal = sim.Path();
    if (terminal.empty()) {
        state.SkipWithError("skelvane-sim did not start");
        return;
    }
    SystemClock clock;
    const PortFactory ports;
    NetworkBackupModel model(*document.Root(), ports, terminal, prompter, clock);
    std::vector<Block*> remotes;
    for (Block* block = document.Root()->FirstChild(); block; block = block->NextSibling()) {
        if (block->KindCode() == static_cast<int>(BlockKind::Remote)) {
            remotes.push_back(block);
        }
    }
    model.ChooseOnly(remotes);
    double cpu = 0;
    for (auto _ : state) {
        const double before = CpuSeconds();
        if (!model.Start()) {
            state.SkipWithError("the backup did not start");
            break;
        }
        model.Run().Wait();
        cpu += CpuSeconds() - before;
        if (model.SucceededCount() != kUnits) {
            state.SkipWithError("not every unit was read");
            break;
        }
    }
    state.counters["cpu_ms"] = benchmark::Counter(cpu * 1000, benchmark::Counter::kAvgIterations);
    std::filesystem::remove(path);
}

BENCHMARK(BM_Backup16)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

class RatioReporter final : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration) {
                continue;
            }
            const double ms = run.GetAdjustedRealTime();
            const double floor = kUnits * kRemoteReadAllFloorMs;
            const double withList = floor + kUnits * kRepeaterListFloorMs;
            const double cpuMs = CounterOf(run, "cpu_ms");
            std::printf(
                "Backup of %d units: %.0f ms / (16 x Read All floor) %.0f ms = %.3f (target "
                "<= 1.05: %s); / floor with the repeater lists %.0f ms = %.3f; CPU %.0f ms "
                "(%.2f%% of the time, target < 1%%)\n",
                kUnits, ms, floor, ms / floor, ms / floor <= 1.05 ? "met" : "NOT met", withList,
                ms / withList, cpuMs, 100 * cpuMs / ms);
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
