#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "document/parameter.h"
#include "operations/unit_exchanges.h"

namespace skelvane {

// One value that differs between a block of the file and its unit.
struct Difference {
    std::string parameter;  // the parameter's name
    std::string fileValue;  // as shown: the number (with its choice name), or the text
    std::string unitValue;
    bool writable = false;  // a restore writes it
};

// What differs between a block's parameters (`file`) and what its unit reported (`unit`, a
// copy of the same parameters a Read All went into): the settings of the Settings list, the
// data mask, the firmware version and serial number (where the file has them), the
// restriction entries and the repeater list. Entries and lists are compared by what they hold,
// not by how they are written. `unitVersion` is the unit's firmware version number: restriction
// entries and the repeater list count as writable only where the firmware takes them.
std::vector<Difference> CompareUnit(const std::vector<Parameter>& file,
                                    const std::vector<Parameter>& unit, std::uint32_t unitVersion);

// A value as the comparison shows it: the number, and the choice name beside it where the
// parameter offers named choices; the text of a text parameter.
std::string ValueText(const Parameter& parameter);

// A restore of every writable value of a block: its writable settings and data mask, and its
// restriction entries and repeater list when it has them.
WritePlan FullWritePlan(const std::vector<Parameter>& parameters);
// A restore of only the writable values among the differences.
WritePlan ChangedWritePlan(const std::vector<Difference>& differences);

}  // namespace skelvane
