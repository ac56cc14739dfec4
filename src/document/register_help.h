#pragma once

#include <string>
#include <string_view>

#include "document/parameter.h"

namespace skelvane {

// A short phrase saying what a register does (with its unit where it has one), for the
// registers of the Settings list; empty for a register it does not know.
std::string_view RegisterPurpose(std::string_view parameterName);

// The tooltip of a parameter's row, one fact a line: the description and what the register
// does, its range or choices (or that it is text), its register label and the unit's
// register ids, and "Read-only" when it cannot be written. Latin-1, like the parameter.
std::string ParameterTip(const Parameter& parameter, bool readOnly);

}  // namespace skelvane
