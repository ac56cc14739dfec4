#pragma once

#include <cstdio>
#include <filesystem>
#include <functional>

namespace skelvane {

// Writes a file so that it is either replaced completely or left exactly as it was: `write`
// fills a new temporary file in the target's folder, which is flushed to disk and then renamed
// over the target. When `write` returns false or any step fails, the temporary file is removed
// and the result is false. A symbolic link as target is followed (the file it names is
// replaced, the link stays). An existing target's permissions carry over to the new file.
bool ReplaceFile(const std::filesystem::path& target, const std::function<bool(std::FILE*)>& write);

// Platform parts (file_replace_posix.cpp, file_replace_win32.cpp).
namespace file_replace_detail {
// Creates a file that must not exist yet, for writing in binary; nullptr on failure.
std::FILE* CreateNewFile(const std::filesystem::path& path);
// Flushes the stream and the system's buffers to the disk.
bool FlushToDisk(std::FILE* file);
}  // namespace file_replace_detail

}  // namespace skelvane
