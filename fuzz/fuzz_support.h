// What the fuzz targets share: checks that end the run, exactly-sized copies of the bytes under
// test, the input cut into pieces, a parameter list with every way a number travels, a device
// link that is never opened, a prompter that answers everything, and a folder for files.
#pragma once

#include <unistd.h>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <span>
#include <string>
#include <system_error>
#include <vector>

#include "base/clock.h"
#include "base/format.h"
#include "base/log_pane.h"
#include "base/prompter.h"
#include "document/parameter.h"
#include "link/device_link.h"
#include "link/port_factory.h"

namespace skelvane::fuzz {

// A property that does not hold ends the run with a report.
inline void Check(bool condition, const char* file = __builtin_FILE(),
                  int line = __builtin_LINE()) {
    if (!condition) {
        std::fprintf(stderr, "property failed: %s:%d\n", file, line);
        std::abort();
    }
}

// A copy of some bytes in a heap block of exactly their size: AddressSanitizer reports a
// parser that reads even one byte past the end of what it was given.
class HeapCopy {
  public:
    explicit HeapCopy(std::span<const std::uint8_t> bytes)
        : size_(bytes.size()), data_(new std::uint8_t[bytes.size()]) {
        std::copy(bytes.begin(), bytes.end(), data_.get());
    }
    const std::uint8_t* data() const { return data_.get(); }
    std::size_t size() const { return size_; }
    std::span<const std::uint8_t> span() const { return {data_.get(), size_}; }

  private:
    std::size_t size_;
    std::unique_ptr<std::uint8_t[]> data_;
};

// The input as a sequence of pieces, each a length byte and that many bytes (the last one cut
// short by the end of the input).
class Pieces {
  public:
    Pieces(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool Done() const { return at_ >= size_; }
    std::span<const std::uint8_t> Next() {
        const std::size_t length = data_[at_++];
        const std::size_t taken = std::min(length, size_ - at_);
        const std::span<const std::uint8_t> piece(data_ + at_, taken);
        at_ += taken;
        return piece;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// A device link for the reply parsers that take one: never opened, on a clock of its own.
struct OfflineLink {
    VirtualClock clock;
    LogPane log;
    PortFactory ports;
    DeviceLink link{clock, log, ports, ""};
};

// Answers every message with Ok and every choice with what was selected, counting the messages.
class SilentPrompter final : public Prompter {
  public:
    Answer Message(std::string_view, std::string_view, MessageIcon, MessageButtons) override {
        ++messages;
        return Answer::Ok;
    }
    std::optional<std::size_t> Choose(std::string_view, const std::vector<std::string>&,
                                      std::size_t selected) override {
        return selected;
    }
    int messages = 0;
};

// A folder of this process for the files of one input, removed when the process ends (the
// path is never destroyed, so the exit handler can still use it).
inline const std::filesystem::path& ScratchDir() {
    namespace fs = std::filesystem;
    static const fs::path* dir = [] {
        const fs::path base =
            fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        auto* d = new fs::path(base / ("skelvane-fuzz-" + std::to_string(::getpid())));
        fs::create_directories(*d);
        std::atexit([] {
            std::error_code error;
            fs::remove_all(ScratchDir(), error);
        });
        return d;
    }();
    return *dir;
}

inline void WriteAll(const std::filesystem::path& path, const std::uint8_t* data,
                     std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

inline std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline Parameter Number(std::string name, std::uint8_t type, std::vector<std::uint8_t> ids) {
    Parameter parameter;
    parameter.type = type;
    parameter.name = std::move(name);
    parameter.vectors = std::move(ids);
    return parameter;
}

inline Parameter Text(std::string name) {
    Parameter parameter;
    parameter.type = kTextParameterType;
    parameter.name = std::move(name);
    return parameter;
}

// Numbers of 1, 2 and 4 bytes, one with fewer register ids than bytes and one with more, the
// link rate and country registers, the text values the replies fill, and the sixteen
// restriction entries (one named in other letter case). No register id is used twice: a unit
// reporting one register for two numbers is outside what a pack and a read can agree on.
inline std::vector<Parameter> ReplyParameters() {
    std::vector<Parameter> parameters = {
        Number("LinkRate", 1, {0x0E}),
        Number("CountryCode", 1, {0x59}),
        Number("NetworkId", 2, {0x10, 0x11}),
        Number("Frequency", 3, {0x20, 0x21, 0x22, 0x23}),
        Number("HalfKnown", 2, {0x30}),
        Number("Overlong", 1, {0x40, 0x41}),
        Number("NoRegisters", 3, {}),
        Text("VersionNo"),
        Text("serialno"),
        Text("DataMask"),
        Text("RepeaterRegistration"),
    };
    for (int entry = 1; entry <= 16; ++entry) {
        parameters.push_back(
            Text(Format(entry == 7 ? "frequencyrestriction%d" : "FrequencyRestriction%d", entry)));
    }
    return parameters;
}

}  // namespace skelvane::fuzz
