#pragma once

#include <string>
#include <string_view>

namespace skelvane {

// What the port list appends to a port that another program holds open.
inline constexpr std::string_view kInUseSuffix = " (In Use)";

// The Win32 device path of a port name: a name longer than four characters whose first three
// are exactly "COM" gets the prefix \\.\ (COM10 and up need it); every other name is used as
// it is.
std::string Win32DevicePath(std::string_view portName);

// True for the names the simulator serves ("SIM1", ...).
bool IsSimPortName(std::string_view portName);

// The port name without a trailing " (In Use)", which only marks an entry of the port list
// and must never reach a stored setting or an open.
std::string StripInUseSuffix(std::string_view text);

}  // namespace skelvane
