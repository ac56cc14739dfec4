// Read All, Local and Remote, against skelvane-sim on a pseudo-terminal in real time.
// Reference: the protocol's floor, the fixed sleeps of the exchanges (50 ms Local, 200 ms
// Remote, after each of the 25 requests) plus one 1 ms receive poll each. Target: time /
// floor at most 1.10 for both. Also reported: the CPU time the process used per Read All,
// which stays small when the waits sleep rather than spin.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "base/clock.h"
#include "base/prompter.h"
#include "bench_sim.h"
#include "document/block.h"
#include "operations/current_remote_ua.h"
#include "operations/settings_page_model.h"

namespace {

using namespace skelvane;
using namespace skelvane::bench;

constexpr int kExchanges = 25;  // check, 5 groups, version, serial, mask, 16 entries
constexpr double kLocalFloorMs = kExchanges * (50 + 1);
constexpr double kRemoteFloorMs = kExchanges * (200 + 1);

// skelvane-sim on a pseudo-terminal for the whole run.
Simulator& Sim() {
    static Simulator sim;
    return sim;
}

class QuietPrompter final : public Prompter {
  public:
    Answer Message(std::string_view, std::string_view, MessageIcon, MessageButtons) override {
        return Answer::Ok;
    }
    std::optional<std::size_t> Choose(std::string_view, const std::vector<std::string>&,
                                      std::size_t selected) override {
        return selected;
    }
};

// A block with the registers every Read All fills.
std::unique_ptr<Block> RadioBlock(std::uint32_t ua) {
    auto block = CreateBlock(static_cast<int>(BlockKind::Remote));
    Parameter address;
    address.type = 2;
    address.name = "UnitAddress";
    address.readwrite = 2;
    address.visible = 1;
    address.value = ua;
    address.choices = {{"Min", "", 1}, {"Max", "", 65534}};
    address.vectors = {0x02, 0x03};
    block->AddParameter(address);
    for (const char* name : {"VersionNo", "SerialNo", "DataMask"}) {
        Parameter text;
        text.type = 4;
        text.name = name;
        text.readwrite = 1;
        text.visible = 1;
        block->AddParameter(text);
    }
    return block;
}

void ReadAll(benchmark::State& state, bool local) {
    if (Sim().Path().empty()) {
        state.SkipWithError("skelvane-sim did not start");
        return;
    }
    SystemClock clock;
    UnitFacts facts;
    CurrentRemoteUa remoteUa;
    QuietPrompter prompter;
    auto block = RadioBlock(local ? 1 : 300);
    const PortFactory ports;
    SettingsPageModel page(*block, ports, Sim().Path(), facts, remoteUa, prompter, clock);
    page.ChooseLocal(local);
    double cpu = 0;
    for (auto _ : state) {
        const double before = CpuSeconds();
        if (!page.ReadAll()) {
            state.SkipWithError("the worker did not start");
            break;
        }
        page.Link().Wait();
        cpu += CpuSeconds() - before;
        page.ApplyWorkerResults();
        if (page.LastOutcome() != SettingsOutcome::Succeeded) {
            state.SkipWithError("Read All failed");
            break;
        }
    }
    state.counters["cpu_ms"] = benchmark::Counter(cpu * 1000, benchmark::Counter::kAvgIterations);
}

void BM_ReadAllLocal(benchmark::State& state) {
    ReadAll(state, true);
}
void BM_ReadAllRemote(benchmark::State& state) {
    ReadAll(state, false);
}

BENCHMARK(BM_ReadAllLocal)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(8);
BENCHMARK(BM_ReadAllRemote)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

class RatioReporter final : public benchmark::ConsoleReporter {
  public:
    RatioReporter() : ConsoleReporter(::isatty(1) ? OO_Color : OO_None) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (!run.error_occurred && run.run_type == Run::RT_Iteration) {
                times[run.benchmark_name()] = run.GetAdjustedRealTime();
                cpuMs[run.benchmark_name()] = CounterOf(run, "cpu_ms");
            }
        }
    }
    std::map<std::string, double> times;
    std::map<std::string, double> cpuMs;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    std::printf("skelvane-sim on %s\n",
                Sim().Path().empty() ? "(not started)" : Sim().Path().c_str());
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    for (const auto& [name, label, floor] :
         {std::tuple{"BM_ReadAllLocal/iterations:8/real_time", "Read All Local", kLocalFloorMs},
          {"BM_ReadAllRemote/iterations:3/real_time", "Read All Remote", kRemoteFloorMs}}) {
        const auto it = reporter.times.find(name);
        if (it == reporter.times.end()) {
            continue;
        }
        const double ratio = it->second / floor;
        const double cpu = reporter.cpuMs[name];
        std::printf(
            "%s: %.1f ms / floor %.0f ms = %.3f (target <= 1.10: %s); CPU %.1f ms (%.2f%% of "
            "the time)\n",
            label, it->second, floor, ratio, ratio <= 1.10 ? "met" : "NOT met", cpu,
            100.0 * cpu / it->second);
    }
    return 0;
}
