#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace skelvane {

// Integer pixel geometry of the block diagram. Nothing here knows about a window system:
// the view converts to and from its own types.

struct DiagramPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const DiagramPoint&, const DiagramPoint&) = default;
};

// A rectangle with exclusive right and bottom edges, as hit testing treats it.
struct DiagramRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool contains(DiagramPoint p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    // Vertical middle used for link end points (integer half of the height).
    int middleY() const { return top + (bottom - top) / 2; }
    friend bool operator==(const DiagramRect&, const DiagramRect&) = default;
};

// 0x00BBGGRR colour; kSystemColor asks the view for the matching system colour.
using DiagramColor = std::uint32_t;
inline constexpr DiagramColor kSystemColor = 0xFF000000u;

// The owner's object attached to an item (the main window stores its Block there).
using DiagramData = void*;

// Item state bits.
inline constexpr std::uint32_t kItemSelected = 1;
inline constexpr std::uint32_t kItemIconRight = 2;

// Row flag: the row is the link target under the mouse.
inline constexpr std::uint32_t kRowHighlighted = 0x100;

// Row sides.
inline constexpr int kInputSide = 0;
inline constexpr int kOutputSide = 1;

// Style bit of the control: draw every link as a straight line between its end points.
inline constexpr std::uint32_t kStyleStraightLinks = 0x10;

// Text capacity of titles and row texts (longer input is cut).
inline constexpr std::size_t kDiagramTextMax = 63;

// Box metrics derived from the heights of the two fonts the view draws with.
struct DiagramMetrics {
    int titleFontHeight = 16;
    int rowFontHeight = 13;

    static constexpr int kBorder = 2;
    int headerHeight() const { return std::max(18, titleFontHeight + 2) + 5; }
    int rowHeight() const { return rowFontHeight + 7; }
};

// An (item index, row position) pair; item -1 means none.
struct RowRef {
    int item = -1;
    int row = -1;
    bool valid() const { return item >= 0; }
    friend bool operator==(const RowRef&, const RowRef&) = default;
};

enum class HitPart { None, Icon, Title, Row, Body };

struct HitResult {
    int item = -1;
    HitPart part = HitPart::None;
    int row = -1;
};

}  // namespace skelvane
