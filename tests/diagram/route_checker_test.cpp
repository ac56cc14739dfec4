// An independent check of every route the diagram produces over generated layouts: random
// blocks on the 16-pixel grid, random links between them. The checker knows only the public
// rectangles and polylines, not how the router works.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "base/format.h"
#include "diagram/block_diagram.h"
#include "diagram/diagram_arrange.h"
#include "diagram/diagram_geometry.h"

namespace skelvane {
namespace {

struct Segment {
    DiagramPoint a;
    DiagramPoint b;
    bool horizontal() const { return a.y == b.y; }
    bool vertical() const { return a.x == b.x; }
};

bool overlaps(int a1, int a2, int b1, int b2) {
    return std::max(std::min(a1, a2), std::min(b1, b2)) <
           std::min(std::max(a1, a2), std::max(b1, b2));
}

// Two axis-parallel segments share a stretch of positive length.
bool runsAlong(const Segment& s, const Segment& t) {
    if (s.horizontal() && t.horizontal() && s.a.y == t.a.y && s.a.x != s.b.x) {
        return overlaps(s.a.x, s.b.x, t.a.x, t.b.x);
    }
    if (s.vertical() && t.vertical() && s.a.x == t.a.x && s.a.y != s.b.y) {
        return overlaps(s.a.y, s.b.y, t.a.y, t.b.y);
    }
    return false;
}

struct CheckedRoute {
    std::uint16_t sourceItem;
    int sourceRow;
    DiagramPoint from;
    DiagramPoint to;
    std::vector<DiagramPoint> points;

