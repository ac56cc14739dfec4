#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "base/clock.h"
#include "sim/network.h"
#include "sim/unit_seed.h"

namespace skelvane::sim {

enum class BuiltInRole { Master, Repeater, Remote };

// Radio latencies of remote units: a repeater is one hop away, a remote behind it two.
inline constexpr Millis kRepeaterLatency{40};
inline constexpr Millis kRemoteLatency{80};

// A small register set for a unit of the given role and UA, for when no template or network
// file says otherwise: operating mode, unit address, link rate (0x0E), country code (0x59), a
// few radio settings, and the diagnostic values of groups 1 and 6.
std::vector<ParameterSeed> BuiltInParameters(BuiltInRole role, std::uint16_t ua);
std::unique_ptr<Unit> MakeBuiltInUnit(BuiltInRole role, std::uint16_t ua);

// The built-in network: a Master of UA 1 on the cable, a Repeater of UA 2 and the Remotes
// 300 and 301.
std::shared_ptr<Network> MakeBuiltInNetwork(Clock& clock);

}  // namespace skelvane::sim
