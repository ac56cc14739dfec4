#pragma once

#include <cstdint>
#include <string_view>

namespace skelvane {

// The firmware version number of a version text such as "V4.45": the decimal number read
// from the text's second character on (leading blanks, a sign, digits, a fraction and an
// exponent, up to the first character that does not fit), times 10000, without its fraction.
// Worked out exactly in decimal: "V3.108" gives 31080, where binary floating point would give
// 31079. A negative number gives 0 and one too large for 32 bits the largest value, so a
// garbled text can never pass for a new firmware by wrapping around.
std::uint32_t VersionNumberFromText(std::string_view versionText);

// Firmware from which a unit takes the factory default sets.
inline constexpr std::uint32_t kDefaultsMinVersion = 44500;

}  // namespace skelvane
