// Backing up, comparing and restoring whole networks against simulated units.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "network_fixture.h"
#include "operations/network_backup_model.h"
#include "operations/network_compare_model.h"
#include "operations/network_restore_model.h"

namespace skelvane {
namespace {

using ::testing::ElementsAre;
using ::testing::Pair;

// The status text of every unit row, by block name.
std::vector<std::pair<std::string, std::string>> Statuses(const NetworkModel& model) {
    std::vector<std::pair<std::string, std::string>> list;
    for (const UnitRow& row : model.Rows()) {
        list.emplace_back(row.name, row.status.text);
    }
    return list;
}

// The UAs the frames (those with `code`, when given) went to, each run of one UA once.
std::vector<std::uint16_t> UnitOrder(const test::NetworkSim& sim,
                                     std::optional<std::uint8_t> code = std::nullopt) {
    std::vector<std::uint16_t> order;
    for (const auto& sent : sim.Frames()) {
        if ((!code || sent.code == *code) && (order.empty() || order.back() != sent.ua)) {
            order.push_back(sent.ua);
        }
    }
    return order;
}

template <typename Model>
std::unique_ptr<Model> MakeModel(test::NetworkSim& sim) {
    return std::make_unique<Model>(sim.Root(), sim.ports, "SIM1", sim.prompter, sim.clock);
}

TEST(NetworkBackup, ReadsEveryUnitOfAStarIntoItsBlock) {
    test::NetworkSim sim("M1 P2<M1 R300<P2 R301<M1 Rx<M1");
    sim.UnitOf("P2").SetVersion("V4.46");
    sim.UnitOf("R300").SeedValue(std::vector<std::uint8_t>{0x10, 0x11}, 0x0BEE);
    sim.UnitOf("R301").SetRepeaters(test::SimRepeaters({2}));
    auto model = MakeModel<NetworkBackupModel>(sim);
    ASSERT_TRUE(model->Start());
    model->Run().Wait();
    const std::vector<Block*> changed = model->ApplyWorkerResults();

    EXPECT_THAT(
        Statuses(*model),
        ElementsAre(Pair("M1", "done V4.45"), Pair("P2", "done V4.46"), Pair("R300", "done V4.45"),
                    Pair("R301", "done V4.45"), Pair("Rx", "not contacted: no UnitAddress")));
    EXPECT_EQ(changed.size(), 4u);
    EXPECT_EQ(sim.BlockNamed("R300").FindParameter("NetworkId")->value, 0x0BEEu);
    EXPECT_EQ(sim.BlockNamed("P2").FindParameter("VersionNo")->textValue, "V4.46");
    EXPECT_EQ(sim.BlockNamed("R301").FindParameter("RepeaterRegistration"), nullptr);
    // The cable unit is asked with UA 0, the others by their own address, in walk order.
    EXPECT_THAT(UnitOrder(sim), ElementsAre(0, 2, 300, 301));
    EXPECT_EQ(model->FailedCount(), 0u);
}

TEST(NetworkBackup, GoesOnPastASilentUnitAndKeepsTheBlockOfAFailedOne) {
    // A chain: Master, two Repeaters, a Remote at the end.
    test::NetworkSim sim("M1 P2<M1 P3<P2 R4<P3");
    sim.UnitOf("P2").SetSilentAfter(0);
    sim.UnitOf("R4").SetSilentAfter(4);  // answers the check and a few reads, then nothing
    sim.UnitOf("R4").SeedValue(std::vector<std::uint8_t>{0x0B}, 33);
    auto model = MakeModel<NetworkBackupModel>(sim);
    const Millis start = sim.clock.Now();
    ASSERT_TRUE(model->Start());
    model->Run().Wait();
    const std::vector<Block*> changed = model->ApplyWorkerResults();

    EXPECT_THAT(Statuses(*model),
                ElementsAre(Pair("M1", "done V4.45"), Pair("P2", "no answer"),
                            Pair("P3", "done V4.45"), Pair("R4", "failed: Read All")));
    EXPECT_EQ(sim.BlockNamed("R4").FindParameter("HopPattern")->value, 9u);
    EXPECT_THAT(changed, ::testing::Not(::testing::Contains(&sim.BlockNamed("R4"))));
    EXPECT_EQ(model->FailedCount(), 2u);
    // The silent unit cost its connection check and wake-ups only: well under 10 s.
    EXPECT_LT(sim.clock.Now() - start, Millis{3 * 6000 + 10000});
}

TEST(NetworkBackup, StopEndsTheRunAndLeavesTheRestUnread) {
    test::NetworkSim sim("M1 R2<M1 R3<M1");
    auto model = MakeModel<NetworkBackupModel>(sim);
    std::atomic<bool> stopped{false};
    model->SetListener([&] {
        const auto statuses = model->Run().Statuses();
        if (!stopped && statuses[1].state == UnitState::Working) {
            stopped = true;
            model->Run().Link().FinishWorker(Millis{0});
        }
    });
    ASSERT_TRUE(model->Start());
    model->Run().Wait();
    EXPECT_THAT(Statuses(*model), ElementsAre(Pair("M1", "done V4.45"), Pair("R2", "stopped"),
                                              Pair("R3", "stopped")));
    EXPECT_FALSE(model->Run().Link().Port().IsOpen());
}

TEST(NetworkCompare, ListsWhatDiffersAndTakesItIntoTheFile) {
    test::NetworkSim sim("M1 R2<M1");
    sim::Unit& unit = sim.UnitOf("R2");
    unit.SeedValue(std::vector<std::uint8_t>{0x0E}, 2);  // LinkRate
    unit.SetVersion("V4.46");
    unit.SetDataMask("00FF");
    unit.SetRestriction(2, test::SimEntry(25, {{0, 600}}));
    auto model = MakeModel<NetworkCompareModel>(sim);
    ASSERT_TRUE(model->Start());
    model->Run().Wait();

    std::vector<std::string> lines;
    for (const BlockDifference& d : model->Differences()) {
        if (d.blockName != "R2") {
            continue;
        }
        lines.push_back(d.blockName + " " + d.difference.parameter +
                        ": file=" + d.difference.fileValue + " unit=" + d.difference.unitValue +
                        (d.difference.writable ? "" : " (read-only)"));
    }
    // The version and serial number the file never stored are no differences; its data
    // mask is.
    EXPECT_THAT(lines, ElementsAre("R2 LinkRate: file=0 (115.2 kbps) unit=2 (76.8 kbps)",
                                   "R2 DataMask: file=0000FFFF unit=00FF",
                                   "R2 FrequencyRestriction3: file=0 unit=25:902400,903000"));
    EXPECT_THAT(Statuses(*model), ElementsAre(Pair("M1", "same"), Pair("R2", "3 differ")));
    // Nothing reached the file until taken.
    Block& block = sim.BlockNamed("R2");
    EXPECT_EQ(block.FindParameter("LinkRate")->value, 0u);
    EXPECT_TRUE(model->Take(0));
    EXPECT_EQ(block.FindParameter("LinkRate")->value, 2u);
    EXPECT_EQ(model->TakeAll(), 2u);
    EXPECT_EQ(block.FindParameter("FrequencyRestriction3")->textValue, "25:902400,903000");
    EXPECT_TRUE(model->Differences().empty());
}

constexpr std::uint8_t kWriteRegisters = 0x46;
constexpr std::uint8_t kSendEntry = 0x52;

TEST(NetworkRestore, WritesTheFarthestUnitsFirstAndTheCableUnitLast) {
    test::NetworkSim sim("R301<M1 M1 P2<M1 R300<P2 R9");
    auto model = MakeModel<NetworkRestoreModel>(sim);
    model->SetChangedOnly(false);
    ASSERT_TRUE(model->Plan());
    EXPECT_TRUE(model->Planned());
    EXPECT_EQ(model->UnitsToWrite(), 5u);
    EXPECT_THAT(model->ConfirmationText(), ::testing::HasSubstr("\nR300: 28 values"));
    EXPECT_TRUE(sim.Frames().empty());  // planning a full restore asks no unit
    ASSERT_TRUE(model->Write());
    model->Run().Wait();

    // R9 is linked to nothing, so it may be anywhere: first. Then by distance, the cable last.
    EXPECT_THAT(UnitOrder(sim, kWriteRegisters), ElementsAre(9, 300, 301, 2, 0));
    const auto frames = sim.Frames();
    EXPECT_EQ(std::count_if(frames.begin(), frames.end(),
                            [](const auto& sent) { return sent.code == kSendEntry; }),
              5 * 16);
    for (const auto& [name, status] : Statuses(*model)) {
        EXPECT_EQ(status, "done V4.45") << name;
    }
}

TEST(NetworkRestore, ChangedOnlyWritesJustTheRegistersThatDiffer) {
    test::NetworkSim sim("M1 P2<M1 R300<P2 R301<M1");
    sim.BlockNamed("R300").FindParameter("HopPattern")->value = 17;
    sim.BlockNamed("R300").FindParameter("NetworkId")->value = 0x0203;
    sim.BlockNamed("M1").FindParameter("TxPower")->value = 30;
    auto model = MakeModel<NetworkRestoreModel>(sim);
    ASSERT_TRUE(model->Plan());
    model->Run().Wait();
    ASSERT_TRUE(model->Planned());
    EXPECT_EQ(model->UnitsToWrite(), 2u);
    EXPECT_THAT(Statuses(*model),
                ElementsAre(Pair("M1", "1 to write"), Pair("P2", "unchanged"),
                            Pair("R300", "2 to write"), Pair("R301", "unchanged")));
    sim.ClearFrames();
    ASSERT_TRUE(model->Write());
    model->Run().Wait();

    std::vector<std::vector<std::uint8_t>> writes;
    for (const auto& sent : sim.Frames()) {
        if (sent.code == kWriteRegisters || sent.code == kSendEntry) {
            writes.push_back(sent.frame);
        }
    }
    // R300 first (two registers: NetworkId 0x10-0x11, HopPattern 0x0B), then the Master.
    EXPECT_THAT(writes,
                ElementsAre(ElementsAre(9, 0x01, 0x2C, 0x46, 0x0B, 17, 0x10, 0x02, 0x11, 0x03),
                            ElementsAre(5, 0, 0, 0x46, 0x0A, 30)));
    EXPECT_EQ(sim.UnitOf("R300").Register(0x0B), 17);
    EXPECT_THAT(Statuses(*model),
                ElementsAre(Pair("M1", "done V4.45"), Pair("P2", "unchanged"),
                            Pair("R300", "done V4.45"), Pair("R301", "unchanged")));
}

TEST(NetworkRestore, AUnitThatDoesNotKeepAValueFails) {
    test::NetworkSim sim("M1 R2<M1");
    sim.BlockNamed("R2").FindParameter("HopPattern")->value = 40;
    // The unit acknowledges writes but keeps its values: the write's own read-back fails it.
    sim.UnitOf("R2").SetFrameHandler(
        kWriteRegisters, [](sim::Unit&, const sim::Frame&) { return std::optional<sim::Reply>(); });
    auto model = MakeModel<NetworkRestoreModel>(sim);
    ASSERT_TRUE(model->Plan());
    model->Run().Wait();
    ASSERT_TRUE(model->Write());
    model->Run().Wait();
    EXPECT_THAT(Statuses(*model),
                ElementsAre(Pair("M1", "unchanged"), Pair("R2", "failed: Write")));
    EXPECT_EQ(model->FailedCount(), 1u);
}

}  // namespace
}  // namespace skelvane
