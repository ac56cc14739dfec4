#pragma once

#include <cstdint>
#include <string>

namespace skelvane {

// The window size the simulator's pseudo-terminal carries so that a client can tell it from
// a terminal that may lead to a real unit, without sending it anything. skelvane-sim sets the
// same values.
struct TerminalMark {
    std::uint16_t rows;
    std::uint16_t columns;
    std::uint16_t xPixels;
    std::uint16_t yPixels;
};
inline constexpr TerminalMark kSimulatorTerminalMark = {0x534B, 0x5653, 0x494D, 0x2121};

// True for a port that only a simulated unit can be behind: the in-process "SIM" ports, and
// on POSIX a pseudo-terminal that carries the simulator's mark. A real serial device is never
// opened to find out.
bool IsSimulatorPort(const std::string& portName);

}  // namespace skelvane
