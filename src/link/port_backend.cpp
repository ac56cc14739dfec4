#include "link/port_backend.h"

#include <atomic>

#include "link/port_names.h"

namespace skelvane {
namespace {

// The one registration point for the simulator: set by the program's main (or a test) before
// any port is opened, read by every SerialPort::Open.
std::atomic<SimPortProvider*> sim_provider{nullptr};

}  // namespace

SimPortProvider* SetSimPortProvider(SimPortProvider* provider) {
    return sim_provider.exchange(provider);
}

SimPortProvider* GetSimPortProvider() {
    return sim_provider.load();
}

std::unique_ptr<PortBackend> CreatePortBackend(const std::string& portName) {
    if (IsSimPortName(portName)) {
        SimPortProvider* provider = GetSimPortProvider();
        return provider != nullptr ? provider->CreateBackend(portName) : nullptr;
    }
    return CreatePlatformBackend();
}

}  // namespace skelvane
