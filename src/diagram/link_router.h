#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "diagram/diagram_item.h"
#include "diagram/diagram_types.h"

namespace skelvane {

// Routes links between block boxes as horizontal and vertical runs on an 8-pixel grid that
// covers the first 1024 x 1024 content pixels. Every cell carries two labels, one for runs
// along it horizontally and one vertically, so routes may cross each other but never share a
// run unless they come from the same output row.
//
// Use: reset(), blockRect() for every item, then route() the links in drawing order; each
// successful route claims its inner runs so later links of other rows go round them.
class LinkRouter {
  public:
    static constexpr int kCellSize = 8;
    static constexpr int kInnerCells = 128;  // 1024 pixels
    static constexpr int kGridPixels = kInnerCells * kCellSize;
    static constexpr int kGridCells = kInnerCells + 2;  // a blocked border all round
    static constexpr int kMaxCorners = 6;

    // Cell labels. Wave distances stay below kKeyBase: no path in a 128 x 128 grid is longer.
    static constexpr std::uint16_t kKeyBase = 0x4000;
    static constexpr std::uint16_t kFree = 0x8000;
    static constexpr std::uint16_t kGoal = 0xEEEE;
    static constexpr std::uint16_t kBlocked = 0xFFFF;

    enum class Status { Routed, OutsideGrid, NoPath, TooManyCorners };

    struct Route {
        Status status = Status::NoPath;
        int pointCount = 0;
        std::array<DiagramPoint, kMaxLinkPoints> points{};
    };

    LinkRouter();

    // Every inner cell free, the border blocked.
    void reset();

    // Blocks the cells under an item's rectangle, with one extra column on its left (where
    // the arrows of its inputs come in) and one extra row below. Parts outside the grid are
    // cut off.
    void blockRect(const DiagramRect& rect);

    // Routes from the source end point to the destination end point for the output row with
    // id `rowId`. A route that cannot be found is the straight line {from, to}, with the
    // reason in `status`; a found one claims its inner runs for that row.
    Route route(DiagramPoint from, DiagramPoint to, std::uint16_t rowId);

    // Claims the inner runs of a polyline routed earlier (kept while only one row is
    // re-routed).
    void claimPolyline(const DiagramPoint* points, int count, std::uint16_t rowId);

    // The label that marks the runs of one output row. Ids past the key range fold back
    // into it, so that no key is ever mistaken for a free, goal or blocked cell.
    static std::uint16_t keyForRow(std::uint16_t rowId);

    // Labels of the cell at inner coordinates (column, row); kBlocked outside the grid.
    std::uint16_t horizontalLabel(int column, int row) const;
    std::uint16_t verticalLabel(int column, int row) const;

  private:
    struct Cell {
        std::uint16_t h;
        std::uint16_t v;
    };
    using Grid = std::vector<Cell>;

    static int cellIndex(int innerColumn, int innerRow) {
        return (innerRow + 1) * kGridCells + innerColumn + 1;
    }
    static DiagramPoint cellCentre(int index);
    int runWave(int start, std::uint16_t key);
    Status traceBack(int from, std::uint16_t key, std::vector<int>& corners) const;
    void claimRun(int a, int b, std::uint16_t key);

    Grid grid_;
    Grid work_;
    std::vector<std::uint16_t> queue_;
    std::vector<int> corners_;
};

}  // namespace skelvane
