#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace skelvane {

// Field capacities of the records. Texts read from a file are cut to these lengths (Latin-1,
// so characters are bytes).
inline constexpr std::size_t kParameterNameMax = 63;
inline constexpr std::size_t kParameterDescMax = 63;
inline constexpr std::size_t kRegisterTextMax = 15;  // reg, setAT, getAT
// A text value holds up to 511 characters: the editor accepts that many, and a restriction
// entry with eight ranges is well over 63, so a shorter cut would destroy it on the next open.
inline constexpr std::size_t kTextValueMax = 511;
inline constexpr std::size_t kChoiceTextMax = 63;  // Choice name and desc
inline constexpr std::size_t kBlockNameMax = 99;
inline constexpr std::size_t kLinkNameMax = 63;

// Parameter type code of a text parameter; every other code is a number held in `value`.
inline constexpr std::uint8_t kTextParameterType = 4;

// One allowed value of a parameter, or one end of its range (the first entry then is "Min").
// In the configuration file's model list, `desc` holds the model's template file name.
struct Choice {
    std::string name, desc;
    std::uint32_t value = 0;

    friend bool operator==(const Choice&, const Choice&) = default;
};

// One register of a radio: how it is called and shown, how it travels (`vectors` are the
// unit's register ids holding the value, one per byte) and its current value.
struct Parameter {
    std::uint8_t type = 0;
    std::string name, reg, desc, setAT, getAT;
    std::uint8_t setDIAG = 0, getDIAG = 0, access = 0, readwrite = 0, visible = 0;
    std::uint32_t value = 0;
    std::string textValue;
    std::vector<Choice> choices;
    std::vector<std::uint8_t> vectors;

    bool IsText() const { return type == kTextParameterType; }
    // A number in a range: the first choice is "Min" (its value the lowest allowed), the
    // second holds the highest allowed value.
    bool IsRange() const { return !choices.empty() && choices.front().name == "Min"; }

    friend bool operator==(const Parameter&, const Parameter&) = default;
};

}  // namespace skelvane
