#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "document/block.h"

namespace skelvane {

// Why a radio block of a network is not contacted by the network-wide commands.
enum class UnitProblem {
    None,
    NoAddress,      // the block has no "UnitAddress" parameter
    BadAddress,     // its address is outside 1..65534 (0 would reach the unit on the cable)
    SharedAddress,  // another radio block has the same address: a reply could be either's
};

// Lowest and highest address a unit can have.
inline constexpr std::uint32_t kMinUnitAddress = 1;
inline constexpr std::uint32_t kMaxUnitAddress = 65534;

// One radio block of a network as the network-wide commands reach it: the block on the cable
// is talked to Local (requests carry UA 0), every other one Remote, through it, by its address.
struct NetworkUnit {
    Block* block = nullptr;
    std::uint32_t address = 0;  // its "UnitAddress" value, 0 when it has none
    bool local = false;         // the block on the cable
    // Links between this block and the block on the cable in the diagram (0 for the cable
    // block itself); -1 when no chain of links joins them.
    int hops = -1;
    UnitProblem problem = UnitProblem::None;

    bool Contacted() const { return problem == UnitProblem::None; }
    // The address its requests carry: 0 for the unit on the cable.
    std::uint16_t RequestUa() const { return local ? 0 : static_cast<std::uint16_t>(address); }
};

// The radio blocks of a network, each with how it is reached.
struct NetworkUnits {
    std::vector<NetworkUnit> units;  // every radio block, in child-walk order
    Block* cable = nullptr;          // the block on the cable; nullptr when there is none

    // The entry of a block; nullptr for a block that is not one of the units.
    const NetworkUnit* Find(const Block* block) const;
    // The units that are contacted / the ones left out, in child-walk order.
    std::vector<const NetworkUnit*> Contacted() const;
    std::vector<const NetworkUnit*> Skipped() const;
};

// Master, Repeater, Remote and plain Radio blocks are units; Network blocks are not.
bool IsRadioBlock(const Block& block);

// The radio blocks directly under `root` (the blocks the diagram shows), in child-walk order.
std::vector<Block*> RadioBlocks(Block& root);

// The radio block of that name (exact match), nullptr when there is none.
Block* FindRadioBlock(Block& root, std::string_view name);

// The block on the cable unless the user picks another: the first Master in child-walk order
// (nullptr when the network has none).
Block* DefaultCableBlock(Block& root);

// Lists every radio block under `root` with its address, Local or Remote, its distance in
// links from the cable block and its problem, if any. `cable` is the block on the cable, one
// of the radio blocks; nullptr takes DefaultCableBlock. A `cable` that is not a radio block
// of this network puts no block on the cable (`cable` of the result is nullptr).
NetworkUnits ListNetworkUnits(Block& root, const Block* cable = nullptr);

// Why a unit is left out, for logs and reports ("no UnitAddress", "unit address 7 is shared
// with \"Remote 2\"", ...); empty for a contacted unit.
std::string ProblemText(const NetworkUnits& units, const NetworkUnit& unit);

// For each of `blocks`, the blocks among them its inputs are linked from (an input whose id
// names an output of another of the blocks).
std::vector<std::vector<Block*>> LinkSources(const std::vector<Block*>& blocks);

}  // namespace skelvane
