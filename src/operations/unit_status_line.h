#pragma once

#include "diagram/diagram_item.h"
#include "document/block.h"
#include "link/unit_status.h"

namespace skelvane {

// The status line of a radio block in the diagram: "UA 300", then " · V4.46" and
// " · −71 dBm" once a version and an RSSI value of the unit have come; the mark of its last
// exchange; a tooltip with the time of its last answer; and the warning mark when
// `duplicate` (another block has the same unit address). The block on the cable also takes
// what was learned of the unit on the cable before its address was known.
DiagramStatus DescribeUnitStatus(const Block& block, const UnitStatusBoard& board, bool onCable,
                                 bool duplicate);

}  // namespace skelvane
