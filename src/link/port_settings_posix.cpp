#include "link/port_discovery.h"
#include "link/port_settings.h"

namespace skelvane {

std::unique_ptr<SettingsStore> OpenPlatformSettingsStore() {
    return std::make_unique<IniSettingsStore>(SettingsFilePath());
}

std::string PlatformDefaultPortName() {
    // "COM1" names no device here: the first serial port there is, else the simulator.
    const std::vector<std::string> ports = EnumerateSerialPorts();
    return ports.empty() ? std::string("SIM1") : ports.front();
}

}  // namespace skelvane
