#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "sim/boot_mode_side.h"
#include "sim/network.h"
#include "sim/soft_upgrade_side.h"

namespace skelvane::sim {

struct UpgradeSimOptions {
    // The unit on the cable starts in boot mode with its boot pins strapped (behind the
    // pseudo-terminal, where DTR and RTS cannot reset it into boot mode).
    bool bootMode = false;
    // Every unit's flash is blank.
    bool blankFlash = false;
    // No wire time, no response time, no flash write or erase time: the tool alone sets the
    // pace (benchmarks).
    bool unpaced = false;
};

// The upgrade sides of a network's units, each unit with its own flash.
struct UpgradeSides {
    std::map<std::uint16_t, std::shared_ptr<SoftUpgradeSide>> soft;  // by UA; 0 the local unit
    std::shared_ptr<BootModeSide> boot;                              // the unit on the cable
};

// Gives every unit of `network` a flash and the soft-upgrade side, and the unit on the cable
// the boot-mode side.
UpgradeSides InstallUpgradeSides(Network& network, const UpgradeSimOptions& options = {});

// Puts the upgrade faults of a plan on the units' soft-upgrade sides: the plan's own for
// every unit, a unit's entry where it names one.
void ApplyUpgradeFaults(Network& network, UpgradeSides& sides, const FaultPlan& plan);

}  // namespace skelvane::sim
