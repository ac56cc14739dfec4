// Finding units against the simulated network, and the live status the exchanges leave on
// the program's unit status board.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "link/unit_status.h"
#include "link_fixture.h"
#include "operations/diagnostics_page_model.h"
#include "operations/discovery_model.h"
#include "operations/unit_status_line.h"
#include "sim/builtin_network.h"

namespace skelvane {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

struct ListCase {
    const char* text;
    std::vector<std::uint16_t> addresses;  // empty: refused
};

TEST(UnitAddressListTest, ReadsNumbersAndRangesAndRefusesTheRest) {
    const ListCase cases[] = {
        {"1-3, 7,2", {1, 2, 3, 7}},
        {" 65534 ", {65534}},
        {"65535", {}},
        {"5-3", {}},
        {"1,,2", {}},
        {"1-2-3", {}},
    };
    for (const ListCase& c : cases) {
        std::string error;
        const auto list = ParseUnitAddressList(c.text, error);
        EXPECT_EQ(list.value_or(std::vector<std::uint16_t>{}), c.addresses) << c.text;
        EXPECT_EQ(error.empty(), list.has_value()) << c.text;
    }
}

class DiscoveryTest : public ::testing::Test {
  protected:
    DiscoveryTest() {
        sim.ports.SetExchangeObserver(&board);
        // One that answers late but within the wait, one that answers after it.
        sim.network->AddRemote(sim::MakeBuiltInUnit(sim::BuiltInRole::Remote, 5), Millis{600});
        sim.network->AddRemote(sim::MakeBuiltInUnit(sim::BuiltInRole::Remote, 6), Millis{1500});
        sim.Remote(300).SetSerialNumber("S300");
        sim.Remote(300).SetVersion("V4.46");
    }

    std::vector<FoundUnit> Scan(const std::string& ranges) {
        std::string error;
        EXPECT_TRUE(model.Start(*ParseUnitAddressList(ranges, error)));
        model.Wait();
        return model.Found();
    }

    // Version requests the simulator received, by the UA they went to.
    std::vector<std::uint16_t> VersionRequests() const {
        std::vector<std::uint16_t> to;
        for (const test::Bytes& frame : sim.Sent()) {
            if (frame.size() == 4 && frame[3] == 0x28) {
                to.push_back(static_cast<std::uint16_t>(frame[1] << 8 | frame[2]));
            }
        }
        return to;
    }

