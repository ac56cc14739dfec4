#pragma once

#include "diagram/block_diagram.h"

namespace skelvane::test {

// A block as the main window builds it: inputs first, then outputs; `width` 0 keeps the
// default width.
inline int addBlock(BlockDiagram& d, int x, int y, int inputs, int outputs, int width = 0,
                    bool iconRight = false) {
    const int index = d.insertItem("Block", x, y, 0, nullptr);
    if (width > 0) {
        d.setWidth(index, width);
    }
    if (iconRight) {
        d.setState(index, kItemIconRight, kItemIconRight);
    }
    for (int k = 0; k < inputs + outputs; ++k) {
        d.addRow(index, k < inputs ? "in" : "out", k < inputs ? kInputSide : kOutputSide, 0);
    }
    return index;
}

}  // namespace skelvane::test
