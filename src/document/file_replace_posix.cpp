#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "document/file_replace.h"

namespace skelvane::file_replace_detail {

std::FILE* CreateNewFile(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "wb");
    if (file == nullptr) {
        ::close(fd);
        ::unlink(path.c_str());
    }
    return file;
}

bool FlushToDisk(std::FILE* file) {
    if (std::fflush(file) != 0 || std::ferror(file) != 0) {
        return false;
    }
    return ::fsync(::fileno(file)) == 0;
}

}  // namespace skelvane::file_replace_detail
