// Arbitrary bytes as a network file: reading must never crash or hang, and whatever was read
// is saved again. Saving, reading and saving once more must give the same bytes as the second
// round trip (each round trip reverses the order of the radios, so two restore it).
#include <unistd.h>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "base/prompter.h"
#include "document/network_file.h"

namespace {

namespace fs = std::filesystem;

class SilentPrompter final : public skelvane::Prompter {
  public:
    skelvane::Answer Message(std::string_view, std::string_view, skelvane::MessageIcon,
                             skelvane::MessageButtons) override {
        return skelvane::Answer::Ok;
    }
    std::optional<std::size_t> Choose(std::string_view, const std::vector<std::string>&,
                                      std::size_t selected) override {
        return selected;
    }
};

// A folder of this process for the files of one input, removed when the process ends (the
// path is never destroyed, so the exit handler can still use it).
const fs::path& WorkDir() {
    static const fs::path* dir = [] {
        const fs::path base =
            fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        auto* d = new fs::path(base / ("skelvane-fuzz-" + std::to_string(::getpid())));
        fs::create_directories(*d);
        return d;
    }();
    static const bool cleanup = std::atexit([] {
                                    std::error_code error;
                                    fs::remove_all(WorkDir(), error);
                                }) == 0;
    (void)cleanup;
    return *dir;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Reads `path` into a fresh document and saves it to `out`; false when the save failed.
bool ReadAndSave(const fs::path& path, const fs::path& out, skelvane::LinkIdCounter& ids,
                 bool mustRead) {
    SilentPrompter prompter;
    skelvane::NetworkFile document(ids);
    const bool read = document.Read(path, prompter);
    if (mustRead && !read) {
        std::abort();  // the program's own file did not read back
    }
    return document.Save(out, prompter);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fs::path input = WorkDir() / "input.xml";
    const fs::path first = WorkDir() / "first.xml";
    const fs::path second = WorkDir() / "second.xml";
    const fs::path third = WorkDir() / "third.xml";
    {
        std::ofstream out(input, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    skelvane::LinkIdCounter ids;
    if (!ReadAndSave(input, first, ids, false)) {
        std::abort();  // a document in memory always saves to a writable folder
    }
    if (!ReadAndSave(first, second, ids, true) || !ReadAndSave(second, third, ids, true)) {
        std::abort();
    }
    if (ReadAll(first) != ReadAll(third)) {
        std::abort();
    }
    return 0;
}
