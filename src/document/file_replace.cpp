#include "document/file_replace.h"

#include <atomic>
#include <cerrno>
#include <random>
#include <string>
#include <system_error>

#include "base/format.h"

namespace skelvane {
namespace {

namespace fs = std::filesystem;

// The system's reason for the last failed call, or `fallback` when it left none.
std::string SystemReason(const char* fallback) {
    const int code = errno;
    return code != 0 ? std::generic_category().message(code) : std::string(fallback);
}

// Why the file at `target` may not be replaced; empty when it may. A symbolic link is
// followed: `resolved` becomes the file it names, so that the link keeps pointing at the
// saved file instead of being replaced by it.
std::string CheckTarget(const fs::path& target, fs::path& resolved) {
    std::error_code error;
    resolved = target;
    if (fs::is_symlink(fs::symlink_status(target, error))) {
        resolved = fs::weakly_canonical(target, error);
        if (error || !fs::exists(resolved, error)) {
            return "a link to a file that does not exist";
        }
    }
    const fs::file_status status = fs::status(resolved, error);
    if (status.type() == fs::file_type::not_found) {
        return {};
    }
    if (error) {
        return error.message();
    }
    if (!fs::is_regular_file(status)) {
        return fs::is_directory(status) ? "a folder" : "not a regular file";
    }
    constexpr fs::perms kWrite =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    if ((status.permissions() & kWrite) == fs::perms::none) {
        return "read-only";
    }
    return {};
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

bool ReplaceFile(const fs::path& target, const std::function<bool(std::FILE*)>& write,
                 std::string* why) {
    std::string reason;
    const bool ok = [&] {
        if (target.empty() || !target.has_filename()) {
            reason = "no file name";
            return false;
        }
        fs::path resolved;
        reason = CheckTarget(target, resolved);
        if (!reason.empty()) {
            return false;
        }

        fs::path temporary;
        std::FILE* file = nullptr;
        for (unsigned attempt = 0; attempt < 16 && file == nullptr; ++attempt) {
            temporary = TemporaryName(resolved, attempt);
            errno = 0;
            file = file_replace_detail::CreateNewFile(temporary);
            if (file == nullptr && errno != EEXIST) {
                break;
            }
        }
        if (file == nullptr) {
            reason = SystemReason("the file could not be created");
            return false;
        }

        errno = 0;
        bool written = write(file);
        written = file_replace_detail::FlushToDisk(file) && written;
        if (!written) {
            reason = SystemReason("the file could not be written");
        }
        if (std::fclose(file) != 0 && written) {
            written = false;
            reason = SystemReason("the file could not be written");
        }

        std::error_code error;
        if (written) {
            const fs::file_status existing = fs::status(resolved, error);
            if (!error && fs::is_regular_file(existing)) {
                fs::permissions(temporary, existing.permissions(), error);  // best effort
            }
            error.clear();
            fs::rename(temporary, resolved, error);
            if (error) {
                written = false;
                reason = error.message();
            }
        }
        if (!written) {
            fs::remove(temporary, error);
        }
        return written;
    }();
    if (why != nullptr) {
        *why = ok ? std::string() : reason;
    }
    return ok;
}

}  // namespace skelvane
