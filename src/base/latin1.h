#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace skelvane {

// Inside the core every text is Latin-1: one byte is one character, so the character limits
// of names and fields are byte limits. These helpers convert at the edges (XML library, GUI).

// UTF-8 to Latin-1. A character outside Latin-1, and any malformed sequence, becomes '?'.
std::string Utf8ToLatin1(std::string_view utf8);

// Latin-1 to UTF-8 (every byte is a code point below 256).
std::string Latin1ToUtf8(std::string_view latin1);

// A Latin-1 text as one field of a CSV file in UTF-8: quoted, with its quotes doubled, when it
// holds a comma, a quote or a line break.
std::string CsvField(std::string_view latin1);

// The first `max` characters of a text (the fixed field capacities of the records).
inline std::string CutText(std::string_view text, std::size_t max) {
    return std::string(text.substr(0, max));
}

// Letters and digits of Latin-1 (ASCII letters, digits, and the accented letters
// 0xC0-0xFF except the multiplication and division signs).
bool IsLatin1Alnum(unsigned char c);

// Case-insensitive comparison of ASCII letters (other bytes compare exactly).
bool EqualsNoCase(std::string_view a, std::string_view b);

}  // namespace skelvane
