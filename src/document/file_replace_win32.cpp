#include <io.h>
#include <stdio.h>

#include "document/file_replace.h"

namespace skelvane::file_replace_detail {

std::FILE* CreateNewFile(const std::filesystem::path& path) {
    // "x": fail when the file exists, so an unrelated file is never taken over.
    return ::_wfopen(path.c_str(), L"wbx");
}

bool FlushToDisk(std::FILE* file) {
    if (std::fflush(file) != 0 || std::ferror(file) != 0) {
        return false;
    }
    return ::_commit(::_fileno(file)) == 0;
}

}  // namespace skelvane::file_replace_detail
