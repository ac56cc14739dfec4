#pragma once

// The network the diagram benchmarks lay out and paint: side x side blocks on a grid, 112
// pixels apart across and 64 down. The Master heads the first column, a Repeater each further
// column; the Repeaters form a chain from the Master, and the other blocks of every column are
// Remotes hanging off their column's head: side * side - 1 links. Blocks are built the way the
// main window builds them (width 84, icon on the right, inputs before outputs).
//
// The main window adds blocks in the file's order. Column by column, the links of one output
// come one after another; row by row, every link comes from another output than the one
// before it.

#include <string>
#include <vector>

#include "diagram/block_diagram.h"
#include "diagram/diagram_arrange.h"

namespace skelvane::bench {

inline void buildNetwork(BlockDiagram& d, int side, bool rowByRow = false) {
    std::vector<int> at(static_cast<std::size_t>(side * side));
    auto add = [&](int column, int row) {
        const bool head = row == 0;
        const bool master = head && column == 0;
        const std::string title = master ? std::string("Master")
                                  : head ? "Repeater " + std::to_string(column + 1)
                                         : std::to_string(column * side + row + 1);
        const int i = d.insertItem(title, column * 112 + 16, row * 64 + 16,
                                   master ? 2 : (head ? 3 : 4), nullptr);
        d.setWidth(i, 84);
        d.setState(i, kItemIconRight, kItemIconRight);
        if (!master) {
            d.addRow(i, "~", kInputSide, 0);
        }
        if (head) {
            d.addRow(i, "~", kOutputSide, static_cast<std::uint32_t>(i + 1));
        }
        at[static_cast<std::size_t>(column * side + row)] = i;
    };
    for (int outer = 0; outer < side; ++outer) {
        for (int inner = 0; inner < side; ++inner) {
            rowByRow ? add(inner, outer) : add(outer, inner);
        }
    }
    auto item = [&](int column, int row) {
        return at[static_cast<std::size_t>(column * side + row)];
    };
    auto output = [](int column) { return column == 0 ? 0 : 1; };
    for (int column = 0; column < side; ++column) {
        if (column > 0) {
            d.connect(item(column - 1, 0), output(column - 1), item(column, 0), 0, 0);
        }
        for (int row = 1; row < side; ++row) {
            d.connect(item(column, 0), output(column), item(column, row), 0, 0);
        }
    }
}

// The same laid out by Devices > Arrange in a window `width` pixels wide.
inline void arrange(BlockDiagram& d, int width) {
    const std::vector<DiagramPoint> at = arrangeTree(d, 0, width);
    for (int i = 0; i < d.itemCount(); ++i) {
        d.setPosition(i, at[static_cast<std::size_t>(i)]);
    }
}

inline int countLinks(const BlockDiagram& d, bool routedOnly) {
    int n = 0;
    for (const DiagramItem& it : d.items()) {
        for (const DiagramRow& row : it.rows) {
            n += row.linked() && (!routedOnly || row.pointCount > 2) ? 1 : 0;
        }
    }
    return n;
}

}  // namespace skelvane::bench
