#pragma once

#include <array>
#include <vector>

#include "diagram/diagram_types.h"

namespace skelvane {

// What a routed link looks like on screen: the line through its points with the inner corners
// cut diagonally, ending at the base of a small arrow that points right into the destination
// row.
struct LinkShape {
    std::vector<DiagramPoint> line;       // one polyline, drawn with a 1-pixel pen
    std::array<DiagramPoint, 3> arrow{};  // filled triangle: base top, base bottom, tip
    bool visible = false;                 // false for fewer than two points
};

inline constexpr int kArrowLength = 4;  // the line stops this far before the end point
inline constexpr int kCornerCut = 2;    // a cut corner starts and ends this far from it
inline constexpr int kCutMinLeg = 4;    // only corners after a longer leg are cut

LinkShape makeLinkShape(const DiagramPoint* points, int count);

}  // namespace skelvane
