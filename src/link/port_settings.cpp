#include "link/port_settings.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

#include "base/format.h"
#include "base/latin1.h"
#include "document/file_replace.h"
#include "link/port_names.h"

namespace skelvane {
namespace {

constexpr std::string_view kSection = "SerialPort";
// Settings files are a few hundred bytes; anything much bigger is not ours.
constexpr std::uintmax_t kMaxIniBytes = 256 * 1024;
// No selector text comes near this; a longer stored value is cut.
constexpr std::size_t kMaxValueBytes = 255;

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

// A stored value is one line of printable text, without the blanks around it that reading
// it back would drop.
std::string CleanValue(std::string_view text) {
    std::string clean;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            clean.push_back(c);
        }
    }
    return std::string(Trim(CutText(clean, kMaxValueBytes)));
}

// A port name as it is stored: a clean value without the marker of an in-use entry (which
// blanks or a second marker may have hidden).
std::string CleanPortName(std::string_view name) {
    std::string clean = CleanValue(name);
    for (std::string next; (next = CleanValue(StripInUseSuffix(clean))) != clean;) {
        clean = std::move(next);
    }
    return clean;
}

// Reads the file as lines. nullopt when it exists but cannot be read whole; an empty list
// when it does not exist.
std::optional<std::vector<std::string>> ReadLines(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        return error ? std::nullopt : std::optional<std::vector<std::string>>(std::in_place);
    }
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > kMaxIniBytes) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    if (in.bad()) {
        return std::nullopt;
    }
    return lines;
}

// The section a line opens, if it is a section header.
std::optional<std::string_view> SectionOf(std::string_view line) {
    line = Trim(line);
    if (line.size() >= 2 && line.front() == '[') {
        const std::size_t close = line.find(']');
        if (close != std::string_view::npos) {
            return Trim(line.substr(1, close - 1));
        }
    }
    return std::nullopt;
}

// The key of a "key=value" line, and its value.
std::optional<std::pair<std::string_view, std::string_view>> EntryOf(std::string_view line) {
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#') {
        return std::nullopt;
    }
    const std::size_t equals = trimmed.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    return std::make_pair(Trim(trimmed.substr(0, equals)), Trim(trimmed.substr(equals + 1)));
}

bool IsOurSection(std::string_view name) {
    return EqualsNoCase(std::string(name), std::string(kSection));
}

}  // namespace

std::vector<std::string> BaudRateTexts() {
    std::vector<std::string> texts;
    for (const std::uint32_t rate : kBaudRates) {
        texts.push_back(Format("%ld", static_cast<long>(rate)));
    }
    return texts;
}

PortSettings LoadPortSettings(SettingsStore& store, const std::string& defaultPortName) {
    PortSettings settings;
    settings.portName = defaultPortName;
    std::string* fields[] = {&settings.portName, &settings.baudRate, &settings.dataFormat,
                             &settings.flowControl};
    for (std::size_t i = 0; i < kPortSettingNames.size(); ++i) {
        if (std::optional<std::string> value = store.ReadValue(kPortSettingNames[i])) {
            *fields[i] = CleanValue(*value);
        }
    }
    // Stored with the marker of an in-use entry, every later open of the port would fail.
    settings.portName = CleanPortName(settings.portName);
    return settings;
}

bool SavePortSettings(SettingsStore& store, const PortSettings& settings) {
    return store.WriteValues({{"PortName", CleanPortName(settings.portName)},
                              {"BaudRate", CleanValue(settings.baudRate)},
                              {"DataFormat", CleanValue(settings.dataFormat)},
                              {"FlowControl", CleanValue(settings.flowControl)}});
}

PortSettings LoadPortSettings() {
    std::unique_ptr<SettingsStore> store = OpenPlatformSettingsStore();
    if (store == nullptr) {
        MemorySettingsStore empty;
        return LoadPortSettings(empty, PlatformDefaultPortName());
    }
    // The default is looked for only when it is needed: discovery probes devices.
    if (store->ReadValue("PortName").has_value()) {
        return LoadPortSettings(*store, std::string());
    }
    return LoadPortSettings(*store, PlatformDefaultPortName());
}

bool SavePortSettings(const PortSettings& settings) {
    std::unique_ptr<SettingsStore> store = OpenPlatformSettingsStore();
    return store != nullptr && SavePortSettings(*store, settings);
}

