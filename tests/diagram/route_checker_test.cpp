// An independent check of every route the diagram produces: generated layouts of random
// blocks and links, and networks as the program shows them. The checker knows only the public
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
#include "diagram_test_support.h"

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
    return s.vertical() && t.vertical() && s.a.x == t.a.x && s.a.y != s.b.y &&
           overlaps(s.a.y, s.b.y, t.a.y, t.b.y);
}

// The segment passes through the inside of the rectangle (touching its edges is allowed).
bool crosses(const Segment& s, const DiagramRect& r) {
    if (s.horizontal()) {
        return s.a.y > r.top && s.a.y < r.bottom && overlaps(s.a.x, s.b.x, r.left, r.right);
    }
    return s.a.x > r.left && s.a.x < r.right && overlaps(s.a.y, s.b.y, r.top, r.bottom);
}

struct CheckedRoute {
    std::uint16_t sourceItem;
    int sourceRow;
    DiagramPoint from;
    DiagramPoint to;
    std::vector<DiagramPoint> points;
    std::vector<Segment> inner;  // all but the first and last legs
};

std::vector<CheckedRoute> collectRoutes(const BlockDiagram& d) {
    auto middle = [](const DiagramRect& r) { return r.top + (r.bottom - r.top) / 2; };
    std::vector<CheckedRoute> routes;
    for (const DiagramItem& it : d.items()) {
        for (const DiagramRow& row : it.rows) {
            const int s = row.linked() ? d.findById(row.sourceItemId) : -1;
            if (s < 0) {
                continue;
            }
            const DiagramItem& src = *d.item(s);
            const DiagramPoint from{src.rect.right, middle(src.rows[row.sourceRow].rect)};
            CheckedRoute r{src.id, row.sourceRow, from, {it.rect.left, middle(row.rect)}, {}, {}};
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

// Returns the first broken rule, or an empty string. With `shapeOnly` (blocks that overlap)
// only the polylines' shapes are checked.
std::string checkRoutes(const BlockDiagram& d, Tally& tally, bool shapeOnly = false) {
    const std::vector<CheckedRoute> routes = collectRoutes(d);
    for (std::size_t k = 0; k < routes.size(); ++k) {
        const CheckedRoute& r = routes[k];
        const std::string at = Format("route %zu %s ", k, describe(r).c_str());
        ++tally.routes;
        if (r.points.size() < 2 || r.points.size() > 9) {
            return at + "has too many points";
        }
        if (r.points.front() != r.from || r.points.back() != r.to) {
            return at + "does not join its end points";
        }
        if (r.points.size() == 2) {
            continue;  // the straight link of a route that could not be found
        }
        ++tally.routed;
        for (const Segment& s : r.inner) {
            if (!s.horizontal() && !s.vertical()) {
                return at + "has a slanted inner segment";
            }
            for (const DiagramItem& it : d.items()) {
                if (!shapeOnly && crosses(s, it.rect)) {
                    return at + Format("crosses block %d", it.id);
                }
            }
        }
        bool sharesWithItsRow = false;
        for (std::size_t e = 0; e < k && !shapeOnly; ++e) {
            const bool sameRow =
                routes[e].sourceItem == r.sourceItem && routes[e].sourceRow == r.sourceRow;
            for (const Segment& s : r.inner) {
                for (const Segment& t : routes[e].inner) {
                    if (runsAlong(s, t) && !sameRow) {
                        return at + "runs along " + describe(routes[e]);
                    }
                    sharesWithItsRow = sharesWithItsRow || runsAlong(s, t);
                }
            }
        }
        tally.shared += sharesWithItsRow ? 1 : 0;
    }
    return {};
}

// Random blocks of the sizes the program uses, at grid positions `span` grid steps across
// and down from `from`, at least `gap` pixels apart (a negative gap lets them overlap), and
// random links: most inputs linked, often several of them to one output.
struct LayoutCase {
    const char* name;
    unsigned seeds;
    int blocks;  // tried for, at most
    int from;
    int span;
    int gap;
    int minRoutes;
};

void generateLayout(BlockDiagram& d, std::mt19937& rng, const LayoutCase& c) {
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const DiagramMetrics metrics[] = {{16, 13}, {12, 15}, {22, 18}};
    d.setMetrics(metrics[pick(0, 2)]);
    const int widths[] = {84, 96, 128};
    const int wanted = pick(4, c.blocks);
    std::vector<DiagramRect> placed;
    std::vector<RowRef> outputs;
    for (int attempt = 0; attempt < 20 * c.blocks && d.itemCount() < wanted; ++attempt) {
        // Drawn in this order, one by one: the order of a call's arguments is not fixed.
        const int x = pick(c.from, c.from + c.span) * 16;
        const int y = pick(c.from, c.from + c.span) * 16;
        const int width = widths[pick(0, 2)];
        const bool iconRight = pick(0, 1) == 1;
        const int inputs = pick(0, 3);
        const int rows = inputs + pick(0, 3);
        const int i = test::addBlock(d, x, y, inputs, rows - inputs, width, iconRight);
        // Only the new box's size is needed here, not a full layout with routing.
        DiagramItem box = *d.item(i);
        layoutItem(box, d.metrics());
        const DiagramRect& b = box.rect;
        if (std::any_of(placed.begin(), placed.end(), [&](const DiagramRect& r) {
                return b.left < r.right + c.gap && r.left < b.right + c.gap &&
                       b.top < r.bottom + c.gap && r.top < b.bottom + c.gap;
            })) {
            d.deleteItem(i);
            continue;
        }
        placed.push_back(b);
        for (int k = inputs; k < rows; ++k) {
            outputs.push_back({i, k});
        }
    }
    for (int i = 0; i < d.itemCount() && !outputs.empty(); ++i) {
        for (int r = 0; r < static_cast<int>(d.item(i)->rows.size()); ++r) {
            if (d.item(i)->rows[r].side == kInputSide && pick(0, 9) < 8) {
                const RowRef src = outputs[pick(0, static_cast<int>(outputs.size()) - 1)];
                d.connect(src.item, src.row, i, r, 0);
            }
        }
    }
}

class GeneratedLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(GeneratedLayoutTest, KeepEveryRoutingRule) {
    const LayoutCase& c = GetParam();
    Tally tally;
    for (unsigned seed = 1; seed <= c.seeds; ++seed) {
        std::mt19937 rng(seed);
        BlockDiagram d;
        generateLayout(d, rng, c);
        d.ensureLayout();
        const std::string broken = checkRoutes(d, tally, c.gap < 0);
        ASSERT_TRUE(broken.empty()) << "layout " << seed << ": " << broken;
    }
    // The check is only worth something if most links were really routed, and if links of
    // one output were seen sharing their runs.
    std::printf("%d links, %d routed, %d sharing a run with their output's earlier link\n",
                tally.routes, tally.routed, tally.shared);
    EXPECT_GT(tally.routes, c.minRoutes);
    EXPECT_GT(tally.routed, tally.routes / (c.gap < 0 ? 10 : 2));
    EXPECT_GT(tally.shared, c.gap < 0 ? -1 : static_cast<int>(c.seeds / 4));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, GeneratedLayoutTest,
    ::testing::Values(LayoutCase{"Small", 200, 24, 0, 52, 16, 2000},
                      // Far past 1024 pixels, and left of and above the origin.
                      LayoutCase{"Large", 4, 100, -40, 200, 16, 150},
                      // Overlapping and touching blocks: the shapes still hold.
                      LayoutCase{"Crowded", 30, 24, -1, 58, -48, 50}),
    [](const auto& info) { return std::string(info.param.name); });

// Networks as the program shows them, far larger than 1024 pixels: a Master heading a chain
// of Repeaters, each with its Remotes, on a grid of columns; and the same arranged as a tree.
// Every link is routed.
TEST(RouteCheckerTest, LargeNetworksRouteEveryLink) {
    for (const bool arranged : {false, true}) {
        BlockDiagram d;
        int previous = -1;
        for (int column = 0; column < 18; ++column) {
            auto radio = [&d, column](int row, int inputs, int outputs) {
                return test::addBlock(d, column * 112 + 16, row * 64 + 16, inputs, outputs, 84,
                                      true);
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

}  // namespace
}  // namespace skelvane
