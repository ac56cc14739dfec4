#include "sim/unit_flash.h"

#include <algorithm>
#include <array>

namespace skelvane::sim {
namespace {

struct EraseBlock {
    std::size_t start;
    std::size_t size;
};

constexpr std::array<EraseBlock, UnitFlash::kEraseBlocks> kLayout = {{
    {0x00000, 0x1000},
    {0x01000, 0x1000},
    {0x02000, 0x1000},
    {0x03000, 0x1000},
    {0x04000, 0x1000},
    {0x05000, 0x1000},
    {0x06000, 0x1000},
    {0x07000, 0x1000},
    {0x08000, 0x8000},
    {0x10000, 0x10000},
    {0x20000, 0x10000},
    {0x30000, 0x10000},
}};

}  // namespace

UnitFlash::UnitFlash(bool blank) : bytes_(kSize, 0xFF) {
    if (!blank) {
        // An older firmware in the first 96 KB: any pattern that is not all 0xFF will do.
        std::uint32_t state = 0x2545F491u;
        for (std::size_t i = 0; i < 96 * 1024; ++i) {
            state = state * 1664525u + 1013904223u;
            bytes_[i] = static_cast<std::uint8_t>(state >> 24);
        }
    }
}

bool UnitFlash::Blank() const {
    return std::all_of(bytes_.begin(), bytes_.end(), [](std::uint8_t b) { return b == 0xFF; });
}

bool UnitFlash::EraseBlock(std::size_t block) {
    if (block >= kLayout.size()) {
        return false;
    }
    std::fill_n(bytes_.begin() + static_cast<std::ptrdiff_t>(kLayout[block].start),
                kLayout[block].size, std::uint8_t{0xFF});
    return true;
}

bool UnitFlash::Program(std::size_t address, std::span<const std::uint8_t> data) {
    if (address > kSize || data.size() > kSize - address) {
        return false;
    }
    for (std::size_t i = 0; i < data.size(); ++i) {
        bytes_[address + i] &= data[i];
    }
    return true;
}

void UnitFlash::Replace(std::span<const std::uint8_t> image) {
    std::fill(bytes_.begin(), bytes_.end(), std::uint8_t{0xFF});
    std::copy_n(image.begin(), std::min(image.size(), kSize), bytes_.begin());
}

std::uint16_t UnitFlash::Crc() const {
    return ArcCrc(bytes_);
}

std::uint16_t ArcCrc(std::span<const std::uint8_t> bytes) {
    std::uint16_t crc = 0;
    for (const std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) != 0 ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001)
                                 : static_cast<std::uint16_t>(crc >> 1);
        }
    }
    return crc;
}

std::string NextVersion(const std::string& version) {
    // The last run of digits, counted up with its carry ("V1.99" becomes "V1.100").
    std::size_t end = version.size();
    while (end > 0 && (version[end - 1] < '0' || version[end - 1] > '9')) {
        --end;
    }
    if (end == 0) {
        return version + "1";
    }
    std::size_t begin = end;
    while (begin > 0 && version[begin - 1] >= '0' && version[begin - 1] <= '9') {
        --begin;
    }
    std::string digits = version.substr(begin, end - begin);
    std::size_t i = digits.size();
    while (i > 0 && digits[i - 1] == '9') {
        digits[--i] = '0';
    }
    if (i == 0) {
        digits.insert(digits.begin(), '1');
    } else {
        ++digits[i - 1];
    }
    return version.substr(0, begin) + digits + version.substr(end);
}

}  // namespace skelvane::sim
