#pragma once

// Units seeded from the radio blocks of a network document.

#include <memory>
#include <string>
#include <vector>

#include "base/clock.h"
#include "document/block.h"
#include "sim/network.h"
#include "sim/unit_seed.h"

namespace skelvane::sim {

// The parameters of a block as the simulator takes them.
std::vector<ParameterSeed> SeedsOf(const Block& block);
// A unit with the block's register values and UA.
std::unique_ptr<Unit> UnitFromBlock(const Block& block);

// Every radio block under `root` becomes a unit; the first Master (in the tree's order) is
// the unit on the cable, the others are remote units (Repeaters one radio hop away, the rest
// two). nullptr with a message in `error` when there is no Master. Blocks that cannot be
// added (no unit address, or one already taken) are skipped and named in `warnings`.
std::shared_ptr<Network> NetworkFromBlocks(const Block& root, Clock& clock, std::string& error,
                                           std::vector<std::string>* warnings = nullptr);

// The same from a network file.
std::shared_ptr<Network> NetworkFromFile(const std::string& path, Clock& clock, std::string& error,
                                         std::vector<std::string>* warnings = nullptr);

}  // namespace skelvane::sim
