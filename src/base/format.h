#pragma once

#include <cstdarg>
#include <string>

namespace skelvane {

// printf-style formatting into a std::string. Every fixed text of the program that takes
// values ("Value '%u' out of range <%u, %u>", "%02X ", ...) goes through here.
std::string Format(const char* fmt, ...)
#if defined(__GNUC__) || defined(__clang__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

std::string FormatV(const char* fmt, va_list args);

}  // namespace skelvane
