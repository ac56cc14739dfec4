#include "document/file_replace.h"

#include <atomic>
#include <random>
#include <string>
#include <system_error>

#include "base/format.h"

namespace skelvane {
namespace {

namespace fs = std::filesystem;

// The file a save really replaces: a symbolic link is followed so that it keeps pointing at
// the saved file instead of being replaced by it.
fs::path ResolveTarget(const fs::path& target) {
    std::error_code error;
    if (fs::is_symlink(fs::symlink_status(target, error))) {
        fs::path resolved = fs::canonical(target, error);
        if (!error) {
            return resolved;
        }
    }
    return target;
}

fs::path TemporaryName(const fs::path& target, unsigned attempt) {
    static std::atomic<unsigned> counter{0};
    static const unsigned seed = std::random_device{}();
    const std::string suffix = Format(".%08x%04x%02x.tmp", seed, counter++ & 0xFFFFu, attempt);
    fs::path name = target.filename();
    name += suffix;
    return target.parent_path() / (fs::path(".") += name);
}

}  // namespace

bool ReplaceFile(const fs::path& target, const std::function<bool(std::FILE*)>& write) {
    if (target.empty() || !target.has_filename()) {
        return false;
    }
    const fs::path resolved = ResolveTarget(target);

    fs::path temporary;
    std::FILE* file = nullptr;
    for (unsigned attempt = 0; attempt < 16 && file == nullptr; ++attempt) {
        temporary = TemporaryName(resolved, attempt);
        file = file_replace_detail::CreateNewFile(temporary);
    }
    if (file == nullptr) {
        return false;
    }

    bool ok = write(file);
    ok = file_replace_detail::FlushToDisk(file) && ok;
    ok = std::fclose(file) == 0 && ok;

    std::error_code error;
    if (ok) {
        const fs::file_status existing = fs::status(resolved, error);
        if (!error && fs::is_regular_file(existing)) {
            fs::permissions(temporary, existing.permissions(), error);  // best effort
        }
        error.clear();
        fs::rename(temporary, resolved, error);
        ok = !error;
    }
    if (!ok) {
        fs::remove(temporary, error);
    }
    return ok;
}

}  // namespace skelvane
