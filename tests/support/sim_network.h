#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "base/clock.h"
#include "link/port_factory.h"
#include "sim/builtin_network.h"
#include "sim/network.h"
#include "sim/sim_port.h"
#include "sim/unit.h"

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

// A unit's restriction entry for `ua` with the given channel ranges.
inline sim::RestrictionEntry SimEntry(std::uint16_t ua, std::vector<std::pair<int, int>> ranges) {
    sim::RestrictionEntry entry;
    entry.ua = ua;
    for (std::size_t k = 0; k < ranges.size(); ++k) {
        entry.start[k] = static_cast<std::uint16_t>(ranges[k].first);
        entry.end[k] = static_cast<std::uint16_t>(ranges[k].second);
    }
    return entry;
}

}  // namespace skelvane::test
