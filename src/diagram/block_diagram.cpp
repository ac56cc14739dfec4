#include "diagram/block_diagram.h"

#include <algorithm>
#include <numeric>

#include "base/latin1.h"
#include "diagram/diagram_geometry.h"
#include "diagram/link_router.h"

namespace skelvane {

namespace {

// x = (x / 16) * 16, truncating toward zero like the integer division it is.
int snapToGrid(int value) {
    return (value / BlockDiagram::kGridStep) * BlockDiagram::kGridStep;
}

std::int64_t floorDiv(std::int64_t value, std::int64_t by) {
    return value >= 0 ? value / by : -((-value + by - 1) / by);
}

}  // namespace

int BlockDiagram::clampCoordinate(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, -kMaxCoordinate, kMaxCoordinate));
}

BlockDiagram::BlockDiagram(DiagramOwner* owner)
    : owner_(owner), router_(std::make_unique<LinkRouter>()) {}

BlockDiagram::~BlockDiagram() = default;

int BlockDiagram::notify(int code, int index, int row, DiagramPoint client, std::uint32_t flag) {
    if (owner_ == nullptr) {
        return 0;
    }
    DiagramNotification n;
    n.code = code;
    n.item = index;
    n.row = row;
    n.data = index >= 0 && index < itemCount() ? items_[index].data : nullptr;
    n.point = client;
    n.flag = flag;
    return owner_->notify(n);
}

void BlockDiagram::redraw() {
    if (owner_ != nullptr) {
        owner_->redraw();
    }
}

void BlockDiagram::changed() {
    dirty_ = true;
    redraw();
}

void BlockDiagram::invalidateLayout() {
    changed();
}

void BlockDiagram::setMetrics(DiagramMetrics metrics) {
    metrics.titleFontHeight = std::clamp(metrics.titleFontHeight, 0, kMaxFontHeight);
    metrics.rowFontHeight = std::clamp(metrics.rowFontHeight, 0, kMaxFontHeight);
    metrics_ = metrics;
    changed();
}

void BlockDiagram::setStyle(std::uint32_t style) {
    style_ = style;
    changed();
}

void BlockDiagram::setScrollOrigin(DiagramPoint origin) {
    origin_ = {clampCoordinate(origin.x), clampCoordinate(origin.y)};
    redraw();
}

void BlockDiagram::setZoom(int percent) {
    zoom_ = std::clamp(percent, kMinZoom, kMaxZoom);
    redraw();
}

// A client pixel shows the content under its middle: (client - origin + 1/2) / zoom.
DiagramPoint BlockDiagram::toContent(DiagramPoint client) const {
    auto axis = [this](int c, int origin) {
        const std::int64_t twice = 2 * (std::int64_t{c} - origin) + 1;
        return clampCoordinate(floorDiv(twice * 100, 2 * std::int64_t{zoom_}));
    };
    return {axis(client.x, origin_.x), axis(client.y, origin_.y)};
}

// The smallest client pixel whose middle lies at or after the content coordinate.
DiagramPoint BlockDiagram::toClient(DiagramPoint content) const {
    auto axis = [this](int c, int origin) {
        const std::int64_t scaled = 2 * std::int64_t{c} * zoom_ - 100;
        return clampCoordinate(origin - floorDiv(-scaled, 200));
    };
    return {axis(content.x, origin_.x), axis(content.y, origin_.y)};
}

// Ids are 16-bit and 0 means "no item" in a link, so a counter that wraps skips 0 and,
// once it has wrapped, every id still in use.
std::uint16_t BlockDiagram::newItemId() {
    for (;;) {
        if (++nextItemId_ == 0) {
            itemIdsWrapped_ = true;
            continue;
        }
        if (!itemIdsWrapped_ || findById(nextItemId_) < 0) {
            return nextItemId_;
        }
    }
}

