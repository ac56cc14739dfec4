// The drag state of the diagram: moving the selection, dragging a link out of a row, the
// rubber band and the hover highlight. The view feeds mouse positions in; the model keeps the
// state, applies the results and reports them to the owner.

#include <algorithm>

#include "diagram/block_diagram.h"

namespace skelvane {

namespace {

DiagramRect normalised(DiagramPoint a, DiagramPoint b) {
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

}  // namespace

// Offsets are measured in content coordinates, so that a view scrolling under a still mouse
// carries the selection along instead of leaving it behind.
void BlockDiagram::beginMove(DiagramPoint client) {
    mode_ = DiagramMode::Moving;
    drag_ = {};
    drag_.start = toContent(client);
}

DiagramPoint BlockDiagram::updateMove(DiagramPoint client) {
    if (mode_ != DiagramMode::Moving) {
        return {};
    }
    const DiagramPoint p = toContent(client);
    drag_.offset = {((p.x - drag_.start.x) / kGridStep) * kGridStep,
                    ((p.y - drag_.start.y) / kGridStep) * kGridStep};
    return drag_.offset;
}

std::vector<DiagramRect> BlockDiagram::moveOutline(DiagramRect* bounds) const {
    std::vector<DiagramRect> rects;
    DiagramRect all;
    for (const DiagramItem& it : items_) {
        if (!it.selected()) {
            continue;
        }
        DiagramRect r = it.rect;
        r.left += drag_.offset.x;
        r.right += drag_.offset.x;
        r.top += drag_.offset.y;
        r.bottom += drag_.offset.y;
        all = rects.empty()
                  ? r
                  : DiagramRect{std::min(all.left, r.left), std::min(all.top, r.top),
                                std::max(all.right, r.right), std::max(all.bottom, r.bottom)};
        rects.push_back(r);
    }
    if (bounds != nullptr) {
        *bounds = rects.empty()
                      ? DiagramRect{}
                      : DiagramRect{all.left - 2, all.top - 2, all.right + 2, all.bottom + 2};
    }
    return rects;
}

bool BlockDiagram::beginLinkDrag(int index, int row, DiagramPoint client) {
    if (!validRow(index, row)) {
        return false;
    }
    mode_ = DiagramMode::LinkDrag;
    drag_ = {};
    drag_.start = toContent(client);
    drag_.item = index;
    drag_.row = row;
    drag_.rowId = items_[index].rows[row].id;
    return true;
}

void BlockDiagram::dragLink(DiagramPoint client) {
    if (mode_ == DiagramMode::LinkDrag) {
        notify(diagram_notify::kLinkDrag, drag_.item, drag_.row, client,
               diagram_notify::kLinkDragMoving);
    }
}

void BlockDiagram::beginBand(DiagramPoint client) {
    mode_ = DiagramMode::RubberBand;
    drag_ = {};
    drag_.start = toContent(client);
    drag_.band = normalised(drag_.start, drag_.start);
}

DiagramRect BlockDiagram::updateBand(DiagramPoint client) {
    if (mode_ == DiagramMode::RubberBand) {
        drag_.band = normalised(drag_.start, toContent(client));
    }
    return drag_.band;
}

void BlockDiagram::finishDrag(DiagramPoint client) {
    switch (mode_) {
        case DiagramMode::Moving:
            // A move shorter than one grid step changes nothing, so nothing is reported.
            if (drag_.offset.x != 0 || drag_.offset.y != 0) {
                for (int i = 0; i < itemCount(); ++i) {
                    DiagramItem& it = items_[i];
                    if (!it.selected()) {
                        continue;
                    }
                    it.rect.left = clampCoordinate(std::int64_t{it.rect.left} + drag_.offset.x);
                    it.rect.top = clampCoordinate(std::int64_t{it.rect.top} + drag_.offset.y);
                    notify(diagram_notify::kItemMoved, i, -1, client);
                }
                dirty_ = true;
            }
            break;
        case DiagramMode::LinkDrag:
            notify(diagram_notify::kLinkDrag, drag_.item, drag_.row, client,
                   diagram_notify::kLinkDragDrop);
            break;
        case DiagramMode::RubberBand: {
            ensureLayout();
            const DiagramRect band = drag_.band;
            for (int i = 0; i < itemCount(); ++i) {
                const DiagramRect& r = items_[i].rect;
                if (band.contains({r.left, r.top}) && band.contains({r.right, r.bottom})) {
                    setState(i, kItemSelected, kItemSelected);
                }
            }
            break;
        }
        case DiagramMode::Idle:
            return;
    }
    endCapture();
}

void BlockDiagram::endCapture() {
    if (mode_ == DiagramMode::Idle) {
        return;
    }
    drag_.item = -1;
    drag_.row = -1;
    drag_.rowId = 0;
    mode_ = DiagramMode::Idle;
    dirty_ = true;
    notify(diagram_notify::kCaptureLost, -1, -1, {});
    redraw();
}

void BlockDiagram::setHover(RowRef hover) {
    if (validRow(hover_.item, hover_.row)) {
        items_[hover_.item].rows[hover_.row].flags &= ~kRowHighlighted;
    }
    hover_ = hover;
    if (validRow(hover_.item, hover_.row)) {
        items_[hover_.item].rows[hover_.row].flags |= kRowHighlighted;
        items_[hover_.item].touch = ++touch_;
    }
}

bool BlockDiagram::updateHover(DiagramPoint client) {
    if (mode_ != DiagramMode::Idle) {
        return false;
    }
    const HitResult hit = hitTest(client);
    const RowRef now = hit.part == HitPart::Row ? RowRef{hit.item, hit.row} : RowRef{};
    if (now == hover_) {
        return false;
    }
    setHover(now);
    redraw();
    return true;
}

}  // namespace skelvane
