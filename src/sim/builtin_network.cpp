#include "sim/builtin_network.h"

namespace skelvane::sim {

std::vector<ParameterSeed> BuiltInParameters(BuiltInRole role, std::uint16_t ua) {
    const std::uint32_t mode = role == BuiltInRole::Master     ? 0
                               : role == BuiltInRole::Repeater ? 1
                                                               : 2;
    std::vector<ParameterSeed> seeds = {
        {"OperatingMode", 1, mode, "", {0x01}},
        {"UnitAddress", 2, ua, "", {0x02, 0x03}},
        {"RoamingAddress", 2, 1, "", {0x04, 0x05}},
        {"DestAddess", 2, role == BuiltInRole::Master ? 0xFFFFu : 1u, "", {0x06, 0x07}},
        {"RepeaterYesNo", 1, role == BuiltInRole::Repeater ? 1u : 0u, "", {0x08}},
        {"TxPower", 1, 30, "", {0x0A}},
        {"HopPattern", 1, 3, "", {0x0B}},
        {"LinkRate", 1, 2, "", {0x0E}},
        {"NetworkId", 2, 0x1234, "", {0x10, 0x11}},
        {"CountryCode", 1, 0, "", {0x59}},
    };
    for (const LiveValue& live : DefaultLiveValues()) {
        const std::uint8_t type = live.ids.size() == 1 ? 1 : live.ids.size() == 2 ? 2 : 3;
        const auto value =
            static_cast<std::uint32_t>(live.kind == LiveValue::Kind::Level ? live.centre : 0);
        seeds.push_back({live.name, type, value, "", live.ids});
    }
    return seeds;
}

std::unique_ptr<Unit> MakeBuiltInUnit(BuiltInRole role, std::uint16_t ua) {
    auto unit = std::make_unique<Unit>(ua);
    SeedUnit(*unit, BuiltInParameters(role, ua));
    return unit;
}

std::shared_ptr<Network> MakeBuiltInNetwork(Clock& clock) {
    auto network = std::make_shared<Network>(clock);
    network->SetLocal(MakeBuiltInUnit(BuiltInRole::Master, 1));
    network->AddRemote(MakeBuiltInUnit(BuiltInRole::Repeater, 2), kRepeaterLatency);
    network->AddRemote(MakeBuiltInUnit(BuiltInRole::Remote, 300), kRemoteLatency);
    network->AddRemote(MakeBuiltInUnit(BuiltInRole::Remote, 301), kRemoteLatency);
    return network;
}

}  // namespace skelvane::sim
