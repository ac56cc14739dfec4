// Which blocks of a network are units, which one is on the cable, how far each is from it,
// and which are left out.
#include <gtest/gtest.h>

#include "network_fixture.h"
#include "operations/network_units.h"

namespace skelvane {
namespace {

struct UnitsCase {
    const char* network;
    const char* cable;  // nullptr: the default
    // Per block in walk order: "L" Local or "R" Remote, the hops, and why it is left out, if it
    // is: e.g. "L0", "R1 no UnitAddress".
    std::vector<std::string> expected;
};

class NetworkUnitsTest : public ::testing::TestWithParam<UnitsCase> {};

TEST_P(NetworkUnitsTest, ListsEveryRadioBlock) {
    LinkIdCounter ids;
    const UnitsCase& c = GetParam();
    auto root = test::MakeNetwork(c.network, ids);
    const Block* cable = c.cable ? FindRadioBlock(*root, c.cable) : nullptr;
    const NetworkUnits units = ListNetworkUnits(*root, cable);
    ASSERT_EQ(units.units.size(), c.expected.size());
    std::vector<std::string> got;
    for (const NetworkUnit& u : units.units) {
        std::string text(1, u.local ? 'L' : 'R');
        text += std::to_string(u.hops);
        if (const std::string problem = ProblemText(units, u); !problem.empty()) {
            text.append(" ").append(problem);
        }
        got.push_back(text);
    }
    EXPECT_EQ(got, c.expected);
    const auto* local = units.cable ? units.Find(units.cable) : nullptr;
    EXPECT_EQ(local != nullptr && local->local, units.cable != nullptr);
    EXPECT_EQ(units.Contacted().size() + units.Skipped().size(), units.units.size());
}

INSTANTIATE_TEST_SUITE_P(
    Networks, NetworkUnitsTest,
    ::testing::Values(
        // A star: the Master on the cable, the Remotes behind the Repeater two hops away.
        UnitsCase{"M1 P2<M1 R300<P2 R301<M1", nullptr, {"L0", "R1", "R2", "R1"}},
        // A chosen cable block: the distances are counted from it, over links either way.
        UnitsCase{"M1 P2<M1 R300<P2 R301<M1", "R300", {"R2", "R1", "L0", "R3"}},
        // The first Master in walk order is on the cable; an unlinked block has no distance.
        UnitsCase{"R5 M9 M1 R6<M1", nullptr, {"R-1", "L0", "R-1", "R-1"}},
        // Left out: no address, address 0 or 65535, an address two blocks share.
        UnitsCase{"M1 Rx<M1 R0<M1 R65535<M1 R7a<M1 R7b<M1 R8<M1",
                  nullptr,
                  {"L0", "R1 no UnitAddress", "R1 unit address 0 is outside 1..65534",
                   "R1 unit address 65535 is outside 1..65534",
                   "R1 unit address 7 is shared with \"R7b\"",
                   "R1 unit address 7 is shared with \"R7a\"", "R1"}},
        // No Master: nobody on the cable.
        UnitsCase{"P2 R3<P2", nullptr, {"R-1", "R-1"}}));

}  // namespace
}  // namespace skelvane
