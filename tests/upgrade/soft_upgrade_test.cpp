#include <gtest/gtest.h>

#include "upgrade/soft_upgrade.h"
#include "upgrade_fixture.h"

namespace skelvane {
namespace {

TEST(SoftUpgradeTest, Smoke) {
    test::UpgradeSim sim;
    SerialPort port;
    UpgradeLog log(sim.clock);
    SoftUpgrade upgrade(port, log, sim.clock);
    SoftUpgradeJob job;
    job.portName = "SIM1";
    job.fileName = sim.Firmware(200);
    EXPECT_EQ(upgrade.Run(job, {}), UpgradeResult::Completed);
    for (const auto& line : log.Lines()) {
        std::printf("%s\n", line.c_str());
    }
    std::printf("elapsed %lld\n", static_cast<long long>(sim.clock.Now().count()));
}

}  // namespace
}  // namespace skelvane
