#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "diagram/block_diagram.h"
#include "diagram_test_support.h"

namespace skelvane {
namespace {

using test::addBlock;
using test::RecordingOwner;
using ::testing::ElementsAre;
namespace dn = diagram_notify;

struct MoveCase {
    DiagramPoint by;
    DiagramPoint offset;
};

class MoveSnapTest : public ::testing::TestWithParam<MoveCase> {};

TEST_P(MoveSnapTest, OffsetMovesInWholeGridSteps) {
    BlockDiagram d;
    d.beginMove({200, 200});
    const DiagramPoint by = GetParam().by;
    EXPECT_EQ(d.updateMove({200 + by.x, 200 + by.y}), GetParam().offset);
    EXPECT_EQ(d.drag().offset, GetParam().offset);
}

INSTANTIATE_TEST_SUITE_P(Offsets, MoveSnapTest,
                         ::testing::Values(MoveCase{{15, -15}, {0, 0}},
                                           MoveCase{{16, 31}, {16, 16}},
                                           MoveCase{{-17, 0}, {-16, 0}},
                                           MoveCase{{-31, 47}, {-16, 32}},
                                           MoveCase{{64, -64}, {64, -64}}));

class DiagramInteractionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        d.setOwner(&owner);
        a = addBlock(d, 32, 32, 1, 1);
        b = addBlock(d, 320, 32, 1, 1);
        c = addBlock(d, 320, 320, 1, 0);
        d.ensureLayout();
        owner.notes.clear();
    }
    RecordingOwner owner;
    BlockDiagram d;
    int a = 0, b = 0, c = 0;
};

TEST_F(DiagramInteractionTest, MovingTheSelectionReportsEachMovedItem) {
    d.setState(a, kItemSelected, kItemSelected);
    d.setState(c, kItemSelected, kItemSelected);
    owner.notes.clear();
    d.beginMove({100, 100});
    EXPECT_EQ(d.mode(), DiagramMode::Moving);
    d.updateMove({140, 70});
    DiagramRect bounds;
    const auto outline = d.moveOutline(&bounds);
    ASSERT_EQ(outline.size(), 2u);
    EXPECT_EQ(outline[0].left, 64);
    EXPECT_EQ(outline[0].top, 16);
    EXPECT_EQ(bounds.left, 62);
    EXPECT_EQ(bounds.top, 14);
    EXPECT_EQ(bounds.bottom, d.item(c)->rect.bottom - 16 + 2);

    d.finishDrag({140, 70});
    EXPECT_EQ(d.mode(), DiagramMode::Idle);
    EXPECT_THAT(owner.codes(), ElementsAre(dn::kItemMoved, dn::kItemMoved, dn::kCaptureLost));
    EXPECT_EQ(owner.notes[0].item, a);
    EXPECT_EQ(owner.notes[1].item, c);
    EXPECT_EQ(d.item(a)->rect.left, 64);
    EXPECT_EQ(d.item(a)->rect.top, 16);
    EXPECT_EQ(d.item(c)->rect.left, 352);
    EXPECT_EQ(d.item(c)->rect.top, 304);
    EXPECT_EQ(d.item(b)->rect.left, 320);  // not selected
    EXPECT_TRUE(d.layoutDirty());
}

TEST_F(DiagramInteractionTest, AMoveShorterThanAStepChangesAndReportsNothing) {
    d.setState(a, kItemSelected, kItemSelected);
    owner.notes.clear();
    d.beginMove({100, 100});
    d.updateMove({115, 85});
    d.finishDrag({115, 85});
    EXPECT_EQ(d.item(a)->rect.left, 32);
    EXPECT_EQ(d.item(a)->rect.top, 32);
    EXPECT_THAT(owner.codes(), ElementsAre(dn::kCaptureLost));
}

TEST_F(DiagramInteractionTest, MoveFollowsTheContentWhileTheViewScrolls) {
    d.beginMove({100, 100});
    d.setScrollOrigin({-32, 0});  // auto-scroll to the right under a still mouse
    EXPECT_EQ(d.updateMove({100, 100}), (DiagramPoint{32, 0}));
}

TEST_F(DiagramInteractionTest, RubberBandSelectsOnlyWhatLiesWhollyInside) {
    d.setState(c, kItemSelected, kItemSelected);
    const DiagramRect ra = d.item(a)->rect;
    const DiagramRect rb = d.item(b)->rect;
    // Dragged from lower right to upper left: all of a, the left part of b.
    d.beginBand({rb.left + 20, rb.bottom + 10});
    EXPECT_EQ(d.mode(), DiagramMode::RubberBand);
    const DiagramRect band = d.updateBand({ra.left - 5, ra.top - 5});
    EXPECT_EQ(band, (DiagramRect{ra.left - 5, ra.top - 5, rb.left + 20, rb.bottom + 10}));
    d.finishDrag({ra.left - 5, ra.top - 5});
    EXPECT_TRUE(d.item(a)->selected());
    EXPECT_FALSE(d.item(b)->selected());
    EXPECT_TRUE(d.item(c)->selected());  // others keep their state
    EXPECT_EQ(d.mode(), DiagramMode::Idle);
}