    test::LinkFixture sim;
    UnitStatusBoard board{sim.clock};
    DiscoveryModel model{sim.ports, "SIM1", sim.clock};
};

TEST_F(DiscoveryTest, ListsTheUnitsThatAnswerWithKindVersionAndSerial) {
    const std::vector<FoundUnit> found = Scan("2-8,300,1");
    EXPECT_EQ(model.GetOutcome(), DiscoveryModel::Outcome::Finished);

    std::vector<std::string> lines;
    for (const FoundUnit& unit : found) {
        lines.push_back(std::to_string(unit.ua) + " " + unit.KindName() + " " + unit.version + " " +
                        unit.serial + (unit.onCable ? " cable" : ""));
    }
    const std::string v = sim.Local().Version();
    EXPECT_THAT(lines, ElementsAre("1 Master " + v + " " + sim.Local().SerialNumber() + " cable",
                                   "2 Repeater " + v + " " + sim.Remote(2).SerialNumber(),
                                   "5 Remote " + v + " " + sim.Remote(5).SerialNumber(),
                                   "6 Remote " + v + " " + sim.Remote(6).SerialNumber(),
                                   "300 Remote V4.46 S300"));
    // The late answer of 6 came while 7 was asked, so 7 was asked once more; the unit on the
    // cable was asked Local only.
    EXPECT_THAT(VersionRequests(), ElementsAre(0, 2, 3, 4, 5, 6, 7, 7, 8, 300));
    const DiscoveryModel::Progress progress = model.GetProgress();
    EXPECT_EQ(progress.done, 9u);
    EXPECT_EQ(progress.left, Millis{0});
}

TEST_F(DiscoveryTest, ASilentAddressCostsOneBoundedWaitAndTimeLeftIsKnownFromTheStart) {
    const std::vector<FoundUnit> found = Scan("1000-1009");
    // Before anything was asked: the whole range at the cost of silent addresses.
    EXPECT_THAT(model.Log().Lines(), ::testing::Contains("Asking 10 addresses (about 9 s) ..."));
    EXPECT_TRUE(found.size() == 1 && found[0].onCable);
    EXPECT_THAT(VersionRequests(),
                ElementsAre(0, 1000, 1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1009));

    const Millis before = sim.clock.Now();
    Scan("2000-2009");
    const Millis cable = Millis{1000};  // the cable's three exchanges, generously
    EXPECT_LE(sim.clock.Now() - before, cable + 10 * DiscoveryModel::SilentAddressCost());
}

TEST_F(DiscoveryTest, NothingOnTheCableEndsTheScanBeforeAnyRemoteIsAsked) {
    sim.Local().SetSilentAfter(0);
    const std::vector<FoundUnit> found = Scan("2-3");
    EXPECT_TRUE(found.empty());
    EXPECT_EQ(model.GetOutcome(), DiscoveryModel::Outcome::NoCableUnit);
    // Nothing asked yet, and still the time the addresses would take.
    const DiscoveryModel::Progress progress = model.GetProgress();
    EXPECT_EQ(progress.total, 2u);
    EXPECT_EQ(progress.left, 2 * DiscoveryModel::SilentAddressCost());
    EXPECT_THAT(VersionRequests(), ElementsAre());
}

// Every exchange reports to the board the port factory carries, whoever makes it: here the
// Diagnostics page, which knows nothing of the board.
TEST_F(DiscoveryTest, ExchangesOfAnyPageMarkUnitsAnsweredOrSilent) {
    auto block = test::TemplateBlock(BlockKind::Remote, 300);
    DiagnosticsPageModel page(*block, sim.ports, "SIM1", sim.remoteUa, sim.prompter, sim.clock);
    sim.remoteUa.Set(300);
    page.Activate();
    page.ChooseLocal(false);
    sim.Remote(300).SeedValue(std::vector<std::uint8_t>{0xC4}, 71);
    sim.Remote(300).SetLiveValues({});
    EXPECT_EQ(board.Find(300).answer, UnitAnswer::Unknown);

    sim.Run(page, &DiagnosticsPageModel::Read);
    UnitStatus status = board.Find(300);
    EXPECT_EQ(status.answer, UnitAnswer::Answered);
    ASSERT_TRUE(status.lastAnswer.has_value());
    EXPECT_EQ(status.Number({0xC4}), 71u);
    const LocalTime answered = *status.lastAnswer;
    DiagramStatus line = DescribeUnitStatus(*block, board, false, false);
    EXPECT_THAT(line.text, ::testing::EndsWith(" \u00B7 \u221271 dBm"));
    EXPECT_EQ(line.mark, StatusMark::Answered);
    EXPECT_FALSE(line.warning);

    sim.Remote(300).SetSilentAfter(0);
    sim.Run(page, &DiagnosticsPageModel::Read);
    status = board.Find(300);
    EXPECT_EQ(status.answer, UnitAnswer::Silent);
    EXPECT_EQ(status.lastAnswer, answered);  // the tooltip still says when it last answered
    line = DescribeUnitStatus(*block, board, false, true);
    EXPECT_EQ(line.mark, StatusMark::Silent);
    EXPECT_TRUE(line.warning);
    EXPECT_THAT(line.tip, ::testing::HasSubstr("Another block has unit address 300"));
    EXPECT_EQ(status.Number({0xC4}), 71u);

    // Local: the reply names the unit on the cable.
    page.ChooseLocal(true);
    sim.Run(page, &DiagnosticsPageModel::Read);
    EXPECT_EQ(board.CableUa(), std::optional<std::uint16_t>(1));
    EXPECT_EQ(board.Find(1).answer, UnitAnswer::Answered);
}

}  // namespace
}  // namespace skelvane
