#include "upgrade/firmware_file.h"

#include <cstdio>
#include <filesystem>
#include <memory>

namespace skelvane {

FirmwareFile ReadFirmwareFile(const std::string& path, std::size_t maxSize) {
    FirmwareFile result;
    if (path.empty()) {
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
        return result;  // a directory, or a read error
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

bool CanReadFile(const std::string& path) {
    std::error_code error;
    if (path.empty() || std::filesystem::is_directory(path, error)) {
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
