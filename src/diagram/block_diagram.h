#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "diagram/diagram_item.h"
#include "diagram/diagram_owner.h"
#include "diagram/diagram_types.h"

namespace skelvane {

class LinkRouter;

// What the mouse is doing in the diagram.
enum class DiagramMode { Idle = 0, Moving = 1, LinkDrag = 2, RubberBand = 3 };

// The state of a drag. Points are content coordinates.
struct DiagramDrag {
    DiagramPoint start;
    DiagramPoint offset;  // Moving: snapped to the 16-pixel grid
    DiagramRect band;     // RubberBand: normalised
    int item = -1;        // LinkDrag: the item and row position dragged from
    int row = -1;
    std::uint16_t rowId = 0;  // LinkDrag: id of the dragged row, 0 when none
};

// The model of the block network diagram: items (one per block shown) with their rows, the
// box geometry, z-order, hit testing, link end points and link routing, and the drag state
// of the view. It never draws; the owner hears of changes through DiagramOwner.
//
// Points passed in are client coordinates of the view; the model turns them into content
// coordinates with the scroll origin and the zoom (content = (client - origin) / zoom, taken at
// the middle of the client pixel, so that a point hits what is drawn under it). Item and row
// rectangles and link points are content coordinates. Items are addressed by their index in
// the array, rows by their position in the item's list.
class BlockDiagram {
  public:
    static constexpr int kGridStep = 16;  // positions snap to this
    // Bounds that keep all geometry well inside int: positions and widths come from files.
    static constexpr int kMaxCoordinate = 1 << 20;
    static constexpr int kMaxWidth = 1 << 14;
    static constexpr int kMaxFontHeight = 256;
    static constexpr int kMaxRowsPerItem = 4096;
    static constexpr int kMaxItems = 0xFFFF;
    // Zoom in percent of the content's own size.
    static constexpr int kMinZoom = 10;
    static constexpr int kMaxZoom = 400;
    // Room the router keeps round the blocks, beyond the area they cover.
    static constexpr int kRoutingMargin = 64;

    explicit BlockDiagram(DiagramOwner* owner = nullptr);
    ~BlockDiagram();
    BlockDiagram(const BlockDiagram&) = delete;
    BlockDiagram& operator=(const BlockDiagram&) = delete;

    void setOwner(DiagramOwner* owner) { owner_ = owner; }

    // View settings.
    void setMetrics(DiagramMetrics metrics);
    const DiagramMetrics& metrics() const { return metrics_; }
    void setStyle(std::uint32_t style);
    std::uint32_t style() const { return style_; }
    void setScrollOrigin(DiagramPoint origin);
    DiagramPoint scrollOrigin() const { return origin_; }
    // Zoom in percent, clamped to kMinZoom .. kMaxZoom. Scroll origins are client pixels.
    void setZoom(int percent);
    int zoom() const { return zoom_; }
    DiagramPoint toContent(DiagramPoint client) const;
    // The first client pixel that shows content at or after `content`.
    DiagramPoint toClient(DiagramPoint content) const;

    // Items. insertItem snaps the position (client coordinates) to the 16-pixel grid and
    // returns the new item's index, or -1 when the diagram is full.
    int insertItem(std::string_view title, int x, int y, int image, DiagramData data);
    // The same at a content position (snapped likewise), whatever the scroll origin and zoom.
    int insertItemAt(std::string_view title, DiagramPoint content, int image, DiagramData data);
    bool deleteItem(int index);
    void clear();
    int itemCount() const { return static_cast<int>(items_.size()); }
    const DiagramItem* item(int index) const;
    const std::vector<DiagramItem>& items() const { return items_; }
    bool setWidth(int index, int pixels);
    // Moves an item's top-left corner to a content position (not snapped).
    bool setPosition(int index, DiagramPoint content);
    bool setTitle(int index, std::string_view text);
    // The status line; the layout changes only when the line appears or goes.
    bool setStatus(int index, DiagramStatus status);
    DiagramData getData(int index) const;
    int findByData(DiagramData data) const;
    int findById(std::uint16_t id) const;

