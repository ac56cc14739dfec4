#pragma once

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "upgrade/crc16.h"

namespace skelvane::bench {

// A whole firmware image (256 KiB, contents differing from block to block) in a temporary
// file of this process, written once; RemoveFirmwareFile deletes it.
inline std::string FirmwareFile() {
    static const std::string path = [] {
        const std::filesystem::path file =
            std::filesystem::temp_directory_path() /
            ("skelvane-bench-fw-" + std::to_string(getpid()) + ".bin");
        std::FILE* out = std::fopen(file.c_str(), "wb");
        for (std::size_t i = 0; i < kImageSize; ++i) {
            std::fputc(static_cast<int>((i * 31 + i / 128) & 0xFF), out);
        }
        std::fclose(out);
        return file.string();
    }();
    return path;
}

inline void RemoveFirmwareFile() {
    std::error_code error;
    std::filesystem::remove(FirmwareFile(), error);
}

}  // namespace skelvane::bench