std::uint16_t BlockDiagram::newRowId() {
    for (int tries = 0; tries <= 0xFFFF; ++tries) {
        if (++nextRowId_ == 0) {
            rowIdsWrapped_ = true;
            continue;
        }
        if (!rowIdsWrapped_ || !rowIdInUse(nextRowId_)) {
            return nextRowId_;
        }
    }
    // More rows than ids: share one rather than loop for ever.
    return nextRowId_ == 0 ? 1 : nextRowId_;
}

bool BlockDiagram::rowIdInUse(std::uint16_t id) const {
    for (const DiagramItem& it : items_) {
        for (const DiagramRow& row : it.rows) {
            if (row.id == id) {
                return true;
            }
        }
    }
    return false;
}

int BlockDiagram::insertItem(std::string_view title, int x, int y, int image, DiagramData data) {
    return insertItemAt(title, toContent({x, y}), image, data);
}

int BlockDiagram::insertItemAt(std::string_view title, DiagramPoint content, int image,
                               DiagramData data) {
    if (itemCount() >= kMaxItems) {
        return -1;
    }
    DiagramItem it;
    it.id = newItemId();
    it.title = CutText(title, kDiagramTextMax);
    it.image = image;
    it.data = data;
    it.touch = ++touch_;
    it.rect.left = snapToGrid(content.x);
    it.rect.top = snapToGrid(content.y);
    items_.push_back(std::move(it));
    const int index = itemCount() - 1;
    notify(diagram_notify::kItemInserted, index, -1, toClient(content));
    changed();
    return index;
}

void BlockDiagram::clearLinksFrom(std::uint16_t itemId) {
    for (DiagramItem& it : items_) {
        for (DiagramRow& row : it.rows) {
            if (row.sourceItemId == itemId) {
                row.sourceItemId = 0;
                row.sourceRow = 0;
                row.pointCount = 0;
            }
        }
    }
}

bool BlockDiagram::deleteItem(int index) {
    if (index < 0 || index >= itemCount()) {
        return false;
    }
    if (hover_.item == index) {
        setHover({});
    }
    const std::uint16_t id = items_[index].id;
    items_.erase(items_.begin() + index);
    // Links from the deleted item would otherwise follow its id to whatever item gets it next.
    clearLinksFrom(id);
    if (hover_.item > index) {
        --hover_.item;
    }
    if (drag_.item == index) {
        drag_.item = -1;
        drag_.row = -1;
        drag_.rowId = 0;
    } else if (drag_.item > index) {
        --drag_.item;
    }
    changed();
    return true;
}

void BlockDiagram::clear() {
    notify(diagram_notify::kDeleteAllItems, -1, -1, {});
    items_.clear();
    nextItemId_ = 0;
    nextRowId_ = 0;
    touch_ = 0;
    itemIdsWrapped_ = false;
    rowIdsWrapped_ = false;
    origin_ = {};
    mode_ = DiagramMode::Idle;
    drag_ = {};
    hover_ = {};
    changed();
}

const DiagramItem* BlockDiagram::item(int index) const {
    return index >= 0 && index < itemCount() ? &items_[index] : nullptr;
}

bool BlockDiagram::setWidth(int index, int pixels) {
    if (index < 0 || index >= itemCount()) {
        return false;
    }
    items_[index].width = std::clamp(pixels, 0, kMaxWidth);
    changed();
    return true;
}

bool BlockDiagram::setPosition(int index, DiagramPoint content) {
    if (index < 0 || index >= itemCount()) {
        return false;
    }
    items_[index].rect.left = clampCoordinate(content.x);
    items_[index].rect.top = clampCoordinate(content.y);
    changed();
    return true;
}

bool BlockDiagram::setTitle(int index, std::string_view text) {
    if (index < 0 || index >= itemCount()) {
        return false;
    }
    items_[index].title = CutText(text, kDiagramTextMax);
    changed();
    return true;
}

