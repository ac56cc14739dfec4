#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "diagram/block_diagram.h"
#include "diagram/diagram_owner.h"
#include "diagram_test_support.h"

namespace skelvane {
namespace {

using test::addBlock;
using ::testing::ElementsAre;
namespace dn = diagram_notify;

struct SnapCase {
    DiagramPoint origin;
    int zoom;
    DiagramPoint at;
    DiagramPoint expected;
};

class InsertSnapTest : public ::testing::TestWithParam<SnapCase> {};

TEST_P(InsertSnapTest, SnapsTheContentPositionToSixteenPixels) {
    BlockDiagram d;
    d.setScrollOrigin(GetParam().origin);
    d.setZoom(GetParam().zoom);
    const int i = d.insertItem("A", GetParam().at.x, GetParam().at.y, 0, nullptr);
    EXPECT_EQ((DiagramPoint{d.item(i)->rect.left, d.item(i)->rect.top}), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, InsertSnapTest,
    ::testing::Values(SnapCase{{0, 0}, 100, {47, 15}, {32, 0}},
                      // Integer division truncates toward zero on the negative side.
                      SnapCase{{0, 0}, 100, {-5, -17}, {0, -16}},
                      // The scroll offset is added, and the zoom undone, before snapping.
                      SnapCase{{-100, -20}, 100, {40, 40}, {128, 48}},
                      SnapCase{{-100, -20}, 50, {40, 40}, {272, 112}},
                      // Positions from a file are bounded before they can overflow.
                      SnapCase{{-100, 0},
                               100,
                               {2147483647, -2147483647 - 1},
                               {BlockDiagram::kMaxCoordinate, -BlockDiagram::kMaxCoordinate}}));

TEST(BlockDiagramTest, TextsAreCutAndTagsFoundInArrayOrder) {
    BlockDiagram d;
    const int a = d.insertItem(std::string(80, 'q'), 0, 0, 0, nullptr);
    EXPECT_EQ(d.item(a)->title.size(), 63u);
    d.addRow(a, "~", kOutputSide, 7);
    d.addRow(a, "Port", kInputSide, 9);
    const int b = d.insertItem("B", 0, 0, 0, nullptr);
    d.addRow(b, "~", kOutputSide, 9);
    EXPECT_EQ(d.findRowByTag(9), (RowRef{a, 1}));
    EXPECT_EQ(d.addRow(b, "bad", 2, 0), -1);
}

TEST(BlockDiagramTest, ConnectsOnlyAnOutputToAnInput) {
    BlockDiagram d;
    addBlock(d, 0, 0, 1, 1);                 // rows: 0 input, 1 output
    addBlock(d, 200, 0, 2, 0);               // rows: 0, 1 inputs
    EXPECT_FALSE(d.connect(0, 0, 1, 1, 0));  // an input as the source
    EXPECT_FALSE(d.connect(1, 0, 0, 1, 0));  // an output as the target
    EXPECT_FALSE(d.connect(0, 2, 1, 1, 0));  // no such row
    EXPECT_FALSE(d.item(1)->rows[1].linked());
    EXPECT_TRUE(d.connect(0, 1, 1, 1, 0));
    EXPECT_TRUE(d.item(1)->rows[1].linked());
}

// Records the codes it is sent; asked about a state change, vetoes it for the items listed,
// and deletes the last item while `deleteFrom` holds more than one.
class RecordingOwner : public DiagramOwner {
  public:
    int notify(const DiagramNotification& n) override {
        codes.push_back(n.code);
        if (n.code != dn::kStateChanging) {
            return 0;
        }
        if (deleteFrom != nullptr && deleteFrom->itemCount() > 1) {
            deleteFrom->deleteItem(deleteFrom->itemCount() - 1);
        }
        return std::find(vetoed.begin(), vetoed.end(), n.item) != vetoed.end() ? 1 : 0;
    }
    std::vector<int> codes;
    std::vector<int> vetoed;
    BlockDiagram* deleteFrom = nullptr;
};

TEST(BlockDiagramTest, SetStateAsksTheOwnerAndHonoursTheVeto) {
    RecordingOwner owner;
    BlockDiagram d(&owner);
    for (int i = 0; i < 3; ++i) {
        d.insertItem("I", 0, 0, 0, nullptr);
    }
    d.setState(2, kItemSelected, kItemSelected);
    owner.codes.clear();
    owner.vetoed = {1};

    // Select all: item 2 already is, item 1 refuses.
    EXPECT_EQ(d.setState(-1, kItemSelected, kItemSelected), 1);
    EXPECT_THAT(owner.codes,
                ElementsAre(dn::kStateChanging, dn::kStateChanged, dn::kStateChanging));
    EXPECT_EQ(d.selectedCount(), 2);
    EXPECT_EQ(d.nextSelected(0), 2);
    // The changed item comes to the front.
    EXPECT_EQ(d.zOrder().back(), 0);
    // Clearing one bit leaves the others.
    d.setState(0, kItemIconRight, kItemIconRight);
    d.setState(0, 0, kItemSelected);
    EXPECT_EQ(d.item(0)->state, kItemIconRight);
}

TEST(BlockDiagramTest, SetStateSurvivesAnOwnerThatDeletesItems) {
    RecordingOwner owner;
    BlockDiagram d(&owner);
    owner.deleteFrom = &d;
    for (int i = 0; i < 4; ++i) {
        d.insertItem("I", 0, 0, 0, nullptr);
    }
    EXPECT_EQ(d.setState(-1, kItemSelected, kItemSelected), 2);
    EXPECT_EQ(d.selectedCount(), 2);
}

TEST(BlockDiagramTest, DeletingAnItemDropsTheLinksThatCameFromIt) {
    BlockDiagram d;
    addBlock(d, 0, 0, 0, 1);
    addBlock(d, 320, 0, 1, 0);
    ASSERT_TRUE(d.connect(0, 0, 1, 0, 0));
    ASSERT_TRUE(d.deleteItem(0));
    EXPECT_FALSE(d.item(0)->rows[0].linked());
    // A new item cannot pick the link up again, even under a recycled id.
    addBlock(d, 0, 0, 0, 1);
    d.ensureLayout();
    EXPECT_EQ(d.item(0)->rows[0].pointCount, 0);
}

TEST(BlockDiagramTest, WrappedIdsSkipZeroAndIdsInUse) {
    BlockDiagram d;
    d.insertItem("keep", 0, 0, 0, nullptr);
    d.insertItem("two", 0, 0, 0, nullptr);
    for (int i = 3; i <= 0xFFFF; ++i) {
        d.insertItem("tmp", 0, 0, 0, nullptr);
        d.deleteItem(2);
    }
    d.insertItem("next", 0, 0, 0, nullptr);
    std::set<int> ids;
    for (const DiagramItem& it : d.items()) {
        EXPECT_NE(it.id, 0);
        ids.insert(it.id);
    }
    EXPECT_EQ(ids.size(), 3u);
}

// The model's side of dragging. The mouse rules themselves (moves, bands, link drags, hover)
// are tested end to end through the view and the main window.
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
