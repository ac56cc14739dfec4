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

// Top-left positions (by item index) that lay the diagram out as a tree from item `root`
// (-1: no tree). Each item sits alone in its row; below it, one indent further in, the items
// linked from its outputs that have no outputs themselves (the Remotes of a Repeater), in
// rows no wider than `width` (one box a row at least); then, one by one, the items linked
// from it that do have outputs (its relays), each followed by what hangs off it in the same
// way. So every item lies below the one it is linked from, and a relay's links stay among its
// own rows. An item linked from several stays where the tree first reaches it; the items the
// tree does not reach follow in rows at the left. Order is array order; positions lie on the
// 16-pixel grid.
std::vector<DiagramPoint> arrangeTree(const BlockDiagram& diagram, int root, int width,
                                      const ArrangeSpacing& spacing = {});

}  // namespace skelvane