bool BlockDiagram::setStatus(int index, DiagramStatus status) {
    if (index < 0 || index >= itemCount()) {
        return false;
    }
    DiagramStatus& current = items_[index].status;
    if (current == status) {
        return true;
    }
    const bool relayout = current.shown() != status.shown();
    current = std::move(status);
    if (relayout) {
        changed();
    } else {
        redraw();
    }
    return true;
}

DiagramData BlockDiagram::getData(int index) const {
    return index >= 0 && index < itemCount() ? items_[index].data : nullptr;
}

int BlockDiagram::findByData(DiagramData data) const {
    for (int i = 0; i < itemCount(); ++i) {
        if (items_[i].data == data) {
            return i;
        }
    }
    return -1;
}

int BlockDiagram::findById(std::uint16_t id) const {
    for (int i = 0; i < itemCount(); ++i) {
        if (items_[i].id == id) {
            return i;
        }
    }
    return -1;
}

int BlockDiagram::addRow(int index, std::string_view text, int side, std::uint32_t tag) {
    if (index < 0 || index >= itemCount() || (side != kInputSide && side != kOutputSide) ||
        items_[index].rows.size() >= static_cast<std::size_t>(kMaxRowsPerItem)) {
        return -1;
    }
    DiagramRow row;
    row.id = newRowId();
    row.text = CutText(text, kDiagramTextMax);
    row.side = side;
    row.tag = tag;
    items_[index].rows.push_back(std::move(row));
    changed();
    return static_cast<int>(items_[index].rows.size()) - 1;
}

int BlockDiagram::findRowByText(int index, std::string_view text) const {
    if (index < 0 || index >= itemCount()) {
        return -1;
    }
    const auto& rows = items_[index].rows;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].text == text) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

RowRef BlockDiagram::findRowByTag(std::uint32_t tag) const {
    for (int i = 0; i < itemCount(); ++i) {
        const auto& rows = items_[i].rows;
        for (std::size_t r = 0; r < rows.size(); ++r) {
            if (rows[r].tag == tag) {
                return {i, static_cast<int>(r)};
            }
        }
    }
    return {};
}

int BlockDiagram::rowCount(int index, int side) const {
    if (index < 0 || index >= itemCount()) {
        return 0;
    }
    return countRows(items_[index], side);
}

bool BlockDiagram::validRow(int index, int row) const {
    return index >= 0 && index < itemCount() && row >= 0 &&
           static_cast<std::size_t>(row) < items_[index].rows.size();
}

bool BlockDiagram::connect(int srcItem, int srcRow, int dstItem, int dstRow, std::uint32_t flags) {
    if (!validRow(srcItem, srcRow) || !validRow(dstItem, dstRow) ||
        items_[srcItem].rows[srcRow].side != kOutputSide ||
        items_[dstItem].rows[dstRow].side != kInputSide) {
        return false;
    }
    DiagramRow& row = items_[dstItem].rows[dstRow];
    row.sourceItemId = items_[srcItem].id;
    row.sourceRow = srcRow;
    row.linkFlags = flags;
    changed();
    return true;
}

bool BlockDiagram::disconnect(int index, int row) {
    if (!validRow(index, row)) {
        return false;
    }
    DiagramRow& r = items_[index].rows[row];
    r.sourceItemId = 0;
    r.sourceRow = 0;
    r.pointCount = 0;
    changed();
    return true;
}

int BlockDiagram::setState(int index, std::uint32_t value, std::uint32_t mask) {
    if (index < -1 || index >= itemCount()) {
        return 0;
    }
    const int first = index < 0 ? 0 : index;
    const int last = index < 0 ? itemCount() - 1 : index;
    int count = 0;
    bool geometry = false;
    // The owner answers from its own code and may change the diagram meanwhile, so the
    // bounds are checked again after every question.
    for (int i = first; i <= last && i < itemCount(); ++i) {
        if ((items_[i].state & mask) == value) {
            continue;
        }
        if (notify(diagram_notify::kStateChanging, i, -1, {}) != 0 || i >= itemCount()) {
            continue;
        }
        DiagramItem& it = items_[i];
        const std::uint32_t old = it.state;
        it.state = (it.state & ~mask) | value;
        it.touch = ++touch_;
        geometry = geometry || ((old ^ it.state) & kItemIconRight) != 0;
        ++count;
        notify(diagram_notify::kStateChanged, i, -1, {});
    }
    if (geometry) {
        dirty_ = true;
    }
    if (count > 0) {
        redraw();
    }
    return count;
}

