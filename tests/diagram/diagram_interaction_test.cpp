// The model's side of dragging. The mouse rules themselves (moves, bands, link drags, hover)
// are tested end to end through the view and the main window.

#include <gtest/gtest.h>

#include "diagram/block_diagram.h"
#include "diagram_test_support.h"

namespace skelvane {
namespace {

using test::addBlock;

TEST(DiagramInteractionTest, WhileALinkIsDraggedOnlyItsRowIsRerouted) {
    BlockDiagram d;
    const int a = addBlock(d, 32, 32, 1, 1);
    const int b = addBlock(d, 320, 32, 1, 1);
    const int c = addBlock(d, 320, 320, 1, 0);
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
