#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace skelvane {

// One factory default configuration a unit can load: its radio button in the "Defaults"
// dialog and the set number sent (the F number of its caption; there is no set 3).
struct DefaultSet {
    int controlId;
    std::string_view caption;
    std::string_view group;  // "Fast Mode" (left box) or "Slow Mode" (right box)
    std::uint8_t number;
};

inline constexpr std::array<DefaultSet, 8> kDefaultSets = {{
    {1067, "F1 (PMP Master)", "Fast Mode", 1},
    {1068, "F2 (PMP Remote)", "Fast Mode", 2},
    {1069, "F4 (PMP Master)", "Slow Mode", 4},
    {1070, "F5 (PMP Remote)", "Slow Mode", 5},
    {1071, "F6 (P-t-P Master)", "Fast Mode", 6},
    {1072, "F7 (P-t-P Remote)", "Fast Mode", 7},
    {1073, "F8 (P-t-P Master)", "Slow Mode", 8},
    {1074, "F9 (P-t-P Remote)", "Slow Mode", 9},
}};

// The dialog opens with "F2 (PMP Remote)" selected.
inline constexpr std::size_t kPreselectedDefaultSet = 1;

inline constexpr std::string_view kDefaultsCaption = "Defaults";
inline constexpr std::string_view kDefaultsWarning =
    "WARNING:\r\n\r\nLINK WILL BE LOST IF CHANGING A REMOTE UNIT.\r\n\r\n'OK' to apply selected "
    "default, or\r\n'Cancel' to quit without taking any action.";

// The set number of a dialog index; nullopt for an index past the table.
std::optional<std::uint8_t> DefaultSetNumber(std::size_t index);

// The dialog index of a set named by its F number ("F4", "f4" or "4"); nullopt for a name
// that is not one of the eight.
std::optional<std::size_t> DefaultSetIndex(std::string_view name);

}  // namespace skelvane
