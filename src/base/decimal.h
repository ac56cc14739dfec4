#pragma once

#include <cstdint>
#include <string_view>

namespace skelvane {

// Decimal conversion with the C library's rules, as the file format and the protocol texts
// expect: leading blanks are skipped, an optional '+' or '-' is taken, then digits up to the
// first character that is not a digit; no digits at all give 0. The value is accumulated
// modulo 2^64 (never undefined behaviour on overflow) and the callers below cut it to their
// width, so "-1" reads as 4294967295 unsigned 32-bit and " -3abc" as 253 unsigned 8-bit.
std::uint64_t ParseDecimalRaw(std::string_view text);

inline std::int32_t ParseInt32(std::string_view text) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(ParseDecimalRaw(text)));
}
inline std::uint32_t ParseUint32(std::string_view text) {
    return static_cast<std::uint32_t>(ParseDecimalRaw(text));
}
inline std::uint16_t ParseUint16(std::string_view text) {
    return static_cast<std::uint16_t>(ParseDecimalRaw(text));
}
inline std::uint8_t ParseUint8(std::string_view text) {
    return static_cast<std::uint8_t>(ParseDecimalRaw(text));
}

// True when the text, after leading blanks and an optional sign, starts with a digit.
bool StartsWithNumber(std::string_view text);

}  // namespace skelvane
