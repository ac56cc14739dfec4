#include "base/decimal.h"

namespace skelvane {
namespace {

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Skips blanks and the sign; returns the position of the first digit candidate.
size_t SkipPrefix(std::string_view text, bool* negative) {
    size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) {
        ++i;
    }
    *negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        *negative = text[i] == '-';
        ++i;
    }
    return i;
}

}  // namespace

std::uint64_t ParseDecimalRaw(std::string_view text) {
    bool negative = false;
    std::uint64_t value = 0;
    for (size_t i = SkipPrefix(text, &negative); i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') {
            break;
        }
        value = value * 10u + static_cast<std::uint64_t>(c - '0');
    }
    return negative ? (~value + 1u) : value;
}

bool StartsWithNumber(std::string_view text) {
    bool negative = false;
    const size_t i = SkipPrefix(text, &negative);
    return i < text.size() && text[i] >= '0' && text[i] <= '9';
}

}  // namespace skelvane
