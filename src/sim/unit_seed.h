#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/unit.h"

namespace skelvane::sim {

// What the simulator takes from one parameter of a radio block: its name, type code (1, 2, 3
// a number of 1, 2, 4 bytes; 4 a text), number, text and the register ids of its value.
struct ParameterSeed {
    std::string name;
    std::uint8_t type = 0;
    std::uint32_t value = 0;
    std::string text;
    std::vector<std::uint8_t> vectors;
};

// Gives a unit the values of a parameter set: each number goes into its register ids, most
// significant byte into the first id (the order in which the tool writes them); "UnitAddress"
// is also the unit's UA; the texts "VersionNo", "SerialNo" and "DataMask" (when not empty),
// the restriction entries "FrequencyRestriction1".."16" and "RepeaterRegistration" become the
// unit's. Parameters named like the diagnostic values ("DiagRSSI", ...) tell where the unit
// keeps its live counters and measurements.
void SeedUnit(Unit& unit, const std::vector<ParameterSeed>& parameters);

// Lenient readings of the stored texts; a text that does not parse gives an empty entry or
// list.
RestrictionEntry ParseRestrictionText(const std::string& text);
RepeaterSlots ParseRepeaterText(const std::string& text);

}  // namespace skelvane::sim