int BlockDiagram::selectedCount() const {
    return static_cast<int>(std::count_if(items_.begin(), items_.end(),
                                          [](const DiagramItem& it) { return it.selected(); }));
}

int BlockDiagram::nextSelected(int after) const {
    for (int i = std::max(after + 1, 0); i < itemCount(); ++i) {
        if (items_[i].selected()) {
            return i;
        }
    }
    return -1;
}

std::vector<int> BlockDiagram::zOrder() const {
    std::vector<int> order(items_.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [this](int a, int b) { return items_[a].touch < items_[b].touch; });
    return order;
}

void BlockDiagram::ensureLayout() {
    if (!dirty_) {
        return;
    }
    bounds_ = {};
    for (DiagramItem& it : items_) {
        layoutItem(it, metrics_);
        const DiagramRect& r = it.rect;
        bounds_ =
            &it == &items_.front()
                ? r
                : DiagramRect{std::min(bounds_.left, r.left), std::min(bounds_.top, r.top),
                              std::max(bounds_.right, r.right), std::max(bounds_.bottom, r.bottom)};
    }
    layoutLinks();
    dirty_ = false;
}

DiagramRect BlockDiagram::contentBounds() {
    ensureLayout();
    return bounds_;
}

// Routes every link in array order, each item's rows in list order. While a link is dragged
// only the dragged row's links move; the others keep their routes and stay in the way.
void BlockDiagram::layoutLinks() {
    std::vector<std::pair<std::uint16_t, int>> byId;
    byId.reserve(items_.size());
    for (int i = 0; i < itemCount(); ++i) {
        byId.emplace_back(items_[i].id, i);
    }
    std::sort(byId.begin(), byId.end());
    auto sourceRowOf = [&](const DiagramRow& row) -> std::pair<int, const DiagramRow*> {
        auto it = std::lower_bound(byId.begin(), byId.end(), std::make_pair(row.sourceItemId, -1));
        if (it == byId.end() || it->first != row.sourceItemId ||
            !validRow(it->second, row.sourceRow)) {
            return {-1, nullptr};
        }
        return {it->second, &items_[it->second].rows[row.sourceRow]};
    };

    const bool straight = (style_ & kStyleStraightLinks) != 0;
    const std::uint16_t only = mode_ == DiagramMode::LinkDrag ? drag_.rowId : 0;
    auto rerouted = [only](const DiagramRow& row, const DiagramRow& source) {
        return only == 0 || row.id == only || source.id == only;
    };

    if (!straight) {
        // The grid starts at the origin unless blocks lie left of or above it.
        constexpr int m = kRoutingMargin;
        router_->reset(items_.empty() ? DiagramRect{}
                                      : DiagramRect{bounds_.left < 0 ? bounds_.left - m : 0,
                                                    bounds_.top < 0 ? bounds_.top - m : 0,
                                                    bounds_.right + m, bounds_.bottom + m});
        for (const DiagramItem& it : items_) {
            router_->blockRect(it.rect);
        }
        if (only != 0) {
            for (const DiagramItem& it : items_) {
                for (const DiagramRow& row : it.rows) {
                    if (!row.linked()) {
                        continue;
                    }
                    const DiagramRow* source = sourceRowOf(row).second;
                    if (source != nullptr && !rerouted(row, *source)) {
                        router_->claimPolyline(row.points.data(), row.pointCount, source->id);
                    }
                }
            }
        }
    }

    for (DiagramItem& it : items_) {
        for (std::size_t r = 0; r < it.rows.size(); ++r) {
            DiagramRow& row = it.rows[r];
            if (!row.linked()) {
                continue;
            }
            const auto [s, source] = sourceRowOf(row);
            if (source == nullptr) {
                row.pointCount = 0;
                continue;
            }
            if (!rerouted(row, *source)) {
                continue;
            }
            const auto ends = linkEndPoints(items_[s], row.sourceRow, it, static_cast<int>(r));
            if (straight) {
                row.points[0] = ends->first;
                row.points[1] = ends->second;
                row.pointCount = 2;
                continue;
            }
            const LinkRouter::Route route = router_->route(ends->first, ends->second, source->id);
            std::copy(route.points.begin(), route.points.begin() + route.pointCount,
                      row.points.begin());
            row.pointCount = route.pointCount;
        }
    }
}

