#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "link/serial_port.h"
#include "sim/upgrade_sides.h"
#include "support/sim_network.h"
#include "support/test_paths.h"

namespace skelvane::test {

// 1 May 2008, 13:45:12.007 local time: when the simulated day starts.
inline constexpr LocalTime kStartTime{2008, 5, 1, 13, 45, 12, 7};

// The built-in network behind "SIM1" on a virtual clock, every unit with its upgrade sides,
// and a folder for firmware and log files.
class UpgradeSim : public SimNetwork {
  public:
    explicit UpgradeSim(sim::UpgradeSimOptions options = {})
        : SimNetwork(kStartTime), sides(sim::InstallUpgradeSides(*network, options)) {}

    sim::SoftUpgradeSide& Soft(std::uint16_t ua = 0) { return *sides.soft.at(ua); }
    sim::BootModeSide& Boot() { return *sides.boot; }

    // A firmware file of `size` bytes whose contents differ from block to block.
    std::string Firmware(std::size_t size, const std::string& name = "fw.bin") const {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i) {
            bytes[i] = static_cast<char>((i * 7 + i / 128) & 0xFF);
        }
        const std::filesystem::path path = dir / name;
        WriteFileBytes(path, bytes);
        return path.string();
    }

    // Every byte on the cable, each direction.
    void Record() {
        network->SetTrafficObserver(
            [this](sim::Direction direction, std::span<const std::uint8_t> bytes) {
                Bytes& into = direction == sim::Direction::ToUnit ? toUnit : toHost;
                into.insert(into.end(), bytes.begin(), bytes.end());
            });
    }

    sim::UpgradeSides sides;
    TempDir dir;
    Bytes toUnit;
    Bytes toHost;
};

// Reads a whole file as bytes.
inline Bytes FileBytes(const std::string& path) {
    const std::string text = ReadFileBytes(path);
    return Bytes(text.begin(), text.end());
}

// The diagnostic frames in `bytes` (each LEN and LEN more bytes).
inline std::vector<Bytes> SplitFrames(const Bytes& bytes) {
    std::vector<Bytes> frames;
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t size = std::min<std::size_t>(bytes[at] + 1u, bytes.size() - at);
        frames.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                            bytes.begin() + static_cast<std::ptrdiff_t>(at + size));
        at += size;
    }
    return frames;
}

}  // namespace skelvane::test
