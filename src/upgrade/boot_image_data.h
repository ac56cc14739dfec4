#pragma once

#include <cstdint>
#include <span>

// The supplied boot program images built in from SKELVANE_BOOT_IMAGES_DIR, or empty spans when
// the build has none (defined in the generated boot_image_data.cpp).
namespace skelvane::boot_image_data {

extern const std::span<const std::uint8_t> kSuppliedUKernel;
extern const std::span<const std::uint8_t> kSuppliedMainKernel;
extern const std::span<const std::uint8_t> kSuppliedErasingProcedure;
extern const std::span<const std::uint8_t> kSuppliedWritingProcedure;

}  // namespace skelvane::boot_image_data
