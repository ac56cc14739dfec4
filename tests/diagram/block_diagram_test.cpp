#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "diagram/block_diagram.h"
#include "diagram_test_support.h"

namespace skelvane {
namespace {

using test::addBlock;
using test::RecordingOwner;
using ::testing::ElementsAre;
namespace dn = diagram_notify;

TEST(BlockDiagramTest, CountersStartAtOneAndRestartAfterClear) {
    RecordingOwner owner;
    BlockDiagram d(&owner);
    const int a = d.insertItem("A", 0, 0, 2, nullptr);
    const int b = d.insertItem("B", 0, 0, 3, nullptr);
    EXPECT_EQ(d.item(a)->id, 1);
    EXPECT_EQ(d.item(b)->id, 2);
    EXPECT_EQ(d.item(a)->touch, 1u);
    EXPECT_EQ(d.item(b)->touch, 2u);
    // Row ids run over the whole diagram, not per item.
    EXPECT_EQ(d.addRow(a, "x", kInputSide, 0), 0);
    EXPECT_EQ(d.addRow(b, "y", kOutputSide, 0), 0);
    EXPECT_EQ(d.addRow(a, "z", kOutputSide, 0), 1);
    EXPECT_EQ(d.item(a)->rows[0].id, 1);
    EXPECT_EQ(d.item(b)->rows[0].id, 2);
    EXPECT_EQ(d.item(a)->rows[1].id, 3);

    d.setScrollOrigin({-32, -48});
    d.clear();
    EXPECT_EQ(d.itemCount(), 0);
    EXPECT_EQ(d.scrollOrigin(), (DiagramPoint{0, 0}));
    const int c = d.insertItem("C", 0, 0, 0, nullptr);
    EXPECT_EQ(d.item(c)->id, 1);
    EXPECT_EQ(d.item(c)->touch, 1u);
    d.addRow(c, "r", kInputSide, 0);
    EXPECT_EQ(d.item(c)->rows[0].id, 1);
}

TEST(BlockDiagramTest, InsertNotifiesAndClearAnnouncesTheDeletionFirst) {
    RecordingOwner owner;
    BlockDiagram d(&owner);
    int block = 0;
    d.insertItem("A", 0, 0, 0, &block);
    ASSERT_EQ(owner.notes.size(), 1u);
    EXPECT_EQ(owner.notes[0].code, dn::kItemInserted);
    EXPECT_EQ(owner.notes[0].item, 0);
    EXPECT_EQ(owner.notes[0].data, &block);
    EXPECT_EQ(d.findByData(&block), 0);
    EXPECT_EQ(d.getData(0), &block);

    owner.notes.clear();
    d.clear();
    ASSERT_EQ(owner.notes.size(), 1u);
    EXPECT_EQ(owner.notes[0].code, dn::kDeleteAllItems);
    EXPECT_EQ(owner.notes[0].item, -1);
}

struct SnapCase {
    DiagramPoint origin;
    DiagramPoint at;
    DiagramPoint expected;
};

class InsertSnapTest : public ::testing::TestWithParam<SnapCase> {};

TEST_P(InsertSnapTest, SnapsTheContentPositionToSixteenPixels) {
    BlockDiagram d;
    d.setScrollOrigin(GetParam().origin);
    const int i = d.insertItem("A", GetParam().at.x, GetParam().at.y, 0, nullptr);
    EXPECT_EQ(d.item(i)->rect.left, GetParam().expected.x);
    EXPECT_EQ(d.item(i)->rect.top, GetParam().expected.y);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, InsertSnapTest,
    ::testing::Values(SnapCase{{0, 0}, {40, 40}, {32, 32}}, SnapCase{{0, 0}, {47, 15}, {32, 0}},
                      SnapCase{{0, 0}, {48, 16}, {48, 16}},
                      // Integer division truncates toward zero on the negative side.
                      SnapCase{{0, 0}, {-5, -17}, {0, -16}},
                      // The scroll offset is added before snapping.
                      SnapCase{{-100, -20}, {40, 40}, {128, 48}},
                      // Positions from a file are bounded before they can overflow.
                      SnapCase{{-100, 0},
                               {2147483647, -2147483647 - 1},
                               {BlockDiagram::kMaxCoordinate, -BlockDiagram::kMaxCoordinate}}));

TEST(BlockDiagramTest, TextsAreCutAndLookupsAreExact) {
    BlockDiagram d;
    const std::string longText(80, 'q');
    const int a = d.insertItem(longText, 0, 0, 0, nullptr);
    EXPECT_EQ(d.item(a)->title.size(), 63u);
    d.setTitle(a, "Master");
    EXPECT_EQ(d.item(a)->title, "Master");

    d.addRow(a, "~", kOutputSide, 7);
    d.addRow(a, "Port", kInputSide, 9);
    d.addRow(a, longText, kInputSide, 7);
    EXPECT_EQ(d.findRowByText(a, "Port"), 1);
    EXPECT_EQ(d.findRowByText(a, "port"), -1);
    EXPECT_EQ(d.findRowByText(a, longText.substr(0, 63)), 2);
    EXPECT_EQ(d.findRowByText(5, "Port"), -1);
    EXPECT_EQ(d.rowCount(a, kInputSide), 2);
    EXPECT_EQ(d.rowCount(a, kOutputSide), 1);
    EXPECT_EQ(d.rowCount(a, -1), 3);

    const int b = d.insertItem("B", 0, 0, 0, nullptr);
    d.addRow(b, "~", kOutputSide, 9);
    // First match over all items in array order, rows in list order.
    EXPECT_EQ(d.findRowByTag(9), (RowRef{a, 1}));
    EXPECT_EQ(d.findRowByTag(7), (RowRef{a, 0}));
    EXPECT_FALSE(d.findRowByTag(99).valid());
    EXPECT_EQ(d.addRow(b, "bad", 2, 0), -1);
    EXPECT_EQ(d.addRow(7, "bad", 0, 0), -1);
}

struct ConnectCase {
    const char* name;
    int srcItem, srcRow, dstItem, dstRow;
    bool ok;
};

class ConnectTest : public ::testing::TestWithParam<ConnectCase> {};

TEST_P(ConnectTest, OnlyOutputToInputOfExistingRows) {
    BlockDiagram d;
    addBlock(d, 0, 0, 1, 1);    // rows: 0 input, 1 output
    addBlock(d, 200, 0, 2, 0);  // rows: 0, 1 inputs
    const ConnectCase& c = GetParam();
    EXPECT_EQ(d.connect(c.srcItem, c.srcRow, c.dstItem, c.dstRow, 5), c.ok) << c.name;
    const DiagramRow& dst = d.item(1)->rows[1];
    if (c.ok) {
        EXPECT_EQ(dst.sourceItemId, d.item(c.srcItem)->id);
        EXPECT_EQ(dst.sourceRow, c.srcRow);
        EXPECT_EQ(dst.linkFlags, 5u);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, ConnectTest,
                         ::testing::Values(ConnectCase{"output to input", 0, 1, 1, 1, true},
                                           ConnectCase{"input as source", 0, 0, 1, 1, false},
                                           ConnectCase{"output as target", 1, 0, 0, 1, false},
                                           ConnectCase{"missing source row", 0, 2, 1, 1, false},
                                           ConnectCase{"missing target row", 0, 1, 1, 2, false},
                                           ConnectCase{"missing item", 3, 1, 1, 1, false},
                                           ConnectCase{"negative row", 0, -1, 1, 1, false}));

TEST(BlockDiagramTest, DisconnectClearsTheLink) {
    BlockDiagram d;
    addBlock(d, 0, 0, 0, 1);
    addBlock(d, 320, 0, 1, 0);
    ASSERT_TRUE(d.connect(0, 0, 1, 0, 0));
    d.ensureLayout();
    EXPECT_GE(d.item(1)->rows[0].pointCount, 2);
    EXPECT_TRUE(d.disconnect(1, 0));
    EXPECT_FALSE(d.item(1)->rows[0].linked());
    EXPECT_EQ(d.item(1)->rows[0].pointCount, 0);
    EXPECT_TRUE(d.layoutDirty());
    EXPECT_FALSE(d.disconnect(1, 4));
}

TEST(BlockDiagramTest, SetStateAsksTheOwnerAndHonoursTheVeto) {
    RecordingOwner owner;
    BlockDiagram d(&owner);
    for (int i = 0; i < 3; ++i) {
        d.insertItem("I", 0, 0, 0, nullptr);
    }
    d.setState(2, kItemSelected, kItemSelected);
    owner.notes.clear();
    owner.vetoed = {1};
    const int redraws = owner.redraws;

    // Select all: item 2 already is, item 1 refuses.
    EXPECT_EQ(d.setState(-1, kItemSelected, kItemSelected), 1);
    std::vector<std::pair<int, int>> seen;
    for (const auto& n : owner.notes) {
        seen.emplace_back(n.code, n.item);
    }
    EXPECT_THAT(seen, ElementsAre(std::pair{dn::kStateChanging, 0}, std::pair{dn::kStateChanged, 0},
                                  std::pair{dn::kStateChanging, 1}));
    EXPECT_TRUE(d.item(0)->selected());
    EXPECT_FALSE(d.item(1)->selected());
    EXPECT_EQ(d.selectedCount(), 2);
    EXPECT_EQ(d.nextSelected(-1), 0);
    EXPECT_EQ(d.nextSelected(0), 2);
    EXPECT_EQ(d.nextSelected(2), -1);
    EXPECT_GT(owner.redraws, redraws);
    // The changed item comes to the front.
    EXPECT_EQ(d.zOrder().back(), 0);

    // Nothing to change: no questions, no redraw.
    owner.notes.clear();
    const int before = owner.redraws;
    EXPECT_EQ(d.setState(0, kItemSelected, kItemSelected), 0);
    EXPECT_TRUE(owner.notes.empty());
    EXPECT_EQ(owner.redraws, before);
    EXPECT_EQ(d.setState(9, 0, kItemSelected), 0);

    // Clearing one bit leaves the others.
    d.setState(0, kItemIconRight, kItemIconRight);
    d.setState(0, 0, kItemSelected);
    EXPECT_EQ(d.item(0)->state, kItemIconRight);
}

// An owner that deletes items while it is asked about a state change.
class DeletingOwner : public DiagramOwner {
  public:
    int notify(const DiagramNotification& n) override {
        if (n.code == dn::kStateChanging && diagram->itemCount() > 1) {
            diagram->deleteItem(diagram->itemCount() - 1);
        }
        return 0;
    }
    BlockDiagram* diagram = nullptr;
};

TEST(BlockDiagramTest, SetStateSurvivesAnOwnerThatDeletesItems) {
    DeletingOwner owner;
    BlockDiagram d(&owner);
    owner.diagram = &d;
    for (int i = 0; i < 4; ++i) {
        d.insertItem("I", 0, 0, 0, nullptr);
    }
    EXPECT_EQ(d.setState(-1, kItemSelected, kItemSelected), 2);
    EXPECT_EQ(d.itemCount(), 2);
    EXPECT_EQ(d.selectedCount(), 2);
}

TEST(BlockDiagramTest, DeletingAnItemDropsTheLinksThatCameFromIt) {
    BlockDiagram d;
    addBlock(d, 0, 0, 0, 1);
    addBlock(d, 320, 0, 1, 0);
    addBlock(d, 320, 200, 1, 0);
    ASSERT_TRUE(d.connect(0, 0, 1, 0, 0));
    ASSERT_TRUE(d.connect(0, 0, 2, 0, 0));
    ASSERT_TRUE(d.deleteItem(0));
    EXPECT_EQ(d.itemCount(), 2);
    EXPECT_FALSE(d.item(0)->rows[0].linked());
    EXPECT_FALSE(d.item(1)->rows[0].linked());
    // A new item cannot pick the links up again, even under a recycled id.
    const int again = addBlock(d, 0, 0, 0, 1);
    d.ensureLayout();
    EXPECT_EQ(d.item(0)->rows[0].pointCount, 0);
    EXPECT_EQ(d.item(again)->rows.size(), 1u);
    EXPECT_FALSE(d.deleteItem(5));
}

TEST(BlockDiagramTest, WrappedIdsSkipZeroAndIdsInUse) {
    BlockDiagram d;
    const int keep = d.insertItem("keep", 0, 0, 0, nullptr);  // id 1
    d.insertItem("two", 0, 0, 0, nullptr);                    // id 2
    for (int i = 3; i <= 0xFFFF; ++i) {
        d.insertItem("tmp", 0, 0, 0, nullptr);
        d.deleteItem(2);
    }
    // The counter has wrapped: 0 is never handed out, and 1 and 2 are still in use.
    const int next = d.insertItem("next", 0, 0, 0, nullptr);
    EXPECT_EQ(d.item(keep)->id, 1);
    EXPECT_EQ(d.item(next)->id, 3);
}

}  // namespace
}  // namespace skelvane
