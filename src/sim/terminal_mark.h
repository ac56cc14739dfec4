#pragma once

#include <string>

namespace skelvane::sim {

// Marks the simulator's pseudo-terminal through its window size, which a client reads
// without sending anything: the hard upgrade uses it to tell a simulated unit from a real
// one. False when the terminal cannot be marked.
bool MarkSimulatorTerminal(const std::string& path);

// The mark: rows, columns, horizontal and vertical pixels.
inline constexpr unsigned short kTerminalMark[4] = {0x534B, 0x5653, 0x494D, 0x2121};

}  // namespace skelvane::sim
