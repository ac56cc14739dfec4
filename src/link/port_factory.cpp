#include "link/port_factory.h"

#include <algorithm>

#include "link/port_names.h"

namespace skelvane {

std::unique_ptr<PortBackend> PortFactory::CreateBackend(const std::string& portName) const {
    if (!IsSimPortName(portName)) {
        return CreatePlatformBackend();
    }
    for (SimPortProvider* provider : providers_) {
        if (std::unique_ptr<PortBackend> backend = provider->CreateBackend(portName)) {
            return backend;
        }
    }
    return nullptr;
}

std::vector<std::string> PortFactory::SimPortNames() const {
    std::vector<std::string> names;
    for (const SimPortProvider* provider : providers_) {
        for (std::string& name : provider->PortNames()) {
            names.push_back(std::move(name));
        }
    }
    return names;
}

bool PortFactory::IsSimPortInUse(const std::string& portName) const {
    for (const SimPortProvider* provider : providers_) {
        const std::vector<std::string> names = provider->PortNames();
        if (std::find(names.begin(), names.end(), portName) != names.end()) {
            return provider->IsInUse(portName);
        }
    }
    return true;
}

}  // namespace skelvane
