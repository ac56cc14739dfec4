#pragma once

#include <functional>
#include <vector>

#include "diagram/diagram_types.h"
#include "document/block.h"
#include "operations/discovery_model.h"

namespace skelvane {

// Makes a radio block of a kind at a position in the network (with its default link ends
// and the parameter set of its kind), or nullptr when it cannot.
using BlockMaker = std::function<Block*(BlockKind kind, int x, int y)>;

// The size of a block's box in the diagram, as the diagram lays it out with `metrics` and a
// status line under its title.
DiagramRect BlockBox(const Block& block, const DiagramMetrics& metrics);

// "Add to Network": for every unit of `units` whose address no radio block of `root` has, a
// block of its kind (a Remote when its kind is not known), named after its unit address, with
// its unit address, operating mode, version and serial number; placed in rows of the 16-pixel
// grid in the free space below the blocks there are (as wide as they spread, at least
// `rowWidth`), and its input linked to the first output of `cable` (when there is one).
// Returns the blocks made, in the order of `units`.
std::vector<Block*> AddFoundUnits(Block& root, const Block* cable,
                                  const std::vector<FoundUnit>& units, const BlockMaker& make,
                                  const DiagramMetrics& metrics, int rowWidth = 640);

}  // namespace skelvane
