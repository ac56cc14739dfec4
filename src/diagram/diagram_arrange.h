#pragma once

#include <vector>

#include "diagram/block_diagram.h"

namespace skelvane {

// Spacing of an arranged diagram, in content pixels. Gaps leave the link router lanes between
// the boxes.
struct ArrangeSpacing {
    int margin = 32;  // left and top
    int across = 32;  // between boxes in a row
    int down = 32;    // between rows
    int indent = 32;  // of each level of the tree
};

// Top-left positions (by item index) that lay the diagram out as a tree from item `root`:
// the root alone in the top row, below it the items linked from its outputs, below each of
// those the items linked from theirs, and so on, each level in rows no wider than `width`
// (at least one box a row), every row centred. An item linked from several levels' items
// stays at the first level that reaches it; items the tree does not reach follow in rows of
// their own. Within a level the children of one item stay together, those with outputs of
// their own (relays) first, otherwise in array order. Positions lie on the 16-pixel grid.
std::vector<DiagramPoint> arrangeTree(const BlockDiagram& diagram, int root, int width,
                                      const ArrangeSpacing& spacing = {});

}  // namespace skelvane
