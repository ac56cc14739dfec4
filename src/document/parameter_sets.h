#pragma once

#include "document/block.h"
#include "document/network_file.h"

namespace skelvane {

// Gives a block the parameter set of its kind from a template network: the block's parameters
// are replaced by copies of those of the first child of the template's root whose name equals
// the block's name exactly (a new block carries its kind's default name). When the template
// has no such block, the block is left without parameters and the result is false.
bool CopyTemplateParameters(Block& block, const Block* templateRoot);
bool CopyTemplateParameters(Block& block, const NetworkFile& templates);

// Seeds the values of a newly pasted block from the copied block: each parameter takes the
// value (the text for text parameters) of the source's first parameter of the same name.
// "OperatingMode" is never copied, and between blocks of different kinds neither are the
// addresses and roles that identify a unit: "UnitAddress", "RoamingAddress", "DestAddess"
// and "RepeaterYesNo".
void SeedParameterValues(Block& block, const Block& source);

}  // namespace skelvane
