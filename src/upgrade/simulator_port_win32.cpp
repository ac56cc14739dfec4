#include "link/port_names.h"
#include "upgrade/simulator_port.h"

namespace skelvane {

// Windows has no pseudo-terminals: only the in-process simulator ports qualify.
bool IsSimulatorPort(const std::string& portName) {
    return IsSimPortName(portName);
}

}  // namespace skelvane
