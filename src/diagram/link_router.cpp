#include "diagram/link_router.h"

#include <algorithm>
#include <cstdlib>

namespace skelvane {

namespace {

// Cell labels. Wave distances stay below kKeyBase; a route longer than that is not looked
// for.
constexpr std::uint16_t kKeyBase = 0x4000;
constexpr std::uint16_t kFree = 0x8000;
constexpr std::uint16_t kBlocked = 0xFFFF;

enum class Direction { None, Horizontal, Vertical };

// runWave's answer when the wave has spent its budget.
constexpr int kOverBudget = -2;

// The search's costs: a step outweighs every turn a route may take.
constexpr std::uint32_t kStepCost = 1024;
constexpr std::uint8_t kFromStart = 0xFF;

// Floors, so that pixels left of or above the grid's edge never land in its first cell.
std::int64_t floorDiv(std::int64_t value, std::int64_t by) {
    return value >= 0 ? value / by : -((-value + by - 1) / by);
}

// A run claimed by another output row.
bool foreignKey(std::uint16_t label, std::uint16_t key) {
    return label >= kKeyBase && label < kFree && label != key;
}

// The label that marks the runs of one output row. Ids past the key range fold back into it,
// so that no key is ever mistaken for a free, goal or blocked cell.
std::uint16_t keyForRow(std::uint16_t rowId) {
    constexpr unsigned kKeys = kFree - kKeyBase - 1;  // keys kKeyBase + 1 .. kFree - 1
    if (rowId >= 1 && rowId <= kKeys) {
        return static_cast<std::uint16_t>(kKeyBase + rowId);
    }
    return static_cast<std::uint16_t>(kKeyBase + 1 + (rowId + kKeys - 1u) % kKeys);
}

}  // namespace

LinkRouter::LinkRouter() {
    corners_.reserve(kMaxCorners + 1);
    reset();
}

void LinkRouter::reset(const DiagramRect& area) {
    constexpr std::int64_t c = kCellSize;
    std::int64_t left = std::min<std::int64_t>(0, floorDiv(area.left, c) * c);
    std::int64_t top = std::min<std::int64_t>(0, floorDiv(area.top, c) * c);
    const std::int64_t right = std::max<std::int64_t>(kMinPixels, -floorDiv(-area.right, c) * c);
    const std::int64_t bottom = std::max<std::int64_t>(kMinPixels, -floorDiv(-area.bottom, c) * c);
    // Too large an area: the part round the origin is kept, where a far-off block cannot
    // take it away from the others.
    columns_ = static_cast<int>(std::min<std::int64_t>((right - left) / c, kMaxSideCells));
    left = std::max(left, std::min<std::int64_t>(0, right - columns_ * c));
    const int rowCap = std::min(kMaxSideCells, kMaxCells / columns_);
    rows_ = static_cast<int>(std::min<std::int64_t>((bottom - top) / c, rowCap));
    top = std::max(top, std::min<std::int64_t>(0, bottom - rows_ * c));
    left_ = static_cast<int>(left);
    top_ = static_cast<int>(top);
    stride_ = columns_ + 2;

    grid_.assign(static_cast<std::size_t>(stride_) * (rows_ + 2), Cell{kFree, kFree});
    firstPush_.resize(grid_.size());
    // Only the states the last search touched differ from a fresh one.
    for (const int state : searched_) {
        arrivals_[state] = Arrival{};
    }
    searched_.clear();
    arrivals_.resize(2 * grid_.size());
    budgetLeft_ = kLayoutBudget;
    queue_.clear();
    claimedDuringWave_.clear();
    waveStart_ = -1;
    const Cell blocked{kBlocked, kBlocked};
    std::fill_n(grid_.begin(), stride_, blocked);
    std::fill_n(grid_.end() - stride_, stride_, blocked);
    for (int row = 1; row <= rows_; ++row) {
        grid_[static_cast<std::size_t>(row) * stride_] = blocked;
        grid_[static_cast<std::size_t>(row) * stride_ + stride_ - 1] = blocked;
    }
    workStale_ = true;
}

DiagramRect LinkRouter::coverage() const {
    return {left_, top_, left_ + columns_ * kCellSize, top_ + rows_ * kCellSize};
}

bool LinkRouter::inside(DiagramPoint p) const {
    return coverage().contains(p);
}

int LinkRouter::cellAt(DiagramPoint p) const {
    return ((p.y - top_) / kCellSize + 1) * stride_ + (p.x - left_) / kCellSize + 1;
}

DiagramPoint LinkRouter::cellCentre(int index) const {
    const int column = index % stride_;
    const int row = index / stride_;
    return {left_ + (column - 1) * kCellSize + kCellSize / 2,
            top_ + (row - 1) * kCellSize + kCellSize / 2};
}

void LinkRouter::blockRect(const DiagramRect& rect) {
    const auto cell = [](std::int64_t pixel, int edge) {
        return floorDiv(pixel - edge, kCellSize);
    };
    const auto firstColumn = std::max<std::int64_t>(cell(rect.left, left_) - 1, 0);
    const auto lastColumn = std::min<std::int64_t>(cell(rect.right, left_) - 1, columns_ - 1);
    const auto firstRow = std::max<std::int64_t>(cell(rect.top, top_), 0);
    const auto lastRow = std::min<std::int64_t>(cell(rect.bottom, top_), rows_ - 1);
    for (auto row = firstRow; row <= lastRow; ++row) {
        for (auto column = firstColumn; column <= lastColumn; ++column) {
            grid_[static_cast<std::size_t>((row + 1) * stride_ + column + 1)] =
                Cell{kBlocked, kBlocked};
        }
    }
    workStale_ = true;
}

// The breadth-first wave from the start cell, kept between routes. Links from one output row
// start in the same cell and may use each other's runs, so for them the grid reads the same
// from one route to the next: the wave of the first is carried on, as far as the next one
// needs, instead of being run again. Its labels are those a wave run afresh would have given
// every cell the trace back looks at (all of them below the distance of the cell next to the
// goal), so the route is the same.
void LinkRouter::startWave(int start, std::uint16_t key) {
    if (workStale_) {
        work_ = grid_;
        workStale_ = false;
        queue_.clear();
        claimedDuringWave_.clear();
    } else {
        dropWave();
    }
    waveStart_ = start;
    waveKey_ = key;
    waveHead_ = 0;
    work_[start] = Cell{0, 0};
    queue_.push_back(start);
    firstPush_[start] = 0;
}

// Puts back the labels the wave wrote (every cell it queued, the start among them) and the
// claims made while it ran.
void LinkRouter::dropWave() {
    for (const int cell : queue_) {
        work_[cell] = grid_[cell];
    }
    for (const int cell : claimedDuringWave_) {
        work_[cell] = grid_[cell];
    }
    queue_.clear();
    claimedDuringWave_.clear();
    waveStart_ = -1;
}

bool LinkRouter::waveProcessed(int cell) const {
    const std::size_t at = firstPush_[cell];
    return at < waveHead_ && queue_[at] == cell;
}

// Carries the wave on until a cell next to `goal` has been processed, and returns the first
// such cell, or -1 when the wave has run dry. Besides entering only cells that are free in
// the direction of the move, the wave never leaves a cell along a direction another row's
// route holds there: such a cell is where that route's run ends (its first cell or its last
// corner), and going on from it in line would join the two links end to end, as if they were
// one.
int LinkRouter::runWave(int goal) {
    const int around[4] = {goal + 1, goal - 1, goal + stride_, goal - stride_};
    int reached = -1;
    for (const int n : around) {
        if (waveProcessed(n) && (reached < 0 || firstPush_[n] < firstPush_[reached])) {
            reached = n;
        }
    }
    const int offsets[4] = {1, -1, stride_, -stride_};  // right, left, down, up
    const std::uint16_t key = waveKey_;
    while (reached < 0 && waveHead_ < queue_.size()) {
        if (queue_.size() >= kWaveBudget || budgetLeft_ == 0) {
            return kOverBudget;
        }
        --budgetLeft_;
        const std::size_t entry = waveHead_++;
        const int cell = queue_[entry];
        if (firstPush_[cell] != entry) {
            continue;  // queued again for its other label: nothing new to do
        }
        const std::uint16_t distance = std::min(work_[cell].h, work_[cell].v);
        const auto next = static_cast<std::uint16_t>(distance + 1);
        const Cell claims = grid_[cell];
        for (int k = 0; k < 4; ++k) {
            const int neighbour = cell + offsets[k];
            std::uint16_t& label = k < 2 ? work_[neighbour].h : work_[neighbour].v;
            if ((label == kFree || label == key) && next < kKeyBase &&
                !foreignKey(k < 2 ? claims.h : claims.v, key)) {
                label = next;
                const std::size_t first = firstPush_[neighbour];
                if (first >= queue_.size() || queue_[first] != neighbour) {
                    firstPush_[neighbour] = static_cast<std::uint32_t>(queue_.size());
                }
                queue_.push_back(neighbour);
            }
        }
        if (cell == around[0] || cell == around[1] || cell == around[2] || cell == around[3]) {
            reached = cell;
        }
    }
    return reached;
}

// Walks back from the cell next to the goal down the wave's distances to the start, noting
// the cells where the direction turns (the cell next to the goal always counts). A step is
// only taken where the wave could have moved: never out of or into a cell along a direction
// another row's route holds there, or the trace would lay this link on top of that one.
LinkRouter::Status LinkRouter::traceBack(int from, std::uint16_t key,
                                         std::vector<int>& corners) const {
    const int offsets[4] = {-1, 1, stride_, -stride_};  // left, right, down, up
    corners.clear();
    int cell = from;
    int distance = std::min(work_[cell].h, work_[cell].v);
    Direction previous = Direction::None;
    while (distance > 0) {
        const auto wanted = static_cast<std::uint16_t>(distance - 1);
        int step = 0;
        for (int k = 0; k < 4 && step == 0; ++k) {
            const bool sideways = k < 2;
            const int n = cell + offsets[k];
            if (foreignKey(sideways ? grid_[cell].h : grid_[cell].v, key) ||
                foreignKey(sideways ? grid_[n].h : grid_[n].v, key)) {
                continue;
            }
            const Cell& next = work_[n];
            if (next.h == wanted || next.v == wanted) {
                step = offsets[k];
            }
        }
        if (step == 0) {
            return Status::NoPath;
        }
        const Direction direction =
            (step == 1 || step == -1) ? Direction::Horizontal : Direction::Vertical;
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

// A* over (cell, direction of arrival) with the wave's rules for entering and leaving cells,
// for a goal the wave could not reach within its budget: the shortest way to a cell next to
// the goal and, among the shortest, the one with the fewest turns. Returns that cell, or -1.
int LinkRouter::search(int start, int goal, std::uint16_t key) {
    for (const int state : searched_) {
        arrivals_[state] = Arrival{};
    }
    searched_.clear();
    open_.clear();
    const int offsets[4] = {1, -1, stride_, -stride_};  // right, left, down, up
    const int goalColumn = goal % stride_;
    const int goalRow = goal / stride_;
    auto estimate = [&](int cell) -> std::uint64_t {
        const int d = std::abs(cell % stride_ - goalColumn) + std::abs(cell / stride_ - goalRow);
        return std::uint64_t{kStepCost} * static_cast<std::uint64_t>(std::max(d - 1, 0));
    };
    const auto later = [](const auto& a, const auto& b) { return a.first > b.first; };
    auto reach = [&](int cell, int axis, std::uint32_t cost, std::uint8_t from) {
        Arrival& a = arrivals_[2 * cell + axis];
        if (a.closed || a.cost <= cost) {
            return;
        }
        if (a.cost == UINT32_MAX) {
            searched_.push_back(2 * cell + axis);
        }
        a.cost = cost;
        a.from = from;
        // Lowest estimate first; among equals the state further along.
        const std::uint64_t f = cost + estimate(cell);
        open_.emplace_back((f << 32) | (UINT32_MAX - cost), 2 * cell + axis);
        std::push_heap(open_.begin(), open_.end(), later);
    };
    reach(start, 0, 0, kFromStart);
    reach(start, 1, 0, kFromStart);
    std::size_t closed = 0;
    while (!open_.empty()) {
        std::pop_heap(open_.begin(), open_.end(), later);
        const int state = open_.back().second;
        open_.pop_back();
        Arrival& here = arrivals_[state];
        if (here.closed) {
            continue;
        }
        here.closed = true;
        if (++closed > kSearchBudget || budgetLeft_ == 0) {
            return -1;
        }
        --budgetLeft_;
        const int cell = state / 2;
        const int axis = state % 2;
        if (std::abs(cell - goal) == 1 || std::abs(cell - goal) == stride_) {
            return cell;
        }
        if (here.cost / kStepCost >= kKeyBase) {
            continue;
        }
        for (int k = 0; k < 4; ++k) {
            const int along = k < 2 ? 0 : 1;
            const int n = cell + offsets[k];
            const std::uint16_t label = along == 0 ? grid_[n].h : grid_[n].v;
            if ((label == kFree || label == key) &&
                !foreignKey(along == 0 ? grid_[cell].h : grid_[cell].v, key)) {
                const bool turn = here.from != kFromStart && along != axis;
                reach(n, along, here.cost + kStepCost + (turn ? 1 : 0),
                      static_cast<std::uint8_t>(k | axis << 2));
            }
        }
    }
    return -1;
}

// The corners of the search's way to `from`, as traceBack notes them.
LinkRouter::Status LinkRouter::traceSearch(int from, std::vector<int>& corners) const {
    const int offsets[4] = {1, -1, stride_, -stride_};
    corners.clear();
    // Of the two arrivals at the last cell, the cheaper one.
    int axis =
        arrivals_[2 * from].closed && (!arrivals_[2 * from + 1].closed ||
                                       arrivals_[2 * from].cost <= arrivals_[2 * from + 1].cost)
            ? 0
            : 1;
    int cell = from;
    Direction previous = Direction::None;
    while (arrivals_[2 * cell + axis].from != kFromStart) {
        const std::uint8_t step = arrivals_[2 * cell + axis].from;
        const Direction direction = (step & 3) < 2 ? Direction::Horizontal : Direction::Vertical;
        if (direction != previous) {
            if (static_cast<int>(corners.size()) == kMaxCorners) {
                return Status::TooManyCorners;
            }
            corners.push_back(cell);
        }
        previous = direction;
        cell -= offsets[step & 3];
        axis = step >> 2;
    }
    return Status::Routed;
}

// Only free labels are taken. The one cell of a run that can already belong to someone else
// is the start cell (a link may start on another row's route); it stays theirs. The wave in
// progress is that row's own, for which a run of its own reads as free: its copy takes the
// claim when the wave is dropped.
void LinkRouter::claimRun(int a, int b, std::uint16_t key) {
    auto claim = [this, key](int cell, bool horizontal) {
        std::uint16_t& label = horizontal ? grid_[cell].h : grid_[cell].v;
        if (label == kFree) {
            label = key;
            claimedDuringWave_.push_back(cell);
        }
    };
    const int rowA = a / stride_;
    const int rowB = b / stride_;
    const int columnA = a % stride_;
    const int columnB = b % stride_;
    if (rowA == rowB) {
        for (int c = std::min(columnA, columnB); c <= std::max(columnA, columnB); ++c) {
            claim(rowA * stride_ + c, true);
        }
    } else if (columnA == columnB) {
        for (int r = std::min(rowA, rowB); r <= std::max(rowA, rowB); ++r) {
            claim(r * stride_ + columnA, false);
        }
    }
}

LinkRouter::Route LinkRouter::route(DiagramPoint from, DiagramPoint to, std::uint16_t rowId) {
    Route result;
    result.pointCount = 2;
    result.points[0] = from;
    result.points[1] = to;

    const DiagramPoint goalPoint{to.x - 2 * kCellSize, to.y};
    if (!inside(from) || !inside(to) || !inside(goalPoint)) {
        result.status = Status::OutsideGrid;
        return result;
    }
    const int start = cellAt(from);
    const int goal = cellAt(goalPoint);
    if (start == goal) {
        // The goal lies in the start cell: there is no wave to follow.
        result.status = Status::NoPath;
        return result;
    }

    const std::uint16_t key = keyForRow(rowId);
    // The goal is seen from a cell next to it that a route has entered (or the start): when
    // none of them can be entered there is no need to look.
    auto enterable = [this, key](int cell) {
        const Cell c = grid_[cell];
        return c.h == kFree || c.h == key || c.v == kFree || c.v == key;
    };
    const int around[4] = {goal + 1, goal - 1, goal + stride_, goal - stride_};
    if (std::none_of(std::begin(around), std::end(around),
                     [&](int n) { return n == start || enterable(n); })) {
        result.status = Status::NoPath;
        return result;
    }
    // On a grid larger than 1024 pixels a far goal is searched for directly unless the wave
    // of its row is under way: a new wave would flood the whole way round the start first.
    const bool waveLeft = workStale_ || start != waveStart_ || key != waveKey_;
    const int distance =
        std::abs(start % stride_ - goal % stride_) + std::abs(start / stride_ - goal / stride_);
    const bool far =
        waveLeft && std::size_t{2} * columns_ * rows_ > kWaveBudget && distance > kWaveReach;
    if (waveLeft && !far) {
        startWave(start, key);
    } else if (far && waveStart_ >= 0) {
        dropWave();  // this route's runs will change the grid under it
    }
    int reached = far ? kOverBudget : runWave(goal);
    if (reached == kOverBudget) {
        reached = search(start, goal, key);
        result.status = reached < 0 ? Status::NoPath : traceSearch(reached, corners_);
    } else {
        result.status = reached < 0 ? Status::NoPath : traceBack(reached, key, corners_);
    }
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
        if (inside(points[i]) && inside(points[i + 1])) {
            claimRun(cellAt(points[i]), cellAt(points[i + 1]), key);
        }
    }
    workStale_ = true;
}

}  // namespace skelvane
