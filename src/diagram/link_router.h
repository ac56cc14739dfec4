#pragma once

#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "diagram/diagram_item.h"
#include "diagram/diagram_types.h"

namespace skelvane {

// Routes links between block boxes as horizontal and vertical runs on an 8-pixel grid. The
// grid covers the first 1024 x 1024 content pixels at least, and grows to hold whatever area
// it is given (up to kMaxCells cells). Every cell carries two labels, one for runs along it
// horizontally and one vertically, so routes may cross each other but never share a run
// unless they come from the same output row.
//
// Use: reset() with the area in use, blockRect() for every item, then route() the links in
// drawing order; each successful route claims its inner runs so later links of other rows go
// round them.
class LinkRouter {
  public:
    static constexpr int kCellSize = 8;
    static constexpr int kMinPixels = 1024;  // the grid never covers less than this each way
    static constexpr int kMaxSideCells = 4096;
    static constexpr int kMaxCells = 1 << 20;  // bounds the memory of a far-flung diagram
    static constexpr int kMaxCorners = 6;
    // Cells one wave may queue: as many as it can on a 1024-pixel grid. A route the wave has
    // not found by then is searched for towards its goal instead, which visits at most
    // kSearchBudget cells before it gives up.
    static constexpr std::size_t kWaveBudget = 2 * 130 * 130;
    static constexpr std::size_t kSearchBudget = 1 << 16;
    // On a grid larger than 1024 pixels each way, goals further than this many cells from
    // the start are searched for straight away.
    static constexpr int kWaveReach = 64;
    // Cells all waves and searches between two resets may visit, so that no layout takes
    // long however the blocks lie; past it links are left straight.
    static constexpr std::size_t kLayoutBudget = 1 << 24;

    enum class Status { Routed, OutsideGrid, NoPath, TooManyCorners };

    struct Route {
        Status status = Status::NoPath;
        int pointCount = 0;
        std::array<DiagramPoint, kMaxLinkPoints> points{};
    };

    LinkRouter();

    // A grid covering `area` (content pixels) and at least (0, 0) - (1024, 1024): every inner
    // cell free, the border blocked. The grid's edges lie on multiples of 8 pixels.
    void reset(const DiagramRect& area = {});
    // The pixels the grid covers.
    DiagramRect coverage() const;

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

  private:
    struct Cell {
        std::uint16_t h;
        std::uint16_t v;
    };

    bool inside(DiagramPoint p) const;
    int cellAt(DiagramPoint p) const;
    DiagramPoint cellCentre(int index) const;
    void startWave(int start, std::uint16_t key);
    void dropWave();
    bool waveProcessed(int cell) const;
    int runWave(int goal);
    Status traceBack(int from, std::uint16_t key, std::vector<int>& corners) const;
    int search(int start, int goal, std::uint16_t key);
    Status traceSearch(int from, std::vector<int>& corners) const;
    void claimRun(int a, int b, std::uint16_t key);

    // Pixel position of inner cell (0, 0), inner cells across and down, and the row length
    // of the arrays (inner cells plus the border).
    int left_ = 0;
    int top_ = 0;
    int columns_ = 0;
    int rows_ = 0;
    int stride_ = 0;
    // The labels, and the wave's copy of them. The copy is made once per reset; when a wave
    // is dropped only the cells it touched are put back.
    std::vector<Cell> grid_;
    std::vector<Cell> work_;
    bool workStale_ = true;
    // The wave in progress: its start and key, every cell it queued (in order), the next one
    // to process, each cell's first place in the queue (valid where the queue agrees), and
    // the cells its routes claimed since it started.
    std::size_t budgetLeft_ = kLayoutBudget;
    int waveStart_ = -1;
    std::uint16_t waveKey_ = 0;
    std::vector<int> queue_;
    std::size_t waveHead_ = 0;
    std::vector<std::uint32_t> firstPush_;
    std::vector<int> claimedDuringWave_;
    std::vector<int> corners_;
    // The goal-directed search: per cell and direction of arrival, the best cost found (steps,
    // then turns) and the step that gave it; the states it touched; its open list.
    struct Arrival {
        std::uint32_t cost = UINT32_MAX;
        std::uint8_t from = 0;  // direction of the step in, and the previous direction
        bool closed = false;
    };
    std::vector<Arrival> arrivals_;
    std::vector<int> searched_;
    std::vector<std::pair<std::uint64_t, int>> open_;
};

}  // namespace skelvane
