#include <gtest/gtest.h>

#include "upgrade/hard_upgrade.h"
#include "upgrade_fixture.h"

namespace skelvane {
namespace {

TEST(HardUpgradeTest, Smoke) {
    test::UpgradeSim sim;
    SerialPort port;
    UpgradeLog log(sim.clock);
    const BootImages images = PlaceholderBootImages();
    HardUpgrade upgrade(port, log, sim.clock, images);
    HardUpgradeJob job;
    job.portName = "SIM1";
    job.fileName = sim.Firmware(130);
    EXPECT_EQ(upgrade.Run(job, {}), UpgradeResult::Completed);
    for (const auto& line : log.Lines()) {
        std::printf("%s\n", line.c_str());
    }
    std::printf("elapsed %lld\n", static_cast<long long>(sim.clock.Now().count()));
}

}  // namespace
}  // namespace skelvane
