#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "link/port_factory.h"

namespace skelvane {

// One entry of the port selector.
struct PortListEntry {
    std::string text;      // what the list shows: the name, with " (In Use)" when held
    std::string portName;  // the name to store and to open
    std::uint32_t itemData = 0;
    bool inUse = false;
};

// The machine's serial ports, in the platform's order: the SERIALCOMM map on Windows; on
// POSIX the device nodes of real serial hardware (not the legacy ttyS nodes that exist
// whether or not a UART is behind them) and the /dev/serial/by-id links to them.
std::vector<std::string> EnumerateSerialPorts();

// The POSIX enumeration over other roots, so that tests can lay out a fake sysfs.
std::vector<std::string> EnumerateSerialPortsUnder(const std::filesystem::path& sysClassTty,
                                                   const std::filesystem::path& devRoot);

// True when the port cannot be opened exclusively now (another program holds it, or it is
// gone). Simulator ports ask the factory's providers; other names probe the platform driver.
bool IsPortInUse(const PortFactory& ports, const std::string& portName);
bool IsPlatformPortInUse(const std::string& portName);

// The selector's list: the platform ports, then the simulator's ports, each probed and
// marked " (In Use)" when held; item data is the entry's index.
std::vector<PortListEntry> DiscoverPorts(const PortFactory& ports);

// The same over a given list of names and probe, for tests.
template <typename InUse>
std::vector<PortListEntry> MarkPorts(const std::vector<std::string>& names, InUse inUse);

// The index of the entry for a stored port name, or -1. The stored name never carries the
// in-use marker, so the entry's port name is compared, exactly and case-sensitively.
int FindPortEntry(const std::vector<PortListEntry>& entries, const std::string& portName);

template <typename InUse>
std::vector<PortListEntry> MarkPorts(const std::vector<std::string>& names, InUse inUse) {
    std::vector<PortListEntry> entries;
    for (const std::string& name : names) {
        PortListEntry entry;
        entry.portName = name;
        entry.itemData = static_cast<std::uint32_t>(entries.size());
        entry.inUse = inUse(name);
        entry.text = entry.inUse ? name + " (In Use)" : name;
        entries.push_back(std::move(entry));
    }
    return entries;
}

}  // namespace skelvane
