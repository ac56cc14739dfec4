// Finding units over a range of 1000 addresses of which three answer (2, 300, 301), against the
// simulated network on the virtual clock. Reported: the time left the scan shows before its
// first request, the time the scan took (virtual), their ratio (target: the estimate is within
// 5% of the truth, so the user can plan from the start), and the real time the run cost.
#include <benchmark/benchmark.h>

#include <string>

#include "base/clock.h"
#include "link/port_factory.h"
#include "operations/discovery_model.h"
#include "sim/builtin_network.h"
#include "sim/sim_port.h"

namespace {

using namespace skelvane;

void BM_Discover1000(benchmark::State& state) {
    double estimate = 0;
    double took = 0;
    for (auto _ : state) {
        VirtualClock clock;
        sim::PortHub hub;
        hub.Add("SIM1", sim::MakeBuiltInNetwork(clock));
        PortFactory ports{hub};
        DiscoveryModel model(ports, "SIM1", clock);
        std::string error;
        const Millis start = clock.Now();
        if (!model.Start(*ParseUnitAddressList("2-1001", error))) {
            state.SkipWithError("the scan did not start");
            return;
        }
        estimate = static_cast<double>(model.GetProgress().left.count()) / 1000.0;
        model.Wait();
        took = static_cast<double>((clock.Now() - start).count()) / 1000.0;
        if (model.Found().size() != 4) {
            state.SkipWithError("the scan did not find the four units");
            return;
        }
    }
    state.counters["estimate_s"] = estimate;
    state.counters["took_s"] = took;
    state.counters["estimate/took"] = took > 0 ? estimate / took : 0;
}

BENCHMARK(BM_Discover1000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
