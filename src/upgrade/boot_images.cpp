#include "upgrade/boot_images.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "upgrade/boot_image_data.h"

namespace skelvane {
namespace {

std::vector<std::uint8_t> Placeholder(std::size_t size, std::string_view name) {
    const std::string text = "SKELVANE PLACEHOLDER " + std::string(name) +
                             " - NOT MACHINE CODE, FOR THE SIMULATOR ONLY. ";
    std::vector<std::uint8_t> image(size);
    for (std::size_t i = 0; i < size; ++i) {
        image[i] = static_cast<std::uint8_t>(text[i % text.size()]);
    }
    return image;
}

void PutRecord(std::vector<std::uint8_t>& image, std::size_t at, const char* record) {
    const std::size_t length = std::strlen(record);
    std::fill_n(image.begin() + static_cast<std::ptrdiff_t>(at), 16, std::uint8_t{0});
    std::copy_n(record, length, image.begin() + static_cast<std::ptrdiff_t>(at));
}

bool Complete(std::span<const std::uint8_t> image, std::size_t size) {
    return image.size() == size;
}

std::vector<std::uint8_t> Copy(std::span<const std::uint8_t> image) {
    return std::vector<std::uint8_t>(image.begin(), image.end());
}

}  // namespace

BootImages PlaceholderBootImages() {
    BootImages images;
    images.uKernel = Placeholder(kUKernelSize, "UKERNEL");
    PutRecord(images.uKernel, 0x40, kDeviceRecord7144);
    PutRecord(images.uKernel, 0x50, kDeviceRecord7145);
    images.mainKernel = Placeholder(kMainKernelSize, "MAIN KERNEL");
    images.erasingProcedure = Placeholder(kErasingProcedureSize, "ERASING PROCEDURE");
    images.writingProcedure = Placeholder(kWritingProcedureSize, "WRITING PROCEDURE");
    images.placeholders = true;
    return images;
}

const BootImages& SuppliedBootImages() {
    static const BootImages images = [] {
        using namespace boot_image_data;
        if (Complete(kSuppliedUKernel, kUKernelSize) &&
            Complete(kSuppliedMainKernel, kMainKernelSize) &&
            Complete(kSuppliedErasingProcedure, kErasingProcedureSize) &&
            Complete(kSuppliedWritingProcedure, kWritingProcedureSize)) {
            BootImages supplied;
            supplied.uKernel = Copy(kSuppliedUKernel);
            supplied.mainKernel = Copy(kSuppliedMainKernel);
            supplied.erasingProcedure = Copy(kSuppliedErasingProcedure);
            supplied.writingProcedure = Copy(kSuppliedWritingProcedure);
            supplied.placeholders = false;
            return supplied;
        }
        return PlaceholderBootImages();
    }();
    return images;
}

std::uint8_t ProcedureChecksum(std::span<const std::uint8_t> image) {
    const auto size = static_cast<std::uint32_t>(image.size());
    unsigned sum = (size >> 24) + (size >> 16 & 0xFF) + (size >> 8 & 0xFF) + (size & 0xFF);
    for (const std::uint8_t byte : image) {
        sum += byte;
    }
    return static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
}

}  // namespace skelvane
