// Arbitrary bytes as the settings file. Besides the sanitizers it checks that the port
// settings read from it are clean single-line texts, that saving them and reading again gives
// the same settings, that a second save changes no line, and that the lines of the file that
// hold no value are all kept.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "link/port_names.h"
#include "link/port_settings.h"

namespace {

using namespace skelvane;
using fuzz::Check;
using fuzz::ReadAll;
namespace fs = std::filesystem;

// The lines of a text, without the carriage returns that end them (a save writes each line
// without the one that ended it).
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end;
        std::string line = text.substr(at, end - at);
        while (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(std::move(line));
        at = end + 1;
    }
    return lines;
}

bool IsCleanValue(const std::string& text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            return false;
        }
    }
    return text.size() <= 255;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fs::path path = fuzz::ScratchDir() / "settings.conf";
    fuzz::WriteAll(path, data, size);
    IniSettingsStore store(path);
    const PortSettings read = LoadPortSettings(store, "SIM1");
    for (const std::string* value :
         {&read.portName, &read.baudRate, &read.dataFormat, &read.flowControl}) {
        Check(IsCleanValue(*value));
    }
    Check(read.portName == StripInUseSuffix(read.portName));

    const std::vector<std::string> before =
        Lines(std::string(reinterpret_cast<const char*>(data), size));
    Check(SavePortSettings(store, read));
    const std::string saved = ReadAll(path);
    Check(LoadPortSettings(store, "SIM1") == read);
    Check(SavePortSettings(store, read));
    Check(Lines(ReadAll(path)) == Lines(saved));

    // Every line without a value (sections, comments, blank lines) is still there, in order.
    const std::vector<std::string> after = Lines(saved);
    std::size_t at = 0;
    for (const std::string& line : before) {
        if (line.find('=') != std::string::npos) {
            continue;
        }
        while (at < after.size() && after[at] != line) {
            ++at;
        }
        Check(at < after.size());
        ++at;
    }
    return 0;
}
