#include <gtest/gtest.h>

#include "diagram/block_diagram.h"
#include "diagram/diagram_geometry.h"
#include "diagram_test_support.h"

namespace skelvane {
namespace {

using test::addBlock;

TEST(DiagramGeometryTest, BoxesAndRowColumns) {
    BlockDiagram d;  // title font 16, row font 13: H = 23, R = 20
    const int i = d.insertItem("Repeater", 32, 48, 3, nullptr);
    d.addRow(i, "in0", kInputSide, 0);
    d.addRow(i, "in1", kInputSide, 0);
    d.addRow(i, "out", kOutputSide, 0);
    d.addRow(i, "in2", kInputSide, 0);
    d.ensureLayout();
    const DiagramItem& it = *d.item(i);
    EXPECT_EQ(it.rect, (DiagramRect{32, 48, 128, 48 + 27 + 3 * 20}));
    EXPECT_EQ(it.iconBox, (DiagramRect{34, 50, 52, 71}));
    EXPECT_EQ(it.titleBox, (DiagramRect{52, 50, 125, 71}));
    EXPECT_EQ(it.rows[0].rect, it.iconBox);
    // x1 = 35, x2 = 125, mid = 80; rows of a side stack from y0 = 75 in steps of R.
    EXPECT_EQ(it.rows[1].rect, (DiagramRect{35, 75, 79, 92}));
    EXPECT_EQ(it.rows[2].rect, (DiagramRect{81, 75, 125, 92}));
    EXPECT_EQ(it.rows[3].rect, (DiagramRect{35, 95, 79, 112}));

    d.setState(i, kItemIconRight, kItemIconRight);
    d.ensureLayout();
    EXPECT_EQ(d.item(i)->iconBox, (DiagramRect{108, 50, 126, 71}));
    EXPECT_EQ(d.item(i)->titleBox, (DiagramRect{34, 50, 108, 71}));
    EXPECT_EQ(d.item(i)->rows[0].rect, d.item(i)->iconBox);
}

TEST(DiagramGeometryTest, OutputsOnlyUseTheWidthBesideTheIcon) {
    BlockDiagram d;
    const int master = addBlock(d, 0, 0, 0, 3);
    const int mixed = addBlock(d, 400, 0, 1, 2);
    d.setWidth(master, 84);
    d.ensureLayout();
    const DiagramItem& m = *d.item(master);
    EXPECT_EQ(m.rows[1].rect, (DiagramRect{19, 27, 81, 44}));
    EXPECT_EQ(m.rows[2].rect, (DiagramRect{19, 47, 81, 64}));
    // With an input the outputs keep to the right column.
    EXPECT_EQ(d.item(mixed)->rows[1].rect.left, 400 + 3 + 45 + 1);
}

DiagramPoint centreOf(const DiagramRect& r) {
    return {r.left + (r.right - r.left) / 2, r.top + (r.bottom - r.top) / 2};
}

TEST(DiagramHitTest, PartsAndTheFrontItemFirst) {
    BlockDiagram d;
    const int back = addBlock(d, 0, 0, 2, 1);
    const int front = addBlock(d, 48, 16, 1, 1);
    d.ensureLayout();
    const DiagramItem& b = *d.item(back);
    const DiagramItem& f = *d.item(front);

    HitResult h = d.hitTest(centreOf(b.iconBox));
    EXPECT_EQ(h.item, back);
    EXPECT_EQ(h.part, HitPart::Icon);
    EXPECT_EQ(h.row, 0);
    h = d.hitTest(centreOf(b.rows[1].rect));
    EXPECT_EQ(h.part, HitPart::Row);
    EXPECT_EQ(h.row, 1);
    h = d.hitTest({b.rows[1].rect.left, b.rows[1].rect.bottom});  // in the gap under a row
    EXPECT_EQ(h.part, HitPart::Body);
    EXPECT_EQ(d.hitTest({500, 500}).item, -1);
    EXPECT_EQ(d.hitTest({b.rect.right, 1}).item, -1);  // right edge is outside

    // Where they overlap the later item is in front, until the other one is touched.
    const DiagramPoint overlap = centreOf(f.iconBox);
    ASSERT_TRUE(b.rect.contains(overlap));
    EXPECT_EQ(d.hitTest(overlap).item, front);
    EXPECT_EQ(d.hitTest(overlap).part, HitPart::Icon);
    d.setState(back, kItemSelected, kItemSelected);
    EXPECT_EQ(d.hitTest(overlap).item, back);
}

// Where a block is drawn at any zoom and scroll position, a press there finds it: the client
// pixel of every corner of the box hits it, the pixel just outside does not.
TEST(DiagramHitTest, ZoomedAndScrolledPointsHitWhatIsDrawnThere) {
    BlockDiagram d;
    const int i = addBlock(d, 48, 32, 2, 1);
    d.ensureLayout();
    const DiagramRect r = d.item(i)->rect;
    const DiagramRect row = d.item(i)->rows[1].rect;
    for (const int zoom : {10, 33, 50, 150, 400}) {
        for (const DiagramPoint origin : {DiagramPoint{0, 0}, DiagramPoint{-37, -61}}) {
            d.setZoom(zoom);
            d.setScrollOrigin(origin);
            SCOPED_TRACE(testing::Message() << "zoom " << zoom << " origin " << origin.x);
            const DiagramPoint first = d.toClient({r.left, r.top});
            const DiagramPoint last = d.toClient({r.right, r.bottom});  // first pixel past it
            EXPECT_EQ(d.hitTest(first).item, i);
            EXPECT_EQ(d.hitTest({last.x - 1, last.y - 1}).item, i);
            EXPECT_EQ(d.hitTest({first.x - 1, first.y}).item, -1);
            EXPECT_EQ(d.hitTest({last.x, last.y - 1}).item, -1);
            // Below 50% a client pixel spans more than the two content pixels of slack.
            const HitResult h = d.hitTest(d.toClient({row.left + 2, row.top + 2}));
            EXPECT_TRUE(zoom < 50 || (h.part == HitPart::Row && h.row == 1));
        }
    }
}

// Where a link dragged out of an input of `from` and dropped finds its output.
TEST(DiagramHitTest, ResolveDropFindsTheOutputALinkComesFrom) {
    BlockDiagram d;
    const int remote = addBlock(d, 400, 400, 1, 0);
    const int master2 = addBlock(d, 0, 0, 0, 2);     // rows 0, 1: outputs
    const int repeater = addBlock(d, 200, 0, 1, 1);  // row 0 input, row 1 output
    const int master1 = addBlock(d, 0, 200, 0, 1);   // row 0: output
    const int hub = addBlock(d, 200, 200, 2, 1);     // rows 0, 1 inputs, row 2 output
    const int right = addBlock(d, 320, 176, 0, 2);
    d.ensureLayout();
    auto on = [&d](int item, int row) { return centreOf(d.item(item)->rows[row].rect); };
    auto title = [&d](int item) { return centreOf(d.item(item)->titleBox); };
    const DiagramPoint below = centreOf(d.item(master2)->rect);
    struct Case {
        const char* name;
        int from;
        DiagramPoint at;
        std::int64_t limit;
        RowRef expected;
    };
    const Case cases[] = {
        {"output row", remote, on(master2, 1), 7000, {master2, 1}},
        {"icon holding an output", remote, on(master2, 0), 7000, {master2, 0}},
        {"title, no inputs: row 1", remote, title(master2), 7000, {master2, 1}},
        {"title, one input: row 0 is that input", remote, title(repeater), 7000, {}},
        {"title, no row 1", remote, title(master1), 7000, {}},
        {"an input row", remote, on(hub, 1), 7000, {}},
        // Empty space: the nearest centre within the limit, 80 pixels away here.
        {"near a block", remote, {below.x, below.y + 80}, 7000, {master2, 1}},
        {"past the limit", remote, {below.x, below.y + 80}, 6399, {}},
        // No point: the nearest block not left of the source's top-right corner.
        {"no point", hub, {0, 0}, 7000, {right, 1}},
        {"no point, nothing right", remote, {0, 0}, 100000, {}},
        // Onto itself only by an explicit hit on an output row, or the icon of an item with
        // one input (which is that input).
        {"own output", hub, on(hub, 2), 7000, {hub, 2}},
        {"own title", hub, title(hub), 7000, {}},
        {"own icon, one input", repeater, on(repeater, 0), 7000, {}},
        {"own output, one input", repeater, on(repeater, 1), 7000, {}},
        {"no such item", 42, on(hub, 2), 7000, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(d.resolveDrop(c.from, c.at, c.limit), c.expected) << c.name;
    }
}

}  // namespace
}  // namespace skelvane
