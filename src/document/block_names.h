#pragma once

#include <cstdint>
#include <string_view>

#include "base/prompter.h"
#include "document/block.h"

namespace skelvane {

// Whether a new block name may be taken. An empty name shows message 134; a name whose first
// character is not a letter or a digit, or that holds a control character anywhere, shows
// message 135 (caption "Error", exclamation icon). Other characters after the first (blanks,
// dashes, accented letters) are allowed: names like that are common in stored networks.
bool CheckBlockName(std::string_view name, Prompter& prompter);

// After a unit address was accepted: a block still named "Remote" or "Repeater", or named
// with a nonzero number, takes the address as its name, unless the address is 0 or 1. True
// when the name changed.
bool NameAfterUnitAddress(Block& block, std::uint32_t unitAddress);

}  // namespace skelvane