HitResult BlockDiagram::hitTest(DiagramPoint client) {
    ensureLayout();
    return hitTestContent(toContent(client));
}

HitResult BlockDiagram::hitTestContent(DiagramPoint p) const {
    HitResult hit;
    const std::vector<int> order = zOrder();
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        if (items_[*it].rect.contains(p)) {
            hit.item = *it;
            break;
        }
    }
    if (hit.item < 0) {
        return hit;
    }
    const DiagramItem& it = items_[hit.item];
    if (it.iconBox.contains(p)) {
        hit.part = HitPart::Icon;
        hit.row = 0;
        return hit;
    }
    if (it.titleBox.contains(p)) {
        hit.part = HitPart::Title;
        return hit;
    }
    for (std::size_t r = 1; r < it.rows.size(); ++r) {
        if (it.rows[r].rect.contains(p)) {
            hit.part = HitPart::Row;
            hit.row = static_cast<int>(r);
            return hit;
        }
    }
    hit.part = HitPart::Body;
    return hit;
}

RowRef BlockDiagram::resolveDrop(int fromItem, DiagramPoint client, std::int64_t limit) {
    if (fromItem < 0 || fromItem >= itemCount()) {
        return {};
    }
    ensureLayout();
    const bool explicitPoint = client.x != 0 || client.y != 0;
    const DiagramRect& from = items_[fromItem].rect;
    HitResult hit;
    DiagramPoint p{from.right, from.top};
    if (explicitPoint) {
        p = toContent(client);
        hit = hitTestContent(p);
    }

    int target = hit.item;
    if (target < 0) {
        std::int64_t best = 0;
        for (int i = 0; i < itemCount(); ++i) {
            const DiagramRect& r = items_[i].rect;
            if (i == fromItem || (!explicitPoint && r.left < from.left)) {
                continue;
            }
            const std::int64_t dx = (std::int64_t{r.left} + r.right) / 2 - p.x;
            const std::int64_t dy = (std::int64_t{r.top} + r.bottom) / 2 - p.y;
            const std::int64_t d = dx * dx + dy * dy;
            if (target < 0 || d < best) {
                target = i;
                best = d;
            }
        }
        if (target < 0 || best > limit) {
            return {};
        }
        hit = {};
    }

    const DiagramItem& it = items_[target];
    const int inputs = countRows(it, kInputSide);
    const bool onRow = hit.part == HitPart::Row || hit.part == HitPart::Icon;
    int candidate = inputs != 1 ? 1 : 0;
    if (onRow && validRow(target, hit.row) && it.rows[hit.row].side == kOutputSide) {
        candidate = hit.row;
    }
    if (target == fromItem) {
        const HitPart needed = inputs == 1 ? HitPart::Icon : HitPart::Row;
        if (!explicitPoint || hit.part != needed) {
            return {};
        }
    }
    if (!validRow(target, candidate) || it.rows[candidate].side != kOutputSide ||
        (candidate == 0 && inputs > 1)) {
        return {};
    }
    return {target, candidate};
}

}  // namespace skelvane
