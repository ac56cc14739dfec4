#include <gtest/gtest.h>

#include "link/port_discovery.h"
#include "sim/faults.h"
#include "sim_fixture.h"

namespace skelvane {
namespace {

using test::Bytes;

TEST(SimPortTest, SetBaudRateAssertsDtrAndReleasesRts) {
    test::SimFixture sim;
    ASSERT_TRUE(sim.port.Open("SIM1"));
    EXPECT_FALSE(sim.network->HostLine().dtr);
    EXPECT_FALSE(sim.network->HostLine().rts);
    sim.port.SetDtr(false);
    sim.port.SetRts(true);
    EXPECT_TRUE(sim.network->HostLine().rts);
    ASSERT_TRUE(sim.port.SetBaudRate(19200));
    EXPECT_EQ(sim.network->HostLine(), (sim::LineState{19200, 8, 0, 0, true, false}));
}

TEST(SimPortTest, OneHostAtATime) {
    test::SimFixture sim;
    EXPECT_FALSE(IsPortInUse(sim.ports, "SIM1"));
    ASSERT_TRUE(sim.Connect());
    EXPECT_TRUE(IsPortInUse(sim.ports, "SIM1"));
    SerialPort other{sim.ports};
    EXPECT_FALSE(other.Open("SIM1"));
    EXPECT_FALSE(other.Open("SIM2"));  // no such network
    sim.port.Close();
    EXPECT_TRUE(other.Open("SIM1"));

    const std::vector<PortListEntry> entries = DiscoverPorts(sim.ports);
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries.back().text, "SIM1 (In Use)");
    EXPECT_EQ(entries.back().portName, "SIM1");
}

// Each simulated name opens on the network of the provider that lists it; a name nobody
// serves counts as gone.
TEST(SimPortTest, AFactoryServesTheNamesOfEveryProvider) {
    test::SimFixture sim;
    sim::PortHub second;
    const std::shared_ptr<sim::Network> other = sim::MakeBuiltInNetwork(sim.clock);
    second.Add("SIM7", other);
    sim.ports.AddSimPorts(second);
    EXPECT_EQ(sim.ports.SimPortNames(), (std::vector<std::string>{"SIM1", "SIM7"}));

    SerialPort port{sim.ports};
    ASSERT_TRUE(port.Open("SIM7"));
    EXPECT_TRUE(other->HostAttached());
    EXPECT_FALSE(sim.network->HostAttached());
    EXPECT_TRUE(IsPortInUse(sim.ports, "SIM7"));
    EXPECT_FALSE(IsPortInUse(sim.ports, "SIM1"));
    EXPECT_TRUE(IsPortInUse(sim.ports, "SIM9"));

    // Without a provider simulated names do not open.
    const PortFactory platformOnly;
    SerialPort platformPort{platformOnly};
    EXPECT_FALSE(platformPort.Open("SIM1"));
}

TEST(SimPortTest, PurgeKeepsBytesStillOnTheirWay) {
    test::SimFixture sim;
    ASSERT_TRUE(sim.Connect());
    const Bytes remote = {0x03, 0x01, 0x2C, 0x29};
    sim.port.Write(remote.data(), remote.size());
    EXPECT_TRUE(sim.port.Purge());  // nothing has arrived yet
    EXPECT_EQ(sim.Collect().size(), 10u);

    sim.port.Write(remote.data(), remote.size());
    sim.clock.Advance(Millis{200});
    EXPECT_TRUE(sim.port.Purge());  // the reply has arrived and is dropped
    EXPECT_TRUE(sim.Collect().empty());
}

// Faults, one direction or one unit at a time, on the serial-number request to unit 300
// whose faithful reply is 10 bytes.
struct FaultCase {
    const char* name;
    std::string text;
    std::size_t size;  // bytes that arrive
    bool wellFormed;   // first byte = count - 1 and the bytes unchanged
};

class FaultTest : public ::testing::TestWithParam<FaultCase> {};

TEST_P(FaultTest, InjectedFaultsShowOnTheWire) {
    test::SimFixture sim;
    sim::FaultPlan plan;
    std::string error;
    ASSERT_TRUE(sim::ParseFaultPlan(GetParam().text, plan, error)) << error;
    EXPECT_TRUE(sim::ApplyFaultPlan(*sim.network, plan).empty());
    ASSERT_TRUE(sim.Connect());
    const Bytes faithful = {0x09, 0x01, 0x2C, 0x8D, '1', '0', '0', '3', '0', '0'};
    const Bytes reply = sim.Exchange({0x03, 0x01, 0x2C, 0x29});
    EXPECT_EQ(reply.size(), GetParam().size);
    EXPECT_EQ(reply == faithful, GetParam().wellFormed);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultTest,
    ::testing::Values(FaultCase{"None", "", 10, true},
                      FaultCase{"RepliesDropped", "out.drop=1", 0, false},
                      FaultCase{"RequestsDropped", "in.drop=1", 0, false},
                      FaultCase{"RepliesCorrupted", "out.corrupt=1", 10, false},
                      FaultCase{"ExtraBytes", "out.extra=1", 20, false},
                      FaultCase{"OtherUnitsFaultsDoNotMatter", "u301.drop=1,u1.silent=0", 10, true},
                      FaultCase{"UnitRepliesDropped", "u300.out.drop=1", 0, false},
                      FaultCase{"UnitSilent", "u300.silent=0", 0, false},
                      FaultCase{"SplitAndDelayedStillWhole", "out.split=3,out.gap=20,delay=50", 10,
                                true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimFaultsTest, SplitRepliesArriveInPieces) {
    test::SimFixture sim;
    sim.network->LineFaults(sim::Direction::ToHost).settings.splitEvery = 3;
    sim.network->LineFaults(sim::Direction::ToHost).settings.splitGap = Millis{20};
    ASSERT_TRUE(sim.Connect());
    const std::uint8_t request[] = {0x03, 0x00, 0x00, 0x29};
    sim.port.Write(request, sizeof request);
    std::vector<std::size_t> reads;
    std::uint8_t buffer[64];
    for (int i = 0; i < 40; ++i) {
        if (const std::size_t n = sim.port.Read(buffer, sizeof buffer)) {
            reads.push_back(n);
        }
    }
    EXPECT_EQ(reads, (std::vector<std::size_t>{3, 3, 3, 1}));
}

TEST(SimFaultsTest, TheSameSeedGivesTheSameFaults) {
    auto run = [] {
        sim::FaultFilter filter(7);
        filter.settings.dropByte = 0.3;
        filter.settings.corruptByte = 0.3;
        std::vector<std::uint8_t> all;
        for (int i = 0; i < 20; ++i) {
            for (const sim::TimedBytes& piece : filter.Apply(Millis{0}, {1, 2, 3, 4, 5, 6, 7, 8})) {
                all.insert(all.end(), piece.bytes.begin(), piece.bytes.end());
            }
        }
        return all;
    };
    const std::vector<std::uint8_t> first = run();
    EXPECT_EQ(first, run());
    EXPECT_LT(first.size(), 160u);
}

struct PlanCase {
    const char* text;
    bool ok;
};

class FaultPlanTest : public ::testing::TestWithParam<PlanCase> {};

TEST_P(FaultPlanTest, ParsesOrRefuses) {
    sim::FaultPlan plan;
    std::string error;
    EXPECT_EQ(sim::ParseFaultPlan(GetParam().text, plan, error), GetParam().ok) << error;
    EXPECT_EQ(error.empty(), GetParam().ok);
}

INSTANTIATE_TEST_SUITE_P(
    Plans, FaultPlanTest,
    ::testing::Values(PlanCase{"", true}, PlanCase{"drop=0.5,,corrupt=0", true},
                      PlanCase{"in.delay=20,out.split=4,out.gap=2", true},
                      PlanCase{"u300.silent=5,u2.in.drop=1,vanish=10,seed=3", true},
                      PlanCase{"drop=2", false}, PlanCase{"drop=x", false},
                      PlanCase{"split", false}, PlanCase{"sideways.drop=1", false},
                      PlanCase{"u70000.drop=1", false}, PlanCase{"u300.vanish=1", false},
                      PlanCase{"in.silent=1", false}, PlanCase{"jitter=3", false}));

TEST(FaultPlanTest, UnitsNotOnTheNetworkAreReported) {
    sim::FaultPlan plan;
    std::string error;
    ASSERT_TRUE(sim::ParseFaultPlan("u300.silent=5,u999.drop=1", plan, error)) << error;
    test::SimFixture sim;
    EXPECT_EQ(sim::ApplyFaultPlan(*sim.network, plan), std::vector<std::uint16_t>{999});
}

}  // namespace
}  // namespace skelvane
