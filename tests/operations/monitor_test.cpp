// The network monitor's passes, history and CSV against the simulated network, and the
// blocks "Add to Network" makes of the units found.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "diagram/block_diagram.h"
#include "link_fixture.h"
#include "network_fixture.h"
#include "operations/add_found_units.h"
#include "operations/monitor_model.h"
#include "support/test_paths.h"

namespace skelvane {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST(MonitorTest, PollsEveryUnitEachIntervalKeepsItsHistoryAndExportsIt) {
    test::LinkFixture sim;
    sim.Remote(300).SetLiveValues({});
    sim.Remote(300).SeedValue(std::vector<std::uint8_t>{0xC4}, 71);

    // 999 is not there; the second 300 is the same unit and is polled once.
    LinkIdCounter ids;
    auto root = test::MakeNetwork("R300 M1 R999 R300b", ids);
    MonitorModel monitor(sim.ports, "SIM1", sim.clock);
    monitor.SetUnits(MonitorUnitsOf(*root));
    std::vector<std::uint16_t> order;
    for (const MonitorUnit& unit : monitor.Units()) {
        order.push_back(unit.ua);
    }
    EXPECT_THAT(order, ElementsAre(1, 300, 999));  // the unit on the cable first

    ASSERT_TRUE(monitor.Start(Millis{30000}, 2));
    monitor.Wait();

    const auto rssi = [](const MonitorModel::Sample& s) { return s.values[10]; };
    const std::vector<MonitorModel::Sample> near = monitor.History(300);
    ASSERT_EQ(near.size(), 2u);
    EXPECT_TRUE(near[0].answered && near[1].answered);
    EXPECT_EQ(rssi(near[1]), 71u);
    EXPECT_EQ(ToEpochMillis(near[1].time) - ToEpochMillis(near[0].time), 30000);
    const std::vector<MonitorModel::Sample> absent = monitor.History(999);
    ASSERT_EQ(absent.size(), 2u);
    EXPECT_FALSE(absent[0].answered || absent[1].answered);
    EXPECT_FALSE(rssi(absent[1]).has_value());

    const std::vector<std::string> csv = test::Split(monitor.Csv());
    ASSERT_EQ(csv.size(), 7u);
    EXPECT_EQ(csv[0],
              "time,UA,name,DiagSyncLost,DiagCRCErrors,DiagCorrectedErrors,DiagTxPackets,"
              "DiagRxPackets,DiagTxKbytes,DiagRxKbytes,DiagVSWR,DiagForwardPower,"
              "DiagReflectedPower,DiagRSSI,DiagVoltage,DiagTemperature");
    // In the order taken: each pass the cable's unit, 300, then 999.
    EXPECT_THAT(csv[1], HasSubstr(",1,M1,"));
    EXPECT_THAT(csv[2], HasSubstr(",300,R300,"));
    EXPECT_THAT(csv[2], HasSubstr(",-71,"));
    EXPECT_THAT(csv[3], ::testing::EndsWith(",999,R999,,,,,,,,,,,,,"));
    EXPECT_THAT(csv[4], HasSubstr(",1,M1,"));

