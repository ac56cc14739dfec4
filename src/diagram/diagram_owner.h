#pragma once

#include <cstdint>

#include "diagram/diagram_types.h"

namespace skelvane {

// Codes of the notifications the diagram sends to its owner (the main window). The model
// sends the ones it causes itself (inserted, state changing/changed, all deleted, moved, link
// drag, capture lost); the view sends the ones that come straight from mouse and keyboard.
namespace diagram_notify {
inline constexpr int kClick = -2;
inline constexpr int kDoubleClick = -3;  // a double click not taken as activate
inline constexpr int kReturn = -4;       // Enter with one item selected; non-zero: no activate
inline constexpr int kRightClick = -5;
inline constexpr int kCaptureLost = -16;  // a move or link drag ended
inline constexpr int kLinkDrag = -86;     // flag kLinkDragMoving, or kLinkDragDrop on the drop
inline constexpr int kKeyDown = -88;
inline constexpr int kSoftUpgrade = -90;
inline constexpr int kHardUpgrade = -91;
inline constexpr int kItemMoved = -92;  // one per moved item, after its position changed
inline constexpr int kActivate = -93;
inline constexpr int kStateChanged = -94;
inline constexpr int kStateChanging = -95;  // non-zero answer vetoes the change
inline constexpr int kDeleteAllItems = -96;
inline constexpr int kBeginRename = -97;
inline constexpr int kBeginDrag = -98;
inline constexpr int kItemInserted = -99;
inline constexpr int kCopy = 57634;  // Copy command with one selected item

// Flag values of kLinkDrag.
inline constexpr std::uint32_t kLinkDragMoving = 4;
inline constexpr std::uint32_t kLinkDragDrop = 0;
}  // namespace diagram_notify

// What a notification carries. Points are client coordinates; item and row are -1 where the
// notification is not about one.
struct DiagramNotification {
    int code = 0;
    int item = -1;
    int row = -1;
    DiagramData data = nullptr;
    DiagramPoint point;
    std::uint32_t flag = 0;
    int key = 0;  // kKeyDown only
};

// Implemented by whoever shows the diagram. The model never draws: it reports what happened
// and asks for a repaint when something visible changed.
class DiagramOwner {
  public:
    virtual ~DiagramOwner() = default;
    // The answer matters for kStateChanging (non-zero vetoes) and kReturn.
    virtual int notify(const DiagramNotification& notification) = 0;
    // Something visible changed; repaint when convenient.
    virtual void redraw() {}
};

}  // namespace skelvane
