#include "sim/upgrade_sides.h"

namespace skelvane::sim {

UpgradeSides InstallUpgradeSides(Network& network, const UpgradeSimOptions& options) {
    SoftUpgradeOptions soft;
    BootModeOptions boot;
    boot.strapped = options.bootMode;
    if (options.unpaced) {
        soft.writeTime = Millis{0};
        boot.eraseTime = Millis{0};
        network.SetPaced(false);
        network.SetResponseTime(Millis{0});
    }
    UpgradeSides sides;
    network.Locked([&](Network& net) {
        Unit& local = net.Local();
        auto localFlash = std::make_shared<UnitFlash>(options.blankFlash);
        sides.soft[0] = SoftUpgradeSide::Install(local, localFlash, soft);
        sides.boot = BootModeSide::Install(local, localFlash, boot);
        for (Unit* remote : net.Remotes()) {
            sides.soft[remote->Ua()] = SoftUpgradeSide::Install(
                *remote, std::make_shared<UnitFlash>(options.blankFlash), soft);
        }
    });
    if (options.bootMode) {
        sides.boot->StartNow(network);
    }
    return sides;
}

void ApplyUpgradeFaults(Network& network, UpgradeSides& sides, const FaultPlan& plan) {
    network.Locked([&](Network& net) {
        for (auto& [key, side] : sides.soft) {
            const std::uint16_t ua = key == 0 ? net.Local().Ua() : key;
            UpgradeFaults faults = plan.upgrade;
            if (const auto unit = plan.units.find(ua); unit != plan.units.end()) {
                if (unit->second.upgrade.lostStartWriting > 0) {
                    faults.lostStartWriting = unit->second.upgrade.lostStartWriting;
                }
                if (unit->second.upgrade.lateBlockAck > 0) {
                    faults.lateBlockAck = unit->second.upgrade.lateBlockAck;
                }
            }
            side->Options().faults = faults;
            side->Reseed(plan.seed + ua);
        }
    });
}

}  // namespace skelvane::sim