    const test::TempDir dir;
    const auto path = dir / "monitor.csv";
    ASSERT_TRUE(monitor.ExportCsv(path));
    EXPECT_EQ(test::ReadFileBytes(path), monitor.Csv());
}

FoundUnit Found(std::uint16_t ua, std::optional<std::uint8_t> mode) {
    FoundUnit unit;
    unit.ua = ua;
    unit.operatingMode = mode;
    unit.version = "V4.46";
    unit.serial = "S" + std::to_string(ua);
    return unit;
}

TEST(AddFoundUnitsTest, AddsTheMissingUnitsAsLinkedBlocksBelowTheOthersWithoutOverlap) {
    LinkIdCounter ids;
    auto root = test::MakeNetwork("M1 R300", ids);
    Block* master = root->FirstChild();
    master->SetPosition(48, 48);
    master->NextSibling()->SetPosition(208, 48);
    const BlockMaker make = [&](BlockKind kind, int x, int y) {
        auto block = test::TemplateBlock(kind, 0);
        block->SetName(kind == BlockKind::Master ? "Master" : "Remote");
        block->CreateDefaultLinks(ids);
        block->SetPosition(x, y);
        return root->AppendChild(std::move(block));
    };
    std::vector<FoundUnit> found = {Found(1, 0), Found(2, 1), Found(300, 2), Found(5, std::nullopt),
                                    Found(6, 3)};
    for (std::uint16_t ua = 10; ua < 22; ++ua) {
        found.push_back(Found(ua, 4));
    }
    const std::vector<Block*> added = AddFoundUnits(*root, master, found, make, DiagramMetrics{});

    std::vector<std::string> made;
    for (const Block* b : added) {
        made.push_back(std::string(KindName(static_cast<int>(b->Kind()))) + " " + b->Name() + ":" +
                       std::to_string(b->FindParameter("UnitAddress")->value) + ":" +
                       std::to_string(b->FindParameter("OperatingMode")->value) + ":" +
                       b->FindParameter("SerialNo")->textValue);
        if (b->Kind() != BlockKind::Master) {
            EXPECT_EQ(b->Inputs().front().id, master->Outputs().front().id) << b->Name();
        }
    }
    ASSERT_EQ(added.size(), 15u);  // 1 and 300 are there already
    EXPECT_EQ(made[0], "Repeater 2:2:1:S2");
    EXPECT_EQ(made[1],
              "Remote 5:5:2:S5");  // kind unknown: a Remote, its mode as the template has it
    EXPECT_EQ(made[2], "Master Master:6:3:S6");  // a Master keeps its name

    // Laid out as the program's diagram lays them out, with their status lines.
    BlockDiagram diagram;
    for (Block* b = root->FirstChild(); b != nullptr; b = b->NextSibling()) {
        const int item = diagram.insertItemAt(b->Name(), {b->X(), b->Y()}, 0, b);
        diagram.setWidth(item, 84);
        diagram.setState(item, kItemIconRight, kItemIconRight);
        diagram.setStatus(item, DiagramStatus{.text = "UA 300 \u00B7 V4.46"});
        for (const LinkEnd& in : b->Inputs()) {
            diagram.addRow(item, in.name, kInputSide, 0);
        }
        for (const LinkEnd& out : b->Outputs()) {
            diagram.addRow(item, out.name, kOutputSide, static_cast<std::uint32_t>(out.id));
        }
    }
    diagram.ensureLayout();
    const auto& items = diagram.items();
    int oldBottom = 0;
    for (const DiagramItem& it : items) {
        const bool isNew = std::find(added.begin(), added.end(), it.data) != added.end();
        if (!isNew) {
            oldBottom = std::max(oldBottom, it.rect.bottom);
        }
        EXPECT_EQ(it.rect.left, static_cast<Block*>(it.data)->X());  // on the grid: not moved
        EXPECT_EQ(it.rect.top, static_cast<Block*>(it.data)->Y());
    }
    std::set<int> rows;
    for (const Block* b : added) {
        EXPECT_GT(b->Y(), oldBottom) << b->Name();
        rows.insert(b->Y());
    }
    EXPECT_GT(rows.size(), 1u);  // fifteen blocks do not fit one row of 640 pixels
    for (std::size_t i = 0; i < items.size(); ++i) {
        for (std::size_t j = i + 1; j < items.size(); ++j) {
            const DiagramRect& a = items[i].rect;
            const DiagramRect& b = items[j].rect;
            EXPECT_TRUE(a.right <= b.left || b.right <= a.left || a.bottom <= b.top ||
                        b.bottom <= a.top)
                << items[i].title << " overlaps " << items[j].title;
        }
    }
}

}  // namespace
}  // namespace skelvane
