#include "link/port_names.h"

namespace skelvane {

std::string Win32DevicePath(std::string_view portName) {
    if (portName.size() > 4 && portName.substr(0, 3) == "COM") {
        return std::string("\\\\.\\") + std::string(portName);
    }
    return std::string(portName);
}

bool IsSimPortName(std::string_view portName) {
    return portName.substr(0, 3) == "SIM";
}

std::string StripInUseSuffix(std::string_view text) {
    while (text.size() >= kInUseSuffix.size() &&
           text.substr(text.size() - kInUseSuffix.size()) == kInUseSuffix) {
        text.remove_suffix(kInUseSuffix.size());
    }
    return std::string(text);
}

}  // namespace skelvane