    // Rows. addRow returns the row's position, or -1 (no such item, side not 0 or 1, too
    // many rows).
    int addRow(int index, std::string_view text, int side, std::uint32_t tag);
    int findRowByText(int index, std::string_view text) const;
    RowRef findRowByTag(std::uint32_t tag) const;
    int rowCount(int index, int side) const;
    bool connect(int srcItem, int srcRow, int dstItem, int dstRow, std::uint32_t flags);
    bool disconnect(int index, int row);

    // State. For every item (index -1: all) whose masked state differs from `value`: asks
    // the owner (kStateChanging, non-zero vetoes), applies it with a new touch stamp and
    // reports kStateChanged. Returns how many items changed.
    int setState(int index, std::uint32_t value, std::uint32_t mask);
    int selectedCount() const;
    int nextSelected(int after) const;

    // Layout: any change marks it dirty; ensureLayout recomputes geometry and links once.
    void invalidateLayout();
    bool layoutDirty() const { return dirty_; }
    void ensureLayout();
    // Item indices back to front (ascending touch stamp, array order on ties).
    std::vector<int> zOrder() const;
    // The union of all item rectangles (laid out first); empty without items.
    DiagramRect contentBounds();

    HitResult hitTest(DiagramPoint client);
    // The output a link dragged out of an input row of `fromItem` and dropped at `client`
    // should come from. (0, 0) means no point: the nearest item right of `fromItem` is
    // taken. `limit` bounds the squared distance to the nearest item's centre.
    RowRef resolveDrop(int fromItem, DiagramPoint client, std::int64_t limit);

    // Drag state for the view's mouse handling.
    DiagramMode mode() const { return mode_; }
    const DiagramDrag& drag() const { return drag_; }
    std::uint16_t draggedRowId() const { return drag_.rowId; }
    // Moving the selection: the offset follows the point in steps of 16 pixels.
    void beginMove(DiagramPoint client);
    DiagramPoint updateMove(DiagramPoint client);
    // The selected items' rectangles (as last laid out) moved by the offset, and their union
    // grown by 2.
    std::vector<DiagramRect> moveOutline(DiagramRect* bounds) const;
    // Dragging a link out of row `row` of item `index`; reports kLinkDrag (moving) per point.
    bool beginLinkDrag(int index, int row, DiagramPoint client);
    void dragLink(DiagramPoint client);
    // Rubber-band selection.
    void beginBand(DiagramPoint client);
    DiagramRect updateBand(DiagramPoint client);
    // Left button released at `client`: applies the move (kItemMoved per moved item),
    // reports the link drop, or selects the items inside the band; then ends the capture.
    void finishDrag(DiagramPoint client);
    // The capture ended (also on its own, when the view loses it): back to Idle, the dragged
    // row cleared, kCaptureLost reported.
    void endCapture();

    // The highlighted row under the mouse (Idle mode); true when it changed.
    bool updateHover(DiagramPoint client);
    RowRef hover() const { return hover_; }

  private:
    static int clampCoordinate(std::int64_t value);
    HitResult hitTestContent(DiagramPoint p) const;
    int notify(int code, int index, int row, DiagramPoint client, std::uint32_t flag = 0);
    void changed();
    void redraw();
    std::uint16_t newItemId();
    std::uint16_t newRowId();
    bool rowIdInUse(std::uint16_t id) const;
    bool validRow(int index, int row) const;
    void setHover(RowRef hover);
    void layoutLinks();
    void clearLinksFrom(std::uint16_t itemId);

    DiagramOwner* owner_ = nullptr;
    std::vector<DiagramItem> items_;
    std::uint16_t nextItemId_ = 0;
    std::uint16_t nextRowId_ = 0;
    std::uint32_t touch_ = 0;
    bool itemIdsWrapped_ = false;
    bool rowIdsWrapped_ = false;

    DiagramMetrics metrics_;
    std::uint32_t style_ = 0;
    DiagramPoint origin_;
    int zoom_ = 100;
    bool dirty_ = true;
    DiagramRect bounds_;

    DiagramMode mode_ = DiagramMode::Idle;
    DiagramDrag drag_;
    RowRef hover_;

    std::unique_ptr<LinkRouter> router_;
};

}  // namespace skelvane
