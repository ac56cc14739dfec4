#pragma once

#include <string>
#include <vector>

#include "document/block.h"

namespace skelvane {

// One thing wrong with the plan of a network, and the blocks it concerns.
struct Finding {
    std::vector<Block*> blocks;
    std::string text;
};

// The settings every unit of a chain must share with its Master: the radio link group of the
// model's templates (the registers 0x00 to 0x1F), less what each unit has of its own (its
// operating mode, addresses, repeater flag and transmit power), and the country code.
bool IsNetworkWideSetting(const Parameter& parameter);

// Checks the network without contacting a unit: unit addresses missing, shared or out of
// range; Remotes and Repeaters whose input is not linked; chains of linked blocks with no
// Master or more than one; units whose network-wide settings differ from their Master's;
// restriction entries and repeater lists naming addresses no block has, and repeater lists
// naming blocks that are not Repeaters.
std::vector<Finding> CheckNetwork(Block& root);

}  // namespace skelvane
