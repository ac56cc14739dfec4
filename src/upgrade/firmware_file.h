#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace skelvane {

// A firmware image file read whole, at most `maxSize` bytes of it (a longer file is reported,
// not read).
struct FirmwareFile {
    enum class Status { Ok, CannotOpen, Empty, TooLarge };
    Status status = Status::CannotOpen;
    std::vector<std::uint8_t> bytes;
};

FirmwareFile ReadFirmwareFile(const std::string& path, std::size_t maxSize);

// Whether the file opens for reading (the dialogs' test-open after a file was chosen).
bool CanReadFile(const std::string& path);

}  // namespace skelvane
