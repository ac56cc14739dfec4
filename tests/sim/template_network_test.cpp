// The default network of the simulator, seeded from a model template.
#include <gtest/gtest.h>

#include <string>

#include "base/clock.h"
#include "sim/template_network.h"
#include "support/test_paths.h"

namespace skelvane {
namespace {

class TemplateNetworkTest : public testing::TestWithParam<const char*> {
  protected:
    VirtualClock clock;
    std::string error;
};

// Registers of the shipped templates: operating mode 0x01, unit address 0x02-0x03,
// repeater flag 0x08, transmit power 0x0B, link rate 0x0E.
TEST_P(TemplateNetworkTest, EachUnitCarriesItsKindsRegisterSet) {
    const auto network = sim::NetworkFromTemplate(test::DataDir() / GetParam(), clock, error);
    ASSERT_NE(network, nullptr) << error;
    ASSERT_EQ(network->Remotes().size(), 3u);

    struct Expected {
        sim::Unit* unit;
        std::uint16_t ua;
        std::uint8_t mode;
        std::uint8_t repeater;
    };
    const Expected units[] = {{&network->Local(), 1, 0, 0},
                              {network->FindRemote(2), 2, 1, 1},
                              {network->FindRemote(300), 300, 2, 0},
                              {network->FindRemote(301), 301, 2, 0}};
    for (const Expected& e : units) {
        ASSERT_NE(e.unit, nullptr) << e.ua;
        EXPECT_EQ(e.unit->Ua(), e.ua);
        EXPECT_EQ(e.unit->Register(0x02), e.ua >> 8) << e.ua;
        EXPECT_EQ(e.unit->Register(0x03), e.ua & 0xFF) << e.ua;
        EXPECT_EQ(e.unit->Register(0x01), e.mode) << e.ua;
        EXPECT_EQ(e.unit->Register(0x08), e.repeater) << e.ua;
        EXPECT_EQ(e.unit->Register(0x0E), 1) << e.ua;
    }
}

INSTANTIATE_TEST_SUITE_P(Models, TemplateNetworkTest,
                         testing::Values("TAVRIN-A.TPL", "MORVEX-A.TPL"), [](const auto& info) {
                             const std::string name = info.param;
                             return name.substr(0, name.find('-'));
                         });

TEST(TemplateNetworkFailures, AMissingOrIncompleteTemplateGivesNoNetwork) {
    VirtualClock clock;
    std::string error;
    test::TempDir dir;
    EXPECT_EQ(sim::NetworkFromTemplate(dir / "none.TPL", clock, error), nullptr);
    EXPECT_NE(error.find("Failed to open file."), std::string::npos) << error;

    // A network file has radios, but none named after its kind.
    error.clear();
    EXPECT_EQ(sim::NetworkFromTemplate(test::DataDir() / "star-network.xml", clock, error),
              nullptr);
    EXPECT_NE(error.find("no block \"Remote\""), std::string::npos) << error;
}

}  // namespace
}  // namespace skelvane
