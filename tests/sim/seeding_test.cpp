#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <span>

#include "sim/block_seed.h"
#include "sim/unit_seed.h"
#include "sim_fixture.h"

namespace skelvane {
namespace {

TEST(SeedingTest, ValuesGoIntoTheirRegistersMostSignificantFirst) {
    sim::Unit unit;
    sim::SeedUnit(unit, {
                            {"UnitAddress", 2, 300, "", {0x02, 0x03}},
                            {"NetworkId", 2, 0x1234, "", {0x10, 0x11}},
                            {"Frequency", 3, 0x0DC4A1B2, "", {0x20, 0x21, 0x22, 0x23}},
                            {"Mode", 1, 0x1FF, "", {0x30}},        // cut to its byte
                            {"Short", 1, 0x42, "", {0x31, 0x32}},  // no byte for a 2nd id
                            {"NoIds", 2, 0x5555, "", {}},
                            {"Text", 4, 7, "abc", {0x40}},  // texts are not registers
                            {"VersionNo", 4, 0, "V3.108", {}},
                            {"SerialNo", 4, 0, "A77", {}},
                            {"DataMask", 4, 0, "", {}},  // empty: keeps its own
                        });
    EXPECT_EQ(unit.Ua(), 300);
    EXPECT_EQ(unit.Register(0x10), 0x12);
    EXPECT_EQ(unit.Register(0x11), 0x34);
    const std::uint8_t frequency[] = {0x20, 0x21, 0x22, 0x23};
    EXPECT_EQ(unit.Value(frequency), 0x0DC4A1B2u);
    EXPECT_EQ(unit.Register(0x30), 0xFF);
    EXPECT_EQ(unit.Register(0x31), 0x42);
    EXPECT_EQ(unit.Register(0x32), 0x00);
    EXPECT_EQ(unit.Register(0x40), 0x00);
    EXPECT_EQ(unit.VersionNumber(), 31080u);
    EXPECT_EQ(unit.SerialNumber(), "A77");
    EXPECT_EQ(unit.DataMask(), "FFFFFFFF");
}

TEST(SeedingTest, RestrictionAndRepeaterTexts) {
    sim::Unit unit;
    sim::SeedUnit(unit, {{"FrequencyRestriction3", 4, 0, "25:902400,903000,915000,916000", {}},
                         {"FrequencyRestriction1", 4, 0, "0", {}},
                         {"FrequencyRestriction17", 4, 0, "5:902400,903000", {}},
                         {"RepeaterRegistration", 4, 0, "9,2 5,,9", {}}});
    const sim::RestrictionEntry& entry = unit.Restriction(2);
    EXPECT_EQ(entry.ua, 25);
    EXPECT_THAT(std::span(entry.start).first(3), testing::ElementsAre(0, 12600, 0xFFFF));
    EXPECT_THAT(std::span(entry.end).first(2), testing::ElementsAre(600, 13600));
    EXPECT_EQ(unit.SavedRestriction(2), entry);
    EXPECT_EQ(unit.Restriction(0), sim::RestrictionEntry{});
    EXPECT_THAT(std::span(unit.Repeaters()).first(4), testing::ElementsAre(2, 5, 9, 0xFFFF));

    EXPECT_EQ(sim::ParseRestrictionText("no colon"), sim::RestrictionEntry{});
    EXPECT_EQ(sim::ParseRestrictionText("0:902400,903000"), sim::RestrictionEntry{});
    EXPECT_EQ(sim::ParseRestrictionText("5:1,2").ua, 5);
    EXPECT_EQ(sim::ParseRestrictionText("5:1,2").start[0], 0xFFFF);  // below the band
}

TEST(SeedingTest, DiagnosticNamesSayWhereTheLiveValuesAre) {
    sim::Unit unit;
    sim::SeedUnit(unit, {{"DiagRSSI", 1, 0, "", {0x90}},
                         {"DiagTxPackets", 3, 0, "", {0x91, 0x92, 0x93, 0x94}}});
    unit.UpdateLiveValues(Millis{0});
    EXPECT_GE(unit.Register(0x90), 72);
    EXPECT_LE(unit.Register(0x90), 84);
    const std::uint8_t packets[] = {0x91, 0x92, 0x93, 0x94};
    EXPECT_GT(unit.Value(packets), 0u);
    EXPECT_EQ(unit.Register(0xC4), 0);  // the default place is no longer used
}

TEST(SeedingTest, UnitsFromTheBlocksOfADocument) {
    auto parameter = [](const char* name, std::uint32_t value, std::uint8_t id) {
        Parameter p;
        p.type = 2;
        p.name = name;
        p.value = value;
        p.vectors = {id, static_cast<std::uint8_t>(id + 1)};
        return p;
    };
    auto root = CreateBlock(static_cast<int>(BlockKind::Network));
    auto remote = CreateBlock(static_cast<int>(BlockKind::Remote));
    remote->Parameters() = {parameter("UnitAddress", 300, 0x02),
                            parameter("NetworkId", 0xBEEF, 0x10)};
    auto master = CreateBlock(static_cast<int>(BlockKind::Master));
    master->Parameters() = {parameter("UnitAddress", 1, 0x02)};
    root->AppendChild(std::move(remote));
    root->AppendChild(std::move(master));

    VirtualClock clock;
    std::string error;
    const std::shared_ptr<sim::Network> network = sim::NetworkFromBlocks(*root, clock, error);
    ASSERT_NE(network, nullptr) << error;
    EXPECT_EQ(network->Local().Ua(), 1);
    sim::Unit* unit = network->FindRemote(300);
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(unit->Register(0x10), 0xBE);
    EXPECT_EQ(unit->Register(0x11), 0xEF);
    // Two units of one address, or of address 0, cannot both be on the air.
    EXPECT_EQ(network->AddRemote(std::make_unique<sim::Unit>(300), Millis{1}), nullptr);
    EXPECT_EQ(network->AddRemote(std::make_unique<sim::Unit>(0), Millis{1}), nullptr);

    auto lonely = CreateBlock(static_cast<int>(BlockKind::Network));
    lonely->AppendChild(CreateBlock(static_cast<int>(BlockKind::Remote)));
    EXPECT_EQ(sim::NetworkFromBlocks(*lonely, clock, error), nullptr);
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace skelvane