std::filesystem::path SettingsFilePathFor(const char* xdgConfigHome, const char* home) {
    std::filesystem::path base;
    if (xdgConfigHome != nullptr && *xdgConfigHome != '\0' &&
        std::filesystem::path(xdgConfigHome).is_absolute()) {
        base = xdgConfigHome;
    } else if (home != nullptr && *home != '\0') {
        base = std::filesystem::path(home) / ".config";
    } else {
        return {};
    }
    return base / "Corvantis" / "Skelvane.conf";
}

std::filesystem::path SettingsFilePath() {
    return SettingsFilePathFor(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

IniSettingsStore::IniSettingsStore(std::filesystem::path path) : path_(std::move(path)) {}

std::optional<std::string> IniSettingsStore::ReadValue(std::string_view name) {
    const std::optional<std::vector<std::string>> lines = ReadLines(path_);
    if (!lines) {
        return std::nullopt;
    }
    bool inSection = false;
    for (const std::string& line : *lines) {
        if (const auto section = SectionOf(line)) {
            inSection = IsOurSection(*section);
            continue;
        }
        if (!inSection) {
            continue;
        }
        if (const auto entry = EntryOf(line)) {
            if (EqualsNoCase(std::string(entry->first), std::string(name))) {
                return std::string(entry->second);
            }
        }
    }
    return std::nullopt;
}

bool IniSettingsStore::WriteValues(const std::vector<std::pair<std::string, std::string>>& values) {
    if (path_.empty()) {
        return false;
    }
    std::optional<std::vector<std::string>> read = ReadLines(path_);
    if (!read) {
        return false;  // never replace a file we could not read
    }
    std::vector<std::string> lines = std::move(*read);
    std::vector<bool> written(values.size(), false);

    // Replace the values where they stand, then add the missing ones after the last line of
    // our section (or in a new section at the end of the file).
    bool inSection = false;
    bool haveSection = false;
    std::size_t insertAt = lines.size();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (const auto section = SectionOf(lines[i])) {
            const bool first = !haveSection;
            inSection = IsOurSection(*section);
            if (inSection && first) {
                haveSection = true;
                insertAt = i + 1;
            }
            continue;
        }
        if (!inSection) {
            continue;
        }
        if (const auto entry = EntryOf(lines[i])) {
            for (std::size_t v = 0; v < values.size(); ++v) {
                if (!written[v] && EqualsNoCase(std::string(entry->first), values[v].first)) {
                    // The entry points into the line: once the line is replaced, it must not be
                    // read.
                    lines[i] = values[v].first + "=" + values[v].second;
                    written[v] = true;
                    break;
                }
            }
        }
        if (!Trim(lines[i]).empty() && insertAt <= i + 1) {
            insertAt = i + 1;
        }
    }
    std::vector<std::string> missing;
    for (std::size_t v = 0; v < values.size(); ++v) {
        if (!written[v]) {
            missing.push_back(values[v].first + "=" + values[v].second);
        }
    }
    if (!haveSection) {
        if (!lines.empty() && !Trim(lines.back()).empty()) {
            lines.emplace_back();
        }
        std::string header(1, '[');
        header.append(kSection);
        header.push_back(']');
        lines.push_back(std::move(header));
        lines.insert(lines.end(), missing.begin(), missing.end());
    } else if (!missing.empty()) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), missing.begin(),
                     missing.end());
    }

    // Written through a temporary file and a rename, so a failed write leaves the old file.
    std::error_code error;
    if (path_.has_parent_path()) {
        std::filesystem::create_directories(path_.parent_path(), error);
        if (error) {
            return false;
        }
    }
    return ReplaceFile(path_, [&lines](std::FILE* file) {
        for (const std::string& line : lines) {
            // Written byte for byte: a line of another program may hold a NUL.
            if (std::fwrite(line.data(), 1, line.size(), file) != line.size() ||
                std::fputc('\n', file) == EOF) {
                return false;
            }
        }
        return true;
    });
}

std::optional<std::string> MemorySettingsStore::ReadValue(std::string_view name) {
    const auto found = values.find(name);
    if (found == values.end()) {
        return std::nullopt;
    }
    return found->second;
}

bool MemorySettingsStore::WriteValues(
    const std::vector<std::pair<std::string, std::string>>& newValues) {
    if (failWrites) {
        return false;
    }
    for (const auto& [name, value] : newValues) {
        values[name] = value;
    }
    return true;
}

}  // namespace skelvane