    std::vector<Segment> inner;  // all but the first and last legs
};

// The segment passes through the inside of the rectangle (touching its edges is allowed).
bool crosses(const Segment& s, const DiagramRect& r) {
    if (s.horizontal()) {
        return s.a.y > r.top && s.a.y < r.bottom && overlaps(s.a.x, s.b.x, r.left, r.right);
    }
    return s.a.x > r.left && s.a.x < r.right && overlaps(s.a.y, s.b.y, r.top, r.bottom);
}

int middle(const DiagramRect& r) {
    return r.top + (r.bottom - r.top) / 2;
}

std::vector<CheckedRoute> collectRoutes(const BlockDiagram& d) {
    std::vector<CheckedRoute> routes;
    for (const DiagramItem& it : d.items()) {
        for (const DiagramRow& row : it.rows) {
            if (!row.linked()) {
                continue;
            }
            const auto src =
                std::find_if(d.items().begin(), d.items().end(),
                             [&](const DiagramItem& s) { return s.id == row.sourceItemId; });
            if (src == d.items().end()) {
                continue;
            }
            CheckedRoute r;
            r.sourceItem = src->id;
            r.sourceRow = row.sourceRow;
            r.from = {src->rect.right, middle(src->rows[row.sourceRow].rect)};
            r.to = {it.rect.left, middle(row.rect)};
            r.points.assign(row.points.begin(), row.points.begin() + row.pointCount);
            for (std::size_t i = 1; i + 2 < r.points.size(); ++i) {
                r.inner.push_back({r.points[i], r.points[i + 1]});
            }
            routes.push_back(r);
        }
    }
    return routes;
}

std::string describe(const CheckedRoute& r) {
    std::string text;
    for (const DiagramPoint& p : r.points) {
        text += Format("(%d,%d)", p.x, p.y);
    }
    return text;
}

struct Tally {
    int routes = 0;
    int routed = 0;
    int shared = 0;  // later routes running along an earlier one of the same row
};

// Returns the first broken rule, or an empty string.
std::string checkRoutes(const BlockDiagram& d, Tally& tally) {
    const std::vector<CheckedRoute> routes = collectRoutes(d);
    for (std::size_t k = 0; k < routes.size(); ++k) {
        const CheckedRoute& r = routes[k];
        auto at = [k] { return Format("route %zu ", k); };
        ++tally.routes;
        if (r.points.size() < 2 || r.points.size() > 9) {
            return at() + Format("has %zu points", r.points.size());
        }
        if (r.points.front() != r.from || r.points.back() != r.to) {
            return at() + "does not join its end points";
        }
        if (r.points.size() == 2) {
            continue;  // the straight link of a route that could not be found
        }
        ++tally.routed;
        const std::vector<Segment>& inner = r.inner;
        for (const Segment& s : inner) {
            if (!s.horizontal() && !s.vertical()) {
                return at() + Format("has a slanted inner segment (%d,%d)-(%d,%d)", s.a.x, s.a.y,
                                     s.b.x, s.b.y);
            }
            for (const DiagramItem& it : d.items()) {
                if (crosses(s, it.rect)) {
                    return at() + Format("crosses block %d at (%d,%d)-(%d,%d)", it.id, s.a.x, s.a.y,
                                         s.b.x, s.b.y);
                }
            }
        }
        bool sharesWithItsRow = false;
        for (std::size_t e = 0; e < k; ++e) {
            const CheckedRoute& earlier = routes[e];
            const bool sameRow =
                earlier.sourceItem == r.sourceItem && earlier.sourceRow == r.sourceRow;
            for (const Segment& s : inner) {
                for (const Segment& t : earlier.inner) {
                    if (!runsAlong(s, t)) {
                        continue;
                    }
                    if (!sameRow) {
                        return at() +
                               Format("runs along route %zu at (%d,%d)-(%d,%d): ", e, s.a.x, s.a.y,
                                      s.b.x, s.b.y) +
                               describe(earlier) + " / " + describe(r);
                    }
                    sharesWithItsRow = true;
                }
            }
        }
        tally.shared += sharesWithItsRow ? 1 : 0;
    }
    return {};
}

bool tooClose(const DiagramRect& a, const DiagramRect& b, int gap) {
    return a.left < b.right + gap && b.left < a.right + gap && a.top < b.bottom + gap &&
           b.top < a.bottom + gap;
}

// Blocks of the sizes the program uses, at random grid positions (`span` grid steps across
// and down from `from`) with at least `gap` pixels between them, and random links: most
// inputs linked, often several of them to one output.
struct Spread {
    int wanted;  // blocks tried for, at most
    int from;
    int span;
};

void generateLayout(BlockDiagram& d, std::mt19937& rng, int gap, Spread spread = {24, 0, 52}) {
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const DiagramMetrics metrics[] = {{16, 13}, {12, 15}, {22, 18}};
    d.setMetrics(metrics[pick(0, 2)]);
    const int widths[] = {84, 96, 128};
    const int wanted = pick(4, spread.wanted);
    std::vector<DiagramRect> placed;
    for (int attempt = 0; attempt < 20 * spread.wanted && d.itemCount() < wanted; ++attempt) {
        const int i = d.insertItem("B", pick(spread.from, spread.from + spread.span) * 16,
                                   pick(spread.from, spread.from + spread.span) * 16, 0, nullptr);
        d.setWidth(i, widths[pick(0, 2)]);
        if (pick(0, 1) == 1) {
            d.setState(i, kItemIconRight, kItemIconRight);
        }
        const int inputs = pick(0, 3);
        const int outputs = pick(0, 3);
        for (int k = 0; k < inputs; ++k) {
            d.addRow(i, "in", kInputSide, 0);
        }
        for (int k = 0; k < outputs; ++k) {
            d.addRow(i, "out", kOutputSide, 0);
        }
        // Only the new box's size is needed here, not a full layout with routing.
        DiagramItem box = *d.item(i);
        layoutItem(box, d.metrics());
        const bool crowded = std::any_of(placed.begin(), placed.end(), [&](const DiagramRect& r) {
            return tooClose(box.rect, r, gap);
        });
        if (crowded) {
            d.deleteItem(i);
        } else {
            placed.push_back(box.rect);
        }
    }
    std::vector<RowRef> outputs;
    for (int i = 0; i < d.itemCount(); ++i) {
        for (int r = 0; r < static_cast<int>(d.item(i)->rows.size()); ++r) {
            if (d.item(i)->rows[r].side == kOutputSide) {
                outputs.push_back({i, r});
            }
        }
    }
    if (outputs.empty()) {
        return;
    }
    for (int i = 0; i < d.itemCount(); ++i) {
        for (int r = 0; r < static_cast<int>(d.item(i)->rows.size()); ++r) {
            if (d.item(i)->rows[r].side == kInputSide && pick(0, 9) < 8) {
                const RowRef src = outputs[pick(0, static_cast<int>(outputs.size()) - 1)];
                d.connect(src.item, src.row, i, r, 0);
            }
        }
    }
}

struct LayoutCase {
    const char* name;
    unsigned seeds;
    Spread spread;
    int minRoutes;
};

class GeneratedLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(GeneratedLayoutTest, KeepEveryRoutingRule) {
    const LayoutCase& c = GetParam();
    Tally tally;
    for (unsigned seed = 1; seed <= c.seeds; ++seed) {
        std::mt19937 rng(seed);
        BlockDiagram d;
        generateLayout(d, rng, 16, c.spread);
        d.ensureLayout();
        const std::string broken = checkRoutes(d, tally);
        ASSERT_TRUE(broken.empty()) << "layout " << seed << ": " << broken;
    }
    // The check is only worth something if most links were really routed, and if links of
    // one output were seen sharing their runs.
    EXPECT_GT(tally.routes, c.minRoutes);
    EXPECT_GT(tally.routed, tally.routes / 2);
    EXPECT_GT(tally.shared, c.seeds / 4);
    std::printf("%d links, %d routed, %d sharing a run with their output's earlier link\n",
                tally.routes, tally.routed, tally.shared);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, GeneratedLayoutTest,
    ::testing::Values(LayoutCase{"within the first 1024 pixels", 400, {24, 0, 52}, 4000},
                      // Far past 1024 pixels, and left of and above the origin.
                      LayoutCase{"large", 8, {160, -40, 200}, 500}),
    [](const auto& info) { return std::string(info.param.name[0] == 'l' ? "Large" : "Small"); });

// Networks as the program shows them, far larger than 1024 pixels: a Master heading a chain
// of Repeaters, each with its Remotes, on a grid of columns; and the same arranged as a tree.
// Every link is routed.
TEST(RouteCheckerTest, LargeNetworksRouteEveryLink) {
    for (const bool arranged : {false, true}) {
        BlockDiagram d;
        int previous = -1;
        for (int column = 0; column < 18; ++column) {
            auto radio = [&d, column](int row, int inputs, int outputs) {
                const int i = d.insertItem("R", column * 112 + 16, row * 64 + 16, 0, nullptr);
                d.setWidth(i, 84);
                d.setState(i, kItemIconRight, kItemIconRight);
                for (int k = 0; k < inputs + outputs; ++k) {
                    d.addRow(i, "~", k < inputs ? kInputSide : kOutputSide, 0);
                }
                return i;
            };
            const int head = radio(0, column == 0 ? 0 : 1, 1);
            if (previous >= 0) {
                d.connect(previous, previous == 0 ? 0 : 1, head, 0, 0);
            }
            for (int row = 1; row < 17; ++row) {
                d.connect(head, column == 0 ? 0 : 1, radio(row, 1, 0), 0, 0);
            }
            previous = head;
        }
        if (arranged) {
            const std::vector<DiagramPoint> at = arrangeTree(d, 0, 1200);
            for (int i = 0; i < d.itemCount(); ++i) {
                d.setPosition(i, at[i]);
            }
        }
        d.ensureLayout();
        Tally tally;
        const std::string broken = checkRoutes(d, tally);
        EXPECT_TRUE(broken.empty()) << broken;
        EXPECT_EQ(tally.routes, 18 * 17 - 1);
        EXPECT_EQ(tally.routed, tally.routes) << (arranged ? "arranged" : "columns");
    }
}

// Overlapping and touching blocks: the shape rules still hold and nothing breaks.
TEST(RouteCheckerTest, CrowdedLayoutsStillGiveWellFormedPolylines) {
    int routed = 0;
    for (unsigned seed = 1000; seed < 1060; ++seed) {
        std::mt19937 rng(seed);
        BlockDiagram d;
        generateLayout(d, rng, -48);
        d.ensureLayout();
        for (const CheckedRoute& r : collectRoutes(d)) {
            ASSERT_GE(r.points.size(), 2u);
            ASSERT_LE(r.points.size(), 9u);
            ASSERT_EQ(r.points.front(), r.from);
            ASSERT_EQ(r.points.back(), r.to);
            for (const Segment& s : r.inner) {
                ASSERT_TRUE(s.horizontal() || s.vertical()) << "layout " << seed;
            }
            routed += r.points.size() > 2 ? 1 : 0;
        }
    }
    EXPECT_GT(routed, 0);
}

}  // namespace
}  // namespace skelvane
