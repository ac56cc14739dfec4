#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace skelvane {

// A firmware image file read whole, at most `maxSize` bytes of it (a longer file is reported,
// not read). Only a regular file (or a link to one) is opened: a pipe or a device could keep
// a read waiting for ever, and a folder holds no image.
struct FirmwareFile {
    enum class Status { Ok, CannotOpen, NotRegular, Empty, TooLarge };
    Status status = Status::CannotOpen;
    std::vector<std::uint8_t> bytes;
};

FirmwareFile ReadFirmwareFile(const std::string& path, std::size_t maxSize);

// What a run logs about a file it will not send (empty for Ok). CannotOpen gives the text
// the path is appended to.
std::string FirmwareFileRefusal(const FirmwareFile& file, const std::string& path,
                                std::size_t maxSize);

// Whether the file is a regular file that opens for reading (the dialogs' test-open after a
// file was chosen).
bool CanReadFile(const std::string& path);

}  // namespace skelvane
