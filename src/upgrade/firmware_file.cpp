#include "upgrade/firmware_file.h"

#include <cstdio>
#include <filesystem>
#include <memory>

#include "base/format.h"

namespace skelvane {
namespace {

bool IsRegularFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

}  // namespace

FirmwareFile ReadFirmwareFile(const std::string& path, std::size_t maxSize) {
    FirmwareFile result;
    std::error_code error;
    if (path.empty() || !std::filesystem::exists(path, error)) {
        return result;
    }
    if (!IsRegularFile(path)) {
        result.status = FirmwareFile::Status::NotRegular;
        return result;
    }
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                               &std::fclose);
    if (file == nullptr) {
        return result;
    }
    // One byte more than allowed tells a file that is too long without reading all of it.
    result.bytes.resize(maxSize + 1);
    const std::size_t got = std::fread(result.bytes.data(), 1, result.bytes.size(), file.get());
    if (std::ferror(file.get()) != 0) {
        result.bytes.clear();
        return result;
    }
    result.bytes.resize(got);
    if (got > maxSize) {
        result.status = FirmwareFile::Status::TooLarge;
        result.bytes.clear();
    } else if (got == 0) {
        result.status = FirmwareFile::Status::Empty;
    } else {
        result.status = FirmwareFile::Status::Ok;
    }
    return result;
}

std::string FirmwareFileRefusal(const FirmwareFile& file, const std::string& path,
                                std::size_t maxSize) {
    switch (file.status) {
        case FirmwareFile::Status::Ok:
            return {};
        case FirmwareFile::Status::CannotOpen:
            return "Couldn't access file ";
        case FirmwareFile::Status::NotRegular:
            return "The file " + path +
                   " is not a regular file (a folder, a device or a pipe): nothing is sent.";
        case FirmwareFile::Status::Empty:
            return "The file " + path + " is empty: nothing is sent.";
        case FirmwareFile::Status::TooLarge:
            return Format(
                "The file %s is larger than the unit's flash of %lu bytes: nothing is "
                "sent.",
                path.c_str(), static_cast<unsigned long>(maxSize));
    }
    return {};
}

bool CanReadFile(const std::string& path) {
    if (path.empty() || !IsRegularFile(path)) {
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    std::fclose(file);
    return true;
}

}  // namespace skelvane
