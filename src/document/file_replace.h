#pragma once

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

namespace skelvane {

// Writes a file so that it is either replaced completely or left exactly as it was: `write`
// fills a new temporary file in the target's folder, which is flushed to disk and then renamed
// over the target. When `write` returns false or any step fails, the temporary file is removed
// and the result is false. A symbolic link as target is followed (the file it names is
// replaced, the link stays). An existing target's permissions carry over to the new file.
// Only a regular file is ever replaced: a device, pipe, socket or folder at the target, a
// link that leads nowhere and a read-only file are refused before anything is written.
// On failure `why` (when given) gets the cause, e.g. "not a regular file" or the system's
// reason ("No space left on device").
bool ReplaceFile(const std::filesystem::path& target, const std::function<bool(std::FILE*)>& write,
                 std::string* why = nullptr);

// Platform parts (file_replace_posix.cpp, file_replace_win32.cpp).
namespace file_replace_detail {
// Creates a file that must not exist yet, for writing in binary; nullptr on failure.
std::FILE* CreateNewFile(const std::filesystem::path& path);
// Flushes the stream and the system's buffers to the disk.
bool FlushToDisk(std::FILE* file);
}  // namespace file_replace_detail

}  // namespace skelvane
