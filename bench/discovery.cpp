// Finding units among 64 addresses of which three answer (2, 300, 301), against skelvane-sim
// on a pseudo-terminal, paced at wire speed, in real time. Reference: the sum of the
// protocol's waits for the exchanges the scan makes: after each request the fixed settling
// time (50 ms Local, 200 ms Remote) and one 1 ms receive poll where a unit answers; for an
// address nobody answers, the settling time and every receive poll of the bounded wait.
// The unit on the cable gets three exchanges (serial number, version, operating mode), each
// unit found three (version, operating mode, serial number). Target: time / reference at most
// 1.05. Also reported: the time left the scan shows before its first address against the
// time the addresses took, and the CPU time.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "base/clock.h"
#include "bench_sim.h"
#include "link/port_factory.h"
#include "operations/discovery_model.h"

namespace {

using namespace skelvane;
using namespace skelvane::bench;

constexpr const char* kAddresses = "2-63,300,301";  // 64 addresses
constexpr int kAddressCount = 64;
constexpr int kPresent = 3;
constexpr double kLocalExchangeMs = 50 + 1;
constexpr double kRemoteExchangeMs = 200 + 1;

double ReferenceMs() {
    const double silent = static_cast<double>(DiscoveryModel::SilentAddressCost().count());
    return 3 * kLocalExchangeMs + kPresent * 3 * kRemoteExchangeMs +
           (kAddressCount - kPresent) * silent;
}

void BM_Discover64(benchmark::State& state) {
    const Simulator sim;
    const std::string& terminal = sim.Path();
    if (terminal.empty()) {
        state.SkipWithError("skelvane-sim did not start");
        return;
    }
    std::string error;
    const auto addresses = ParseUnitAddressList(kAddresses, error);
    SystemClock clock;
    const PortFactory ports;
    DiscoveryModel model(ports, terminal, clock);
    double estimate = 0;
    double cpu = 0;
    for (auto _ : state) {
        const double before = CpuSeconds();
        if (!model.Start(*addresses)) {
            state.SkipWithError("the scan did not start");
            return;
        }
        estimate = static_cast<double>(model.GetProgress().left.count());
        model.Wait();
        cpu += CpuSeconds() - before;
        // The unit on the cable and the three asked for.
        if (model.Found().size() != kPresent + 1) {
            state.SkipWithError("the scan did not find the four units");
            return;
        }
    }
    state.counters["estimate_ms"] = estimate;
    state.counters["cpu_ms"] = benchmark::Counter(cpu * 1000, benchmark::Counter::kAvgIterations);
}

BENCHMARK(BM_Discover64)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

class RatioReporter final : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration) {
                continue;
            }
            const double ms = run.GetAdjustedRealTime();
            const double reference = ReferenceMs();
            const auto value = [&run](const char* name) { return CounterOf(run, name); };
            std::printf(
                "Discovery of %d addresses, %d answering: %.0f ms / protocol's waits %.0f ms = "
                "%.3f (target <= 1.05: %s); time left shown first %.0f ms; CPU %.0f ms (%.2f%% "
                "of the time)\n",
                kAddressCount, kPresent, ms, reference, ms / reference,
                ms / reference <= 1.05 ? "met" : "NOT met", value("estimate_ms"), value("cpu_ms"),
                100 * value("cpu_ms") / ms);
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
