// The model's side of dragging. The mouse rules themselves (moves, bands, link drags, hover)
// are tested end to end through the view and the main window.

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
    d.updateMove({140, 70});
    DiagramRect bounds;
    const auto outline = d.moveOutline(&bounds);
    ASSERT_EQ(outline.size(), 2u);
    EXPECT_EQ(bounds.bottom, d.item(c)->rect.bottom - 16 + 2);

    d.finishDrag({140, 70});
    EXPECT_EQ(d.mode(), DiagramMode::Idle);
    EXPECT_THAT(owner.codes(), ElementsAre(dn::kItemMoved, dn::kItemMoved, dn::kCaptureLost));
    EXPECT_EQ(owner.notes[1].item, c);
    EXPECT_EQ(d.item(c)->rect.left, 352);
    EXPECT_EQ(d.item(c)->rect.top, 304);
    EXPECT_EQ(d.item(b)->rect.left, 320);  // not selected
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
