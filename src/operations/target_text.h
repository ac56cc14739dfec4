#pragma once

#include <cstdint>
#include <string>

namespace skelvane {

// What a dialog will talk to, as shown above its pages: the unit on the cable, or a unit
// reached through it.
inline std::string TargetText(bool local, std::uint16_t unitAddress) {
    if (local) {
        return "Unit on the cable";
    }
    return "Unit " + std::to_string(unitAddress) + ", through the unit on the cable";
}

}  // namespace skelvane
