#include "diagram/link_router.h"

#include <algorithm>
#include <cstdlib>

namespace skelvane {

namespace {

constexpr int kCellCount = LinkRouter::kGridCells * LinkRouter::kGridCells;

// Neighbour offsets in the grid array.
constexpr int kRight = 1;
constexpr int kLeft = -1;
constexpr int kDown = LinkRouter::kGridCells;
constexpr int kUp = -LinkRouter::kGridCells;

enum class Direction { None, Horizontal, Vertical };

// Cell of a pixel coordinate; floors, so that content left of or above the origin never
// lands in cell 0.
int cellOf(int pixel) {
    return pixel >= 0 ? pixel / LinkRouter::kCellSize
                      : -((-pixel + LinkRouter::kCellSize - 1) / LinkRouter::kCellSize);
}

bool insideGrid(DiagramPoint p) {
    return p.x >= 0 && p.y >= 0 && p.x < LinkRouter::kGridPixels && p.y < LinkRouter::kGridPixels;
}

// A run claimed by another output row.
bool foreignKey(std::uint16_t label, std::uint16_t key) {
    return label >= LinkRouter::kKeyBase && label < LinkRouter::kFree && label != key;
}

}  // namespace

LinkRouter::LinkRouter() : grid_(kCellCount), work_(kCellCount) {
    // A cell is queued at most once per label it gets.
    queue_.reserve(4 * kCellCount);
    corners_.reserve(kMaxCorners + 1);
    reset();
}

void LinkRouter::reset() {
    for (int row = 0; row < kGridCells; ++row) {
        for (int column = 0; column < kGridCells; ++column) {
            const bool border =
                row == 0 || column == 0 || row == kGridCells - 1 || column == kGridCells - 1;
            const std::uint16_t label = border ? kBlocked : kFree;
            grid_[row * kGridCells + column] = Cell{label, label};
        }
    }
}

void LinkRouter::blockRect(const DiagramRect& rect) {
    const int firstColumn = std::max(cellOf(rect.left) - 1, 0);
    const int lastColumn = std::min(cellOf(rect.right) - 1, kInnerCells - 1);
    const int firstRow = std::max(cellOf(rect.top), 0);
    const int lastRow = std::min(cellOf(rect.bottom), kInnerCells - 1);
    for (int row = firstRow; row <= lastRow; ++row) {
        for (int column = firstColumn; column <= lastColumn; ++column) {
            grid_[cellIndex(column, row)] = Cell{kBlocked, kBlocked};
        }
    }
}

std::uint16_t LinkRouter::keyForRow(std::uint16_t rowId) {
    constexpr unsigned kKeys = kFree - kKeyBase - 1;  // keys kKeyBase + 1 .. kFree - 1
    if (rowId >= 1 && rowId <= kKeys) {
        return static_cast<std::uint16_t>(kKeyBase + rowId);
    }
    return static_cast<std::uint16_t>(kKeyBase + 1 + (rowId + kKeys - 1u) % kKeys);
}

std::uint16_t LinkRouter::horizontalLabel(int column, int row) const {
    if (column < -1 || row < -1 || column > kInnerCells || row > kInnerCells) {
        return kBlocked;
    }
    return grid_[cellIndex(column, row)].h;
}

std::uint16_t LinkRouter::verticalLabel(int column, int row) const {
    if (column < -1 || row < -1 || column > kInnerCells || row > kInnerCells) {
        return kBlocked;
    }
    return grid_[cellIndex(column, row)].v;
}

DiagramPoint LinkRouter::cellCentre(int index) {
    const int column = index % kGridCells;
    const int row = index / kGridCells;
    return {(column - 1) * kCellSize + kCellSize / 2, (row - 1) * kCellSize + kCellSize / 2};
}

// Breadth-first wave from `start` over work_. Returns the cell from which the goal was seen,
// or -1 when the wave ran dry. Besides entering only cells that are free in the direction of
// the move, the wave never leaves a cell along a direction another row's route holds there:
// such a cell is where that route's run ends (its first cell or its last corner), and going
// on from it in line would join the two links end to end, as if they were one.
int LinkRouter::runWave(int start, std::uint16_t key) {
    static constexpr int kOffsets[4] = {kRight, kLeft, kDown, kUp};
    queue_.clear();
    queue_.push_back(static_cast<std::uint16_t>(start));
    for (std::size_t head = 0; head < queue_.size(); ++head) {
        const int cell = queue_[head];
        const std::uint16_t distance = std::min(work_[cell].h, work_[cell].v);
        const auto next = static_cast<std::uint16_t>(distance + 1);
        const Cell claims = grid_[cell];
        for (int k = 0; k < 4; ++k) {
            const int neighbour = cell + kOffsets[k];
            std::uint16_t& label = k < 2 ? work_[neighbour].h : work_[neighbour].v;
            if (label == kGoal) {
                return cell;
            }
            if ((label == kFree || label == key) && next < kKeyBase &&
                !foreignKey(k < 2 ? claims.h : claims.v, key)) {
                if (queue_.size() == queue_.capacity()) {
                    return -1;
                }
                label = next;
                queue_.push_back(static_cast<std::uint16_t>(neighbour));
            }
        }
    }
    return -1;
}

// Walks back from the cell next to the goal down the wave's distances to the start, noting
// the cells where the direction turns (the cell next to the goal always counts). A step is
// only taken where the wave could have moved: never out of or into a cell along a direction
// another row's route holds there, or the trace would lay this link on top of that one.
LinkRouter::Status LinkRouter::traceBack(int from, std::uint16_t key,
                                         std::vector<int>& corners) const {
    static constexpr int kOffsets[4] = {kLeft, kRight, kDown, kUp};
    corners.clear();
    int cell = from;
    int distance = std::min(work_[cell].h, work_[cell].v);
    Direction previous = Direction::None;
    while (distance > 0) {
        const auto wanted = static_cast<std::uint16_t>(distance - 1);
        int step = 0;
        for (int k = 0; k < 4 && step == 0; ++k) {
            const bool sideways = k < 2;
            const int n = cell + kOffsets[k];
            if (foreignKey(sideways ? grid_[cell].h : grid_[cell].v, key) ||
                foreignKey(sideways ? grid_[n].h : grid_[n].v, key)) {
                continue;
            }
            const Cell& next = work_[n];
            if (next.h == wanted || next.v == wanted) {
                step = kOffsets[k];
            }
        }
        if (step == 0) {
            return Status::NoPath;
        }
        const Direction direction =
            (step == kLeft || step == kRight) ? Direction::Horizontal : Direction::Vertical;
        if (direction != previous) {
            if (static_cast<int>(corners.size()) == kMaxCorners) {
                return Status::TooManyCorners;
            }
            corners.push_back(cell);
        }
        previous = direction;
        cell += step;
        --distance;
    }
    return Status::Routed;
}

// Only free labels are taken. The one cell of a run that can already belong to someone else
// is the start cell (a link may start on another row's route); it stays theirs.
void LinkRouter::claimRun(int a, int b, std::uint16_t key) {
    auto claim = [key](std::uint16_t& label) {
        if (label == kFree) {
            label = key;
        }
    };
    const int rowA = a / kGridCells;
    const int rowB = b / kGridCells;
    const int columnA = a % kGridCells;
    const int columnB = b % kGridCells;
    if (rowA == rowB) {
        for (int c = std::min(columnA, columnB); c <= std::max(columnA, columnB); ++c) {
            claim(grid_[rowA * kGridCells + c].h);
        }
    } else if (columnA == columnB) {
        for (int r = std::min(rowA, rowB); r <= std::max(rowA, rowB); ++r) {
            claim(grid_[r * kGridCells + columnA].v);
        }
    }
}

LinkRouter::Route LinkRouter::route(DiagramPoint from, DiagramPoint to, std::uint16_t rowId) {
    Route result;
    result.pointCount = 2;
    result.points[0] = from;
    result.points[1] = to;

    const int goalColumn = to.x / kCellSize - 2;
    if (!insideGrid(from) || !insideGrid(to) || goalColumn < 0) {
        result.status = Status::OutsideGrid;
        return result;
    }
    const int start = cellIndex(from.x / kCellSize, from.y / kCellSize);
    const int goal = cellIndex(goalColumn, to.y / kCellSize);
    if (start == goal) {
        // The goal lies in the start cell: there is no wave to follow.
        result.status = Status::NoPath;
        return result;
    }

    const std::uint16_t key = keyForRow(rowId);
    work_ = grid_;
    work_[start] = Cell{0, 0};
    work_[goal] = Cell{kGoal, kGoal};
    const int reached = runWave(start, key);
    if (reached < 0) {
        result.status = Status::NoPath;
        return result;
    }
    result.status = traceBack(reached, key, corners_);
    if (result.status != Status::Routed) {
        return result;
    }

    // P, the start cell, the corners from the source side on, Q.
    int n = 0;
    result.points[n++] = from;
    result.points[n++] = cellCentre(start);
    for (auto it = corners_.rbegin(); it != corners_.rend(); ++it) {
        result.points[n++] = cellCentre(*it);
    }
    result.points[n++] = to;
    result.pointCount = n;
    // Level the first run with the row's middle when it is that close to it. The end point
    // itself is never moved.
    const int levelled = std::min(3, n - 1);
    for (int i = 1; i < levelled; ++i) {
        if (std::abs(result.points[i].y - from.y) <= 3) {
            result.points[i].y = from.y;
        }
    }

    int previous = start;
    for (auto it = corners_.rbegin(); it != corners_.rend(); ++it) {
        claimRun(previous, *it, key);
        previous = *it;
    }
    return result;
}

void LinkRouter::claimPolyline(const DiagramPoint* points, int count, std::uint16_t rowId) {
    const std::uint16_t key = keyForRow(rowId);
    for (int i = 1; i + 2 < count; ++i) {
        const DiagramPoint a = points[i];
        const DiagramPoint b = points[i + 1];
        if (!insideGrid(a) || !insideGrid(b)) {
            continue;
        }
        claimRun(cellIndex(a.x / kCellSize, a.y / kCellSize),
                 cellIndex(b.x / kCellSize, b.y / kCellSize), key);
    }
}

}  // namespace skelvane
