#include "diagram/diagram_geometry.h"

#include <algorithm>
#include <cstddef>

namespace skelvane {

namespace {

constexpr int kIconWidth = 18;

}  // namespace

int countRows(const DiagramItem& item, int side) {
    if (side < 0) {
        return static_cast<int>(item.rows.size());
    }
    return static_cast<int>(std::count_if(item.rows.begin(), item.rows.end(),
                                          [side](const DiagramRow& r) { return r.side == side; }));
}

void layoutItem(DiagramItem& item, const DiagramMetrics& metrics) {
    constexpr int b = DiagramMetrics::kBorder;
    const int h = metrics.headerHeight();
    const int r = metrics.rowHeight();
    DiagramRect& rect = item.rect;
    rect.right = rect.left + item.width;

    if ((item.state & kItemIconRight) != 0) {
        item.iconBox = {rect.right - 2 - kIconWidth, rect.top + 2, rect.right - 2, rect.top + h};
        item.titleBox = {rect.left + 2, rect.top + 2, rect.right - 2 - kIconWidth, rect.top + h};
    } else {
        item.iconBox = {rect.left + 2, rect.top + 2, rect.left + 2 + kIconWidth, rect.top + h};
        item.titleBox = {rect.left + 2 + kIconWidth, rect.top + 2, rect.right - 3, rect.top + h};
    }

    // The status line takes two rows' height under the header (room for its text on two
    // lines in a narrow block) and pushes the rows down.
    const int s = item.status.shown() ? 2 * r : 0;
    item.statusBox =
        s > 0 ? DiagramRect{rect.left + 3, rect.top + 2 + h, rect.right - 3, rect.top + 2 + h + s}
              : DiagramRect{};
    const int y0 = rect.top + 2 * b + h + s;
    const int x1 = rect.left + 3;
    const int x2 = rect.right - 3;
    const int mid = x1 + (x2 - x1) / 2;
    const int leftRows = countRows(item, kInputSide);
    const int rightRows = countRows(item, kOutputSide);
    // Outputs only: the rows use the whole width beside the icon column.
    const bool outputsOnly = leftRows == 0 && rightRows >= 1 && item.rows.size() >= 2;

    int next[2] = {0, 0};
    for (std::size_t i = 0; i < item.rows.size(); ++i) {
        DiagramRow& row = item.rows[i];
        if (i == 0) {
            row.rect = item.iconBox;
            continue;
        }
        const int k = next[row.side]++;
        row.rect.top = y0 + r * k;
        row.rect.bottom = y0 + r * (k + 1) - 3;
        if (row.side == kInputSide) {
            row.rect.left = x1;
            row.rect.right = mid - 1;
        } else {
            row.rect.left = outputsOnly ? rect.left + 19 : mid + 1;
            row.rect.right = x2;
        }
    }
    rect.bottom = y0 + r * std::max(leftRows, rightRows);
    if (s > 0) {
        rect.bottom = std::max(rect.bottom, item.statusBox.bottom + b);
    }
}

std::optional<std::pair<DiagramPoint, DiagramPoint>> linkEndPoints(const DiagramItem& source,
                                                                   int sourceRow,
                                                                   const DiagramItem& target,
                                                                   int targetRow) {
    if (sourceRow < 0 || targetRow < 0 ||
        static_cast<std::size_t>(sourceRow) >= source.rows.size() ||
        static_cast<std::size_t>(targetRow) >= target.rows.size()) {
        return std::nullopt;
    }
    const DiagramPoint from{source.rect.right, source.rows[sourceRow].rect.middleY()};
    const DiagramPoint to{target.rect.left, target.rows[targetRow].rect.middleY()};
    return std::make_pair(from, to);
}

}  // namespace skelvane
