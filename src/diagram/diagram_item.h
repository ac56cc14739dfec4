#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "diagram/diagram_types.h"

namespace skelvane {

// Longest routed link: the two end points, the first cell and six corners.
inline constexpr int kMaxLinkPoints = 9;

// One row of a block box: an input (left column) or an output (right column). Row 0 of an
// item is not drawn as a row; it sits in the icon box and is the item's own connector.
struct DiagramRow {
    std::uint16_t id = 0;
    std::string text;
    int side = kInputSide;
    // The owner's value; an output's tag names the output a linked input refers to.
    std::uint32_t tag = 0;
    DiagramColor color = kSystemColor;
    std::uint32_t flags = 0;
    DiagramRect rect;

    // Incoming link, on input rows only.
    std::uint16_t sourceItemId = 0;  // 0: not linked
    int sourceRow = 0;               // position of the output row in the source item
    std::uint32_t linkFlags = 0;
    int pointCount = 0;
    std::array<DiagramPoint, kMaxLinkPoints> points{};

    bool linked() const { return sourceItemId != 0; }
};

// Marks of an item's status line.
enum class StatusMark { None, Unknown, Answered, Silent };

// A line under an item's title telling what is known of the unit the item stands for, with
// a mark before it and, when `warning` is set, a warning mark after it. Texts are UTF-8 and
// drawn as they are; the view shows `tip` over the line.
struct DiagramStatus {
    std::string text;
    StatusMark mark = StatusMark::None;
    bool warning = false;
    std::string tip;

    bool shown() const { return !text.empty() || mark != StatusMark::None || warning; }
    friend bool operator==(const DiagramStatus&, const DiagramStatus&) = default;
};

struct DiagramItem {
    std::uint16_t id = 0;
    std::string title;
    int image = 0;
    DiagramData data = nullptr;
    DiagramColor titleColor = kSystemColor;
    DiagramColor backColor = kSystemColor;
    std::uint32_t state = 0;
    // Stamp of the last state change or hover; higher stamps are drawn in front.
    std::uint32_t touch = 0;
    // left and top are the position; right and bottom come from the layout.
    DiagramRect rect;
    int width = 96;
    DiagramRect iconBox;
    DiagramRect titleBox;
    // The status line under the header; empty when none is shown.
    DiagramStatus status;
    DiagramRect statusBox;
    std::vector<DiagramRow> rows;

    bool selected() const { return (state & kItemSelected) != 0; }
};

}  // namespace skelvane
