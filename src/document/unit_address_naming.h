#pragma once

#include <cstdint>

#include "document/block.h"

namespace skelvane {

// After a unit address was accepted for a block: a block still called "Remote" or
// "Repeater", or one whose name begins with a nonzero number (leading blanks and a sign
// allowed, read up to the first character that is not a digit), takes the address in
// decimal as its name, unless the address is 0 or 1. Any other name, "Master" among them, is
// kept. True when the name changed (the diagram label is then due for an update).
bool NameBlockAfterUnitAddress(Block& block, std::uint32_t unitAddress);

}  // namespace skelvane
