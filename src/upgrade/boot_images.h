#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace skelvane {

// Sizes of the four programs the hard upgrade loads into the microcontroller; they are part
// of the protocol.
inline constexpr std::size_t kUKernelSize = 2144;
inline constexpr std::size_t kMainKernelSize = 1137;
inline constexpr std::size_t kErasingProcedureSize = 1297;
inline constexpr std::size_t kWritingProcedureSize = 1429;

// The device records the uKernel carries: a four-character device code and the product.
inline constexpr char kDeviceRecord7144[] = "0409HD64F7144";
inline constexpr char kDeviceRecord7145[] = "0410HD64F7145";

struct BootImages {
    std::vector<std::uint8_t> uKernel;
    std::vector<std::uint8_t> mainKernel;
    std::vector<std::uint8_t> erasingProcedure;
    std::vector<std::uint8_t> writingProcedure;
    // Placeholders are not machine code: only a simulated unit may receive them.
    bool placeholders = true;
};

// The images of this build: the supplied ones when the build was given them, otherwise the
// placeholders.
const BootImages& SuppliedBootImages();

// Images of the right sizes that are plainly not machine code; the uKernel holds the two
// device records, as the simulator looks for them there.
BootImages PlaceholderBootImages();

// The byte that makes the sum of the four big-endian size bytes, the image and itself 0
// modulo 256: the trailing checksum of a procedure load.
std::uint8_t ProcedureChecksum(std::span<const std::uint8_t> image);

}  // namespace skelvane
