#include <unistd.h>

#include <array>

#include "document/program_path.h"

namespace skelvane {

std::filesystem::path ProgramDirectory() {
    std::array<char, 4096> buffer{};
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    // A full buffer may hold a cut path: better no folder than a wrong one.
    if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) {
        return {};
    }
    return std::filesystem::path(std::string(buffer.data(), static_cast<std::size_t>(length)))
        .parent_path();
}

}  // namespace skelvane
