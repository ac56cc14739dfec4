#include "link/port_discovery.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <system_error>

#include "link/port_backend.h"
#include "link/port_names.h"

namespace skelvane {

namespace {

// "ttyUSB2" before "ttyUSB10": runs of digits compare by value.
bool NaturalLess(const std::string& a, const std::string& b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const bool da = std::isdigit(static_cast<unsigned char>(a[i])) != 0;
        const bool db = std::isdigit(static_cast<unsigned char>(b[j])) != 0;
        if (da && db) {
            std::size_t ei = i;
            std::size_t ej = j;
            while (ei < a.size() && std::isdigit(static_cast<unsigned char>(a[ei])) != 0) {
                ++ei;
            }
            while (ej < b.size() && std::isdigit(static_cast<unsigned char>(b[ej])) != 0) {
                ++ej;
            }
            std::string na = a.substr(i, ei - i);
            std::string nb = b.substr(j, ej - j);
            na.erase(0, std::min(na.find_first_not_of('0'), na.size()));
            nb.erase(0, std::min(nb.find_first_not_of('0'), nb.size()));
            if (na.size() != nb.size()) {
                return na.size() < nb.size();
            }
            if (na != nb) {
                return na < nb;
            }
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j]) {
            return a[i] < b[j];
        }
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

// The legacy 8250 driver registers ttyS0..ttyS31 under its platform device whether or not a
// UART answers there; those are the nodes that would flood the list. Ports found by PNP or on
// PCI cards live elsewhere.
bool IsPlaceholderUart(const std::filesystem::path& device) {
    std::error_code error;
    const std::filesystem::path driver = std::filesystem::read_symlink(device / "driver", error);
    if (!error && driver.filename() == "serial8250") {
        return true;
    }
    const std::filesystem::path real = std::filesystem::canonical(device, error);
    if (error) {
        return false;
    }
    for (const std::filesystem::path& part : real) {
        if (part.string().rfind("serial8250", 0) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::vector<std::string> EnumerateSerialPortsUnder(const std::filesystem::path& sysClassTty,
                                                   const std::filesystem::path& devRoot) {
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(sysClassTty, error), end; !error && it != end;
         it.increment(error)) {
        const std::filesystem::path device = it->path() / "device";
        std::error_code exists_error;
        if (!std::filesystem::exists(device, exists_error) || IsPlaceholderUart(device)) {
            continue;
        }
        const std::filesystem::path node = devRoot / it->path().filename();
        if (std::filesystem::exists(node, exists_error)) {
            names.push_back(node.string());
        }
    }
    std::sort(names.begin(), names.end(), NaturalLess);

    // Stable names of USB adapters, for devices the tty class did not show.
    std::set<std::filesystem::path> known;
    for (const std::string& name : names) {
        known.insert(std::filesystem::weakly_canonical(name, error));
    }
    std::vector<std::string> byId;
    for (std::filesystem::directory_iterator it(devRoot / "serial" / "by-id", error), end;
         !error && it != end; it.increment(error)) {
        std::error_code resolve_error;
        const std::filesystem::path target = std::filesystem::canonical(it->path(), resolve_error);
        if (!resolve_error && known.insert(target).second) {
            byId.push_back(it->path().string());
        }
    }
    std::sort(byId.begin(), byId.end(), NaturalLess);
    names.insert(names.end(), byId.begin(), byId.end());
    return names;
}

bool IsPortInUse(const PortFactory& ports, const std::string& portName) {
    if (IsSimPortName(portName)) {
        return ports.IsSimPortInUse(portName);
    }
    return IsPlatformPortInUse(portName);
}

std::vector<PortListEntry> DiscoverPorts(const PortFactory& ports) {
    std::vector<std::string> names = EnumerateSerialPorts();
    for (std::string& name : ports.SimPortNames()) {
        names.push_back(std::move(name));
    }
    return MarkPorts(names, [&](const std::string& name) { return IsPortInUse(ports, name); });
}

int FindPortEntry(const std::vector<PortListEntry>& entries, const std::string& portName) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].portName == portName) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace skelvane
