#pragma once

#include <cstdint>
#include <optional>

namespace skelvane {

// Sets both speeds of a terminal to any rate, also those without a Bnnn constant (3600,
// 7200, 14400, 28800). Kept apart from <termios.h> users: the kernel's termios2 structure
// clashes with the C library's.
bool SetLineSpeed(int fd, std::uint32_t rate);

// The output speed of a terminal in bits per second. For the master side of a
// pseudo-terminal this is the speed its client set on the other side.
std::optional<std::uint32_t> GetLineSpeed(int fd);

}  // namespace skelvane
