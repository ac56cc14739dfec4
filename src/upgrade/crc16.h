#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace skelvane {

// CRC-16/ARC: polynomial 0x8005 reflected (0xA001), initial value 0, input and output
// reflected, no final XOR. The soft upgrade checks the unit's copy of an image with it.
class Crc16Arc {
  public:
    Crc16Arc() = default;

    void Update(std::span<const std::uint8_t> bytes);
    // `count` bytes of the same value, as the padding of an image.
    void UpdateRepeated(std::uint8_t value, std::size_t count);
    std::uint16_t Value() const { return crc_; }

    // The CRC of `bytes` in one go.
    static std::uint16_t Of(std::span<const std::uint8_t> bytes);
    // The 256 entries the byte-at-a-time update uses.
    static const std::array<std::uint16_t, 256>& Table();

  private:
    std::uint16_t crc_ = 0;
};

// A firmware image covers the unit's whole flash: 2048 blocks of 128 bytes.
inline constexpr std::size_t kImageBlockSize = 128;
inline constexpr std::size_t kImageBlocks = 2048;
inline constexpr std::size_t kImageSize = kImageBlockSize * kImageBlocks;  // 262144

// The CRC of an image file as the unit sees it: the file's bytes, its last block filled up
// with 0xFF, and 0xFF blocks up to 262144 bytes. A longer file has no image CRC: the result
// is 0 and `ok` (when given) is set false.
std::uint16_t ImageCrc(std::span<const std::uint8_t> file, bool* ok = nullptr);

}  // namespace skelvane
