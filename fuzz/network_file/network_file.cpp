// Arbitrary bytes as a network file: reading must never crash or hang, and whatever was read
// is saved again. Saving, reading and saving once more must give the same bytes as the second
// round trip (each round trip reverses the order of the radios, so two restore it).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>

#include "document/network_file.h"
#include "fuzz_support.h"

namespace {

namespace fs = std::filesystem;
using skelvane::fuzz::ReadAll;
using skelvane::fuzz::ScratchDir;

// Reads `path` into a fresh document and saves it to `out`; false when the save failed.
bool ReadAndSave(const fs::path& path, const fs::path& out, skelvane::LinkIdCounter& ids,
                 bool mustRead) {
    skelvane::fuzz::SilentPrompter prompter;
    skelvane::NetworkFile document(ids);
    const bool read = document.Read(path, prompter);
    if (mustRead && !read) {
        std::abort();  // the program's own file did not read back
    }
    return document.Save(out, prompter);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fs::path input = ScratchDir() / "input.xml";
    const fs::path first = ScratchDir() / "first.xml";
    const fs::path second = ScratchDir() / "second.xml";
    const fs::path third = ScratchDir() / "third.xml";
    skelvane::fuzz::WriteAll(input, data, size);
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
