#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "base/clock.h"
#include "link/port_factory.h"
#include "sim/builtin_network.h"
#include "sim/network.h"
#include "sim/sim_port.h"

namespace skelvane::test {

using Bytes = std::vector<std::uint8_t>;

// The built-in network (Master UA 1 on the cable, Repeater 2, Remotes 300 and 301) behind
// "SIM1", on a virtual clock unless a test needs real time.
template <typename ClockType = VirtualClock>
struct BuiltInSim {
    template <typename... ClockArgs>
    explicit BuiltInSim(ClockArgs&&... clockArgs)
        : clock(std::forward<ClockArgs>(clockArgs)...), network(sim::MakeBuiltInNetwork(clock)) {
        hub.Add("SIM1", network);
    }

    ClockType clock;
    std::shared_ptr<sim::Network> network;
    sim::PortHub hub;
    PortFactory ports{hub};
};

using SimNetwork = BuiltInSim<>;

}  // namespace skelvane::test
