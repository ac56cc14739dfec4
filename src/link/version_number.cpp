#include "link/version_number.h"

#include <algorithm>
#include <limits>
#include <string>

namespace skelvane {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

std::uint32_t VersionNumberFromText(std::string_view versionText) {
    constexpr std::uint32_t kMax = std::numeric_limits<std::uint32_t>::max();
    if (versionText.size() < 2) {
        return 0;
    }
    const std::string_view text = versionText.substr(1);
    std::size_t at = 0;
    while (at < text.size() && IsBlank(text[at])) {
        ++at;
    }
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    // The significant digits, and the power of ten they are to be multiplied by.
    std::string digits;
    long exponent = 4;  // times 10000
    bool anyDigit = false;
    for (; at < text.size() && IsDigit(text[at]); ++at) {
        anyDigit = true;
        if (!digits.empty() || text[at] != '0') {
            digits.push_back(text[at]);
        }
    }
    if (at < text.size() && text[at] == '.') {
        ++at;
        for (; at < text.size() && IsDigit(text[at]); ++at) {
            anyDigit = true;
            if (!digits.empty() || text[at] != '0') {
                digits.push_back(text[at]);
            }
            --exponent;
        }
    }
    if (!anyDigit) {
        return 0;
    }
    if (at + 1 < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        std::size_t e = at + 1;
        bool expNegative = false;
        if (text[e] == '+' || text[e] == '-') {
            expNegative = text[e] == '-';
            ++e;
        }
        if (e < text.size() && IsDigit(text[e])) {
            long value = 0;
            for (; e < text.size() && IsDigit(text[e]); ++e) {
                value = std::min(value * 10 + (text[e] - '0'), 100000L);
            }
            exponent += expNegative ? -value : value;
        }
    }
    if (digits.empty()) {
        return 0;
    }
    if (negative) {
        return 0;
    }
    if (exponent < 0) {
        const auto drop = static_cast<std::size_t>(-exponent);
        if (drop >= digits.size()) {
            return 0;  // below 1
        }
        digits.resize(digits.size() - drop);
    } else {
        if (digits.size() + static_cast<std::size_t>(exponent) > 10) {
            return kMax;
        }
        digits.append(static_cast<std::size_t>(exponent), '0');
    }
    if (digits.size() > 10) {
        return kMax;
    }
    std::uint64_t value = 0;
    for (const char c : digits) {
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return value > kMax ? kMax : static_cast<std::uint32_t>(value);
}

}  // namespace skelvane
