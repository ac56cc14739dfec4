#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace skelvane::sim {

// The flash memory of a simulated unit: 256 KB in the erase blocks of the microcontroller
// (eight of 4 KB, one of 32 KB, three of 64 KB). Programming can only clear bits, as on the
// real part, so writing over data that was not erased leaves a mixture. Shared by the unit's
// soft-upgrade and boot-mode sides; used under the network's lock.
class UnitFlash {
  public:
    static constexpr std::size_t kSize = 262144;
    static constexpr std::size_t kEraseBlocks = 12;

    // A flash that holds an older firmware, or a blank one.
    explicit UnitFlash(bool blank = false);

    std::span<const std::uint8_t> Bytes() const { return bytes_; }
    bool Blank() const;
    // Blocks 0..11 of the erase layout; false for another number.
    bool EraseBlock(std::size_t block);
    // Programs `data` at `address`; false (nothing changed) outside the flash. The result
    // reads back as `data` only where the flash was erased.
    bool Program(std::size_t address, std::span<const std::uint8_t> data);
    // Replaces the whole flash (a soft upgrade writes the image it received).
    void Replace(std::span<const std::uint8_t> image);

    // CRC-16/ARC over all 262144 bytes.
    std::uint16_t Crc() const;
    // How many times a new firmware has been written.
    int Writes() const { return writes_; }
    void CountWrite() { ++writes_; }

  private:
    std::vector<std::uint8_t> bytes_;
    int writes_ = 0;
};

// CRC-16/ARC computed bit by bit: the radio's own reading of the check.
std::uint16_t ArcCrc(std::span<const std::uint8_t> bytes);

// The version a unit reports after a new firmware: the last number of the text one higher
// ("V4.45" becomes "V4.46").
std::string NextVersion(const std::string& version);

}  // namespace skelvane::sim
