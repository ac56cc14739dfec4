#include <gtest/gtest.h>

#include <vector>

#include "diagram/link_router.h"
#include "diagram_test_support.h"

namespace skelvane {
namespace {

using Status = LinkRouter::Status;
using test::innerSegments;
using test::sharesARun;

std::vector<DiagramPoint> pointsOf(const LinkRouter::Route& r) {
    return {r.points.begin(), r.points.begin() + r.pointCount};
}

// Blocks exactly the cells (c1..c2, r1..r2): an item's columns reach one cell further left.
void blockCells(LinkRouter& router, int c1, int r1, int c2, int r2) {
    router.blockRect({(c1 + 1) * 8, r1 * 8, (c2 + 1) * 8, r2 * 8});
}

TEST(LinkRouterTest, StraightRunEndsTwoCellsShortOfTheDestination) {
    LinkRouter router;
    const auto r = router.route({100, 52}, {300, 52}, 1);
    EXPECT_EQ(r.status, Status::Routed);
    EXPECT_EQ(pointsOf(r), (std::vector<DiagramPoint>{{100, 52}, {100, 52}, {276, 52}, {300, 52}}));
    // The run is now held for row 1, horizontally only.
    EXPECT_EQ(router.horizontalLabel(20, 6), LinkRouter::keyForRow(1));
    EXPECT_EQ(router.verticalLabel(20, 6), LinkRouter::kFree);
}

TEST(LinkRouterTest, FirstRunIsLevelledWithTheSourceRowButTheEndPointStays) {
    LinkRouter router;
    auto r = router.route({100, 50}, {300, 54}, 1);
    EXPECT_EQ(pointsOf(r), (std::vector<DiagramPoint>{{100, 50}, {100, 50}, {276, 50}, {300, 54}}));
    // Four pixels off: left at the cell centre.
    r = router.route({100, 48}, {300, 54}, 2);
    EXPECT_EQ(r.points[1], (DiagramPoint{100, 52}));
    // Goal next to the start: P, the start cell, Q; Q keeps its own height.
    r = router.route({100, 50}, {120, 54}, 3);
    EXPECT_EQ(pointsOf(r), (std::vector<DiagramPoint>{{100, 50}, {100, 50}, {120, 54}}));
}

struct StraightCase {
    const char* name;
    DiagramPoint from;
    DiagramPoint to;
    Status status;
};

class ImpossibleRouteTest : public ::testing::TestWithParam<StraightCase> {};

TEST_P(ImpossibleRouteTest, IsTheStraightLink) {
    LinkRouter router;
    const StraightCase& c = GetParam();
    const auto r = router.route(c.from, c.to, 1);
    EXPECT_EQ(r.status, c.status) << c.name;
    EXPECT_EQ(pointsOf(r), (std::vector<DiagramPoint>{c.from, c.to})) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Ends, ImpossibleRouteTest,
    ::testing::Values(
        StraightCase{"source past the grid", {1024, 52}, {1010, 300}, Status::OutsideGrid},
        StraightCase{"destination past the grid", {100, 52}, {600, 1030}, Status::OutsideGrid},
        StraightCase{"source left of the grid", {-3, 52}, {300, 52}, Status::OutsideGrid},
        StraightCase{"goal cell left of the grid", {100, 52}, {12, 80}, Status::OutsideGrid},
        StraightCase{"goal in the start cell", {100, 52}, {116, 52}, Status::NoPath}));

TEST(LinkRouterTest, EnclosedDestinationHasNoPath) {
    LinkRouter router;
    // A ring round the goal cell (35, 6).
    blockCells(router, 33, 4, 37, 4);
    blockCells(router, 33, 8, 37, 8);
    blockCells(router, 33, 4, 33, 8);
    blockCells(router, 37, 4, 37, 8);
    const auto r = router.route({100, 52}, {300, 52}, 1);
    EXPECT_EQ(r.status, Status::NoPath);
    EXPECT_EQ(r.pointCount, 2);
}

TEST(LinkRouterTest, RouteNeedingMoreThanSixCornersIsRefused) {
    LinkRouter router;
    // A serpentine: walls open alternately below and above.
    blockCells(router, 20, 0, 20, 30);
    blockCells(router, 30, 10, 30, 127);
    blockCells(router, 40, 0, 40, 30);
    blockCells(router, 50, 10, 50, 127);
    const auto r = router.route({84, 164}, {500, 164}, 1);
    EXPECT_EQ(r.status, Status::TooManyCorners);
    EXPECT_EQ(r.pointCount, 2);

    // One wall less still fits in six corners.
    LinkRouter easier;
    blockCells(easier, 20, 0, 20, 30);
    blockCells(easier, 30, 10, 30, 127);
    const auto ok = easier.route({84, 164}, {500, 164}, 1);
    EXPECT_EQ(ok.status, Status::Routed);
    EXPECT_GT(ok.pointCount, 4);
    EXPECT_LE(ok.pointCount, 9);
}

TEST(LinkRouterTest, ClaimedPolylineKeepsOtherRowsOff) {
    LinkRouter router;
    const auto kept = router.route({100, 52}, {600, 300}, 1);
    ASSERT_EQ(kept.status, Status::Routed);

    LinkRouter fresh;
    // Without the claim the second row would take the very same way.
    const auto unclaimed = fresh.route({100, 52}, {600, 300}, 2);
    EXPECT_EQ(pointsOf(unclaimed), pointsOf(kept));

    fresh.reset();
    fresh.claimPolyline(kept.points.data(), kept.pointCount, 1);
    const auto again = fresh.route({100, 52}, {600, 300}, 1);
    EXPECT_EQ(pointsOf(again), pointsOf(kept));
    fresh.reset();
    fresh.claimPolyline(kept.points.data(), kept.pointCount, 1);
    const auto other = fresh.route({100, 52}, {600, 300}, 2);
    ASSERT_EQ(other.status, Status::Routed);
    EXPECT_FALSE(sharesARun(innerSegments(other.points.data(), other.pointCount),
                            innerSegments(kept.points.data(), kept.pointCount)));
}

TEST(LinkRouterTest, KeysNeverLookLikeFreeGoalOrBlockedCells) {
    for (unsigned id = 0; id <= 0xFFFF; ++id) {
        const std::uint16_t key = LinkRouter::keyForRow(static_cast<std::uint16_t>(id));
        ASSERT_GT(key, LinkRouter::kKeyBase) << id;
        ASSERT_LT(key, LinkRouter::kFree) << id;
    }
    EXPECT_EQ(LinkRouter::keyForRow(1), 0x4001);
    EXPECT_EQ(LinkRouter::keyForRow(0x3FFF), 0x7FFF);
}

TEST(LinkRouterTest, BlockMarksOneColumnLeftAndOneRowBelowAndStaysInsideTheGrid) {
    LinkRouter router;
    router.blockRect({32, 48, 128, 95});
    EXPECT_EQ(router.horizontalLabel(3, 6), LinkRouter::kBlocked);
    EXPECT_EQ(router.verticalLabel(15, 11), LinkRouter::kBlocked);
    EXPECT_EQ(router.horizontalLabel(2, 6), LinkRouter::kFree);
    EXPECT_EQ(router.horizontalLabel(16, 6), LinkRouter::kFree);
    EXPECT_EQ(router.horizontalLabel(3, 5), LinkRouter::kFree);
    EXPECT_EQ(router.horizontalLabel(3, 12), LinkRouter::kFree);
    // Blocks reaching past the grid still block their part inside.
    router.reset();
    router.blockRect({-40, -16, 56, 40});
    router.blockRect({960, 1000, 1096, 1100});
    EXPECT_EQ(router.horizontalLabel(0, 0), LinkRouter::kBlocked);
    EXPECT_EQ(router.horizontalLabel(6, 5), LinkRouter::kBlocked);
    EXPECT_EQ(router.horizontalLabel(7, 5), LinkRouter::kFree);
    EXPECT_EQ(router.horizontalLabel(6, 6), LinkRouter::kFree);
    EXPECT_EQ(router.verticalLabel(127, 127), LinkRouter::kBlocked);
    EXPECT_EQ(router.verticalLabel(119, 125), LinkRouter::kBlocked);
    EXPECT_EQ(router.verticalLabel(118, 125), LinkRouter::kFree);
    // The border stays blocked, and the labels outside it read as blocked.
    EXPECT_EQ(router.horizontalLabel(-1, 40), LinkRouter::kBlocked);
    EXPECT_EQ(router.horizontalLabel(500, 40), LinkRouter::kBlocked);
}

}  // namespace
}  // namespace skelvane
