#include <gtest/gtest.h>

#include <vector>

#include "diagram/link_router.h"

namespace skelvane {
namespace {

using Status = LinkRouter::Status;
using Points = std::vector<DiagramPoint>;

Points pointsOf(const LinkRouter::Route& r) {
    return {r.points.begin(), r.points.begin() + r.pointCount};
}

// Blocks exactly the cells (c1..c2, r1..r2): an item's columns reach one cell further left.
void blockCells(LinkRouter& router, int c1, int r1, int c2, int r2) {
    router.blockRect({(c1 + 1) * 8, r1 * 8, (c2 + 1) * 8, r2 * 8});
}

struct RouteCase {
    const char* name;
    DiagramRect area;  // what the grid must cover
    DiagramPoint from;
    DiagramPoint to;
    Status status;
    int runEnd = 0;  // where a found route's first run ends
};

class RouteTest : public ::testing::TestWithParam<RouteCase> {};

// A found route runs level with the source row, then to the end point; otherwise the
// straight link.
TEST_P(RouteTest, GivesTheExpectedPolyline) {
    const RouteCase& c = GetParam();
    LinkRouter router;
    router.reset(c.area);
    const auto r = router.route(c.from, c.to, 1);
    EXPECT_EQ(r.status, c.status);
    const Points routed = {c.from, c.from, {c.runEnd, c.from.y}, c.to};
    EXPECT_EQ(pointsOf(r), (c.status == Status::Routed ? routed : Points{c.from, c.to}));
}

INSTANTIATE_TEST_SUITE_P(
    Ends, RouteTest,
    ::testing::Values(
        // The run ends two cells short of the destination, so that the last leg is level.
        RouteCase{"straight run", {}, {100, 52}, {300, 52}, Status::Routed, 276},
        // The first run is levelled with the source row; the end point keeps its height.
        RouteCase{"levelled", {}, {100, 50}, {300, 54}, Status::Routed, 276},
        RouteCase{"source past the grid", {}, {1024, 52}, {1010, 300}, Status::OutsideGrid},
        RouteCase{"goal cell left of the grid", {}, {100, 52}, {12, 80}, Status::OutsideGrid},
        RouteCase{"goal in the start cell", {}, {100, 52}, {116, 52}, Status::NoPath},
        // The grid grows to cover the area it is given.
        RouteCase{"left of the origin",
                  {-500, -300, 0, 0},
                  {-404, -204},
                  {-104, -204},
                  Status::Routed,
                  -124}));

// A block far away does not take the grid away from the others, nor make it unbounded.
TEST(LinkRouterTest, AGridStaysBounded) {
    LinkRouter router;
    for (const DiagramRect far :
         {DiagramRect{-1000000, 0, 1000, 1000000}, DiagramRect{0, -30000, 32000, 1000},
          DiagramRect{-1000000, -1000000, 1000000, 1000000}}) {
        router.reset(far);
        const DiagramRect huge = router.coverage();
        EXPECT_LE(std::int64_t{huge.right - huge.left} * (huge.bottom - huge.top) / 64,
                  LinkRouter::kMaxCells);
        EXPECT_TRUE(huge.contains({0, 0}));
        EXPECT_TRUE(huge.contains({999, 999}));
    }
}

TEST(LinkRouterTest, EnclosedGoalsAndWaysOfMoreThanSixCornersAreNotRouted) {
    LinkRouter router;
    // A ring round the goal cell (35, 6).
    blockCells(router, 33, 4, 37, 4);
    blockCells(router, 33, 8, 37, 8);
    blockCells(router, 33, 4, 33, 8);
    blockCells(router, 37, 4, 37, 8);
    EXPECT_EQ(router.route({100, 52}, {300, 52}, 1).status, Status::NoPath);

    // A serpentine, walls open alternately below and above: with two walls the way has six
    // corners, with four more than that.
    router.reset();
    blockCells(router, 20, 0, 20, 30);
    blockCells(router, 30, 10, 30, 127);
    EXPECT_EQ(router.route({84, 164}, {500, 164}, 1).status, Status::Routed);
    router.reset();
    blockCells(router, 20, 0, 20, 30);
    blockCells(router, 30, 10, 30, 127);
    blockCells(router, 40, 0, 40, 30);
    blockCells(router, 50, 10, 50, 127);
    const auto r = router.route({84, 164}, {500, 164}, 1);
    EXPECT_EQ(r.status, Status::TooManyCorners);
    EXPECT_EQ(r.pointCount, 2);
}

// Runs claimed by one output row keep other rows off but not that row's later links, also
// when they are claimed from a kept polyline rather than routed.
TEST(LinkRouterTest, ClaimedRunsBelongToTheirRow) {
    LinkRouter router;
    const Points kept = pointsOf(router.route({100, 52}, {600, 300}, 1));
    ASSERT_GT(kept.size(), 3u);
    EXPECT_EQ(pointsOf(router.route({100, 52}, {600, 300}, 1)), kept);
    EXPECT_NE(pointsOf(router.route({100, 52}, {600, 300}, 2)), kept);

    router.reset();
    router.claimPolyline(kept.data(), static_cast<int>(kept.size()), 1);
    EXPECT_EQ(pointsOf(router.route({100, 52}, {600, 300}, 1)), kept);
    const auto other = router.route({100, 52}, {600, 300}, 2);
    EXPECT_EQ(other.status, Status::Routed);
    EXPECT_NE(pointsOf(other), kept);
}

}  // namespace
}  // namespace skelvane
