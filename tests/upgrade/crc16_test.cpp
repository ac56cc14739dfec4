#include <gtest/gtest.h>

#include <boost/crc.hpp>

#include <random>
#include <vector>

#include "sim/unit_flash.h"
#include "upgrade/crc16.h"

namespace skelvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint16_t BoostCrc(const Bytes& bytes) {
    boost::crc_16_type crc;
    crc.process_bytes(bytes.data(), bytes.size());
    return static_cast<std::uint16_t>(crc.checksum());
}

Bytes RandomBytes(std::size_t size, std::uint32_t seed) {
    std::mt19937 random(seed);
    Bytes bytes(size);
    for (auto& b : bytes) {
        b = static_cast<std::uint8_t>(random());
    }
    return bytes;
}

// Boost's crc_16_type (CRC-16/ARC, check value 0xBB3D) and the simulator's bitwise CRC are
// two independent readings of the same check; size 0 covers the empty input and the image of
// nothing but padding.
class Crc16AgreementTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(Crc16AgreementTest, TableMatchesBoostAndBitwise) {
    const Bytes bytes = RandomBytes(GetParam(), static_cast<std::uint32_t>(GetParam()) + 7);
    EXPECT_EQ(Crc16Arc::Of(bytes), BoostCrc(bytes));
    EXPECT_EQ(Crc16Arc::Of(bytes), sim::ArcCrc(bytes));
}

TEST_P(Crc16AgreementTest, ImageCrcIsTheCrcOfThePaddedImage) {
    const std::size_t size = std::min(GetParam(), kImageSize);
    const Bytes file = RandomBytes(size, 99);
    Bytes padded = file;
    padded.resize(kImageSize, 0xFF);
    bool ok = false;
    EXPECT_EQ(ImageCrc(file, &ok), BoostCrc(padded));
    EXPECT_TRUE(ok);
}

INSTANTIATE_TEST_SUITE_P(Sizes, Crc16AgreementTest,
                         ::testing::Values(0, 1, 2, 127, 128, 129, 200, 4096, 262143, 262144));

TEST(Crc16Test, PiecewiseUpdatesEqualOneUpdate) {
    const Bytes bytes = RandomBytes(1000, 3);
    Crc16Arc crc;
    crc.Update(std::span(bytes).first(1));
    crc.Update(std::span(bytes).subspan(1, 500));
    crc.Update(std::span(bytes).subspan(501));
    crc.UpdateRepeated(0xFF, 77);
    Bytes whole = bytes;
    whole.insert(whole.end(), 77, 0xFF);
    EXPECT_EQ(crc.Value(), BoostCrc(whole));
}

TEST(Crc16Test, AFileLongerThanTheImageHasNoImageCrc) {
    bool ok = true;
    EXPECT_EQ(ImageCrc(Bytes(kImageSize + 1, 0x00), &ok), 0);
    EXPECT_FALSE(ok);
}

}  // namespace
}  // namespace skelvane
