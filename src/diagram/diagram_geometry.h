#pragma once

#include <optional>
#include <utility>

#include "diagram/diagram_item.h"
#include "diagram/diagram_types.h"

namespace skelvane {

// Computes an item's rectangle, icon and title boxes and row rectangles from its position,
// width, state and rows. Row 0 takes the icon box; the other rows stack in two columns under
// the header.
void layoutItem(DiagramItem& item, const DiagramMetrics& metrics);

// Rows of one side (kInputSide, kOutputSide), or of both for side -1.
int countRows(const DiagramItem& item, int side);

// The end points of a link from output row `sourceRow` of `source` to input row `targetRow`
// of `target`: from the source's right edge to the target's left edge, each at the middle of
// its row. Empty when a row position is out of range.
std::optional<std::pair<DiagramPoint, DiagramPoint>> linkEndPoints(const DiagramItem& source,
                                                                   int sourceRow,
                                                                   const DiagramItem& target,
                                                                   int targetRow);

}  // namespace skelvane
