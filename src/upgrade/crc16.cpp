#include "upgrade/crc16.h"

namespace skelvane {
namespace {

std::array<std::uint16_t, 256> MakeTable() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        std::uint16_t crc = static_cast<std::uint16_t>(i);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) != 0 ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001)
                                 : static_cast<std::uint16_t>(crc >> 1);
        }
        table[i] = crc;
    }
    return table;
}

}  // namespace

const std::array<std::uint16_t, 256>& Crc16Arc::Table() {
    static const std::array<std::uint16_t, 256> table = MakeTable();
    return table;
}

void Crc16Arc::Update(std::span<const std::uint8_t> bytes) {
    const auto& table = Table();
    std::uint16_t crc = crc_;
    for (const std::uint8_t byte : bytes) {
        crc = static_cast<std::uint16_t>((crc >> 8) ^ table[(crc ^ byte) & 0xFF]);
    }
    crc_ = crc;
}

void Crc16Arc::UpdateRepeated(std::uint8_t value, std::size_t count) {
    const auto& table = Table();
    std::uint16_t crc = crc_;
    for (std::size_t i = 0; i < count; ++i) {
        crc = static_cast<std::uint16_t>((crc >> 8) ^ table[(crc ^ value) & 0xFF]);
    }
    crc_ = crc;
}

std::uint16_t Crc16Arc::Of(std::span<const std::uint8_t> bytes) {
    Crc16Arc crc;
    crc.Update(bytes);
    return crc.Value();
}

std::uint16_t ImageCrc(std::span<const std::uint8_t> file, bool* ok) {
    if (ok != nullptr) {
        *ok = file.size() <= kImageSize;
    }
    if (file.size() > kImageSize) {
        return 0;
    }
    Crc16Arc crc;
    crc.Update(file);
    // The last block is padded with 0xFF, and so is every block after it: together that is
    // 0xFF up to the end of the image.
    crc.UpdateRepeated(0xFF, kImageSize - file.size());
    return crc.Value();
}

}  // namespace skelvane