TEST_F(DiagramInteractionTest, LinkDragReportsMovesAndTheDrop) {
    ASSERT_TRUE(d.beginLinkDrag(b, 0, {320, 40}));
    EXPECT_EQ(d.mode(), DiagramMode::LinkDrag);
    EXPECT_EQ(d.draggedRowId(), d.item(b)->rows[0].id);
    d.dragLink({200, 60});
    d.finishDrag({150, 70});
    ASSERT_THAT(owner.codes(), ElementsAre(dn::kLinkDrag, dn::kLinkDrag, dn::kCaptureLost));
    EXPECT_EQ(owner.notes[0].flag, dn::kLinkDragMoving);
    EXPECT_EQ(owner.notes[1].flag, dn::kLinkDragDrop);
    EXPECT_EQ(owner.notes[1].item, b);
    EXPECT_EQ(owner.notes[1].row, 0);
    EXPECT_EQ(owner.notes[1].point, (DiagramPoint{150, 70}));
    EXPECT_EQ(d.mode(), DiagramMode::Idle);
    EXPECT_EQ(d.draggedRowId(), 0);
    EXPECT_FALSE(d.beginLinkDrag(b, 5, {0, 0}));
}

TEST_F(DiagramInteractionTest, CaptureLostOnlyEndsARealDrag) {
    d.endCapture();
    EXPECT_TRUE(owner.notes.empty());
    d.beginBand({10, 10});
    d.endCapture();
    EXPECT_THAT(owner.codes(), ElementsAre(dn::kCaptureLost));
    EXPECT_EQ(d.mode(), DiagramMode::Idle);
}

TEST_F(DiagramInteractionTest, HoverHighlightsOneRowAndBringsItsItemForward) {
    addBlock(d, 320, 160, 2, 2);
    d.ensureLayout();
    const DiagramRect row = d.item(3)->rows[1].rect;
    const DiagramPoint on{row.left + 2, row.top + 2};
    d.setState(a, kItemSelected, kItemSelected);  // a is in front now
    EXPECT_TRUE(d.updateHover(on));
    EXPECT_EQ(d.hover(), (RowRef{3, 1}));
    EXPECT_NE(d.item(3)->rows[1].flags & kRowHighlighted, 0u);
    EXPECT_EQ(d.zOrder().back(), 3);
    EXPECT_FALSE(d.updateHover({on.x + 1, on.y}));
    EXPECT_TRUE(d.updateHover({900, 900}));
    EXPECT_EQ(d.item(3)->rows[1].flags & kRowHighlighted, 0u);
    EXPECT_FALSE(d.hover().valid());
}

TEST_F(DiagramInteractionTest, StraightLinksStyleJoinsTheEndPoints) {
    ASSERT_TRUE(d.connect(a, 1, b, 0, 0));
    d.setStyle(kStyleStraightLinks);
    d.ensureLayout();
    const DiagramRow& in = d.item(b)->rows[0];
    ASSERT_EQ(in.pointCount, 2);
    EXPECT_EQ(in.points[0],
              (DiagramPoint{d.item(a)->rect.right, d.item(a)->rows[1].rect.middleY()}));
    EXPECT_EQ(in.points[1], (DiagramPoint{320, in.rect.middleY()}));
    d.setStyle(0);
    d.ensureLayout();
    EXPECT_GT(d.item(b)->rows[0].pointCount, 2);
}

TEST_F(DiagramInteractionTest, WhileALinkIsDraggedOnlyItsRowIsRerouted) {
    ASSERT_TRUE(d.connect(a, 1, b, 0, 0));
    ASSERT_TRUE(d.connect(b, 1, c, 0, 0));
    d.ensureLayout();
    const DiagramRow before = d.item(c)->rows[0];

    ASSERT_TRUE(d.beginLinkDrag(b, 0, {320, 40}));
    // Something changes the layout meanwhile: both links' ends move.
    d.setWidth(a, 128);
    d.setWidth(b, 128);
    d.ensureLayout();
    const DiagramRow& dragged = d.item(b)->rows[0];
    EXPECT_EQ(dragged.points[0].x, d.item(a)->rect.right);
    EXPECT_EQ(d.item(c)->rows[0].pointCount, before.pointCount);
    EXPECT_EQ(d.item(c)->rows[0].points, before.points);

    d.endCapture();
    d.ensureLayout();
    EXPECT_EQ(d.item(c)->rows[0].points[0].x, d.item(b)->rect.right);
}

}  // namespace
}  // namespace skelvane
