#include "ui/link_shape.h"

#include <cstdlib>

namespace skelvane {

namespace {

int sign(int v) {
    return (v > 0) - (v < 0);
}

bool horizontal(DiagramPoint a, DiagramPoint b) {
    return a.y == b.y && a.x != b.x;
}

bool vertical(DiagramPoint a, DiagramPoint b) {
    return a.x == b.x && a.y != b.y;
}

int length(DiagramPoint a, DiagramPoint b) {
    return std::abs(b.x - a.x) + std::abs(b.y - a.y);
}

}  // namespace

LinkShape makeLinkShape(const DiagramPoint* points, int count) {
    LinkShape shape;
    if (points == nullptr || count < 2) {
        return shape;
    }
    shape.visible = true;
    shape.line.reserve(static_cast<std::size_t>(count) * 2);
    shape.line.push_back(points[0]);
    for (int i = 1; i + 1 < count; ++i) {
        const DiagramPoint in = points[i - 1];
        const DiagramPoint at = points[i];
        const DiagramPoint out = points[i + 1];
        const bool turns =
            (vertical(in, at) && horizontal(at, out)) || (horizontal(in, at) && vertical(at, out));
        if (!turns || length(in, at) <= kCutMinLeg) {
            shape.line.push_back(at);
            continue;
        }
        shape.line.push_back(
            {at.x - kCornerCut * sign(at.x - in.x), at.y - kCornerCut * sign(at.y - in.y)});
        shape.line.push_back(
            {at.x + kCornerCut * sign(out.x - at.x), at.y + kCornerCut * sign(out.y - at.y)});
    }
    const DiagramPoint end = points[count - 1];
    const DiagramPoint base{end.x - kArrowLength, end.y};
    shape.line.push_back(base);
    // Five pixels high at the base, the tip one pixel short of the end point.
    shape.arrow = {DiagramPoint{base.x, base.y - 2}, DiagramPoint{base.x, base.y + 2},
                   DiagramPoint{end.x - 1, end.y}};
    return shape;
}

}  // namespace skelvane
