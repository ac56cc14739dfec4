#include "document/xml_archive.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <system_error>

#include "base/decimal.h"
#include "base/latin1.h"
#include "document/file_replace.h"

namespace skelvane {
namespace {

// Comments and processing instructions are kept as nodes so that the last top-level node can
// be checked; document type declarations are skipped (no entity is ever expanded).
constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_comments | pugi::parse_pi;
constexpr unsigned kFormatOptions = pugi::format_indent | pugi::format_no_declaration;
constexpr char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n";

// Lengths of the attribute texts the typed reads look at.
constexpr std::size_t kNumberTextMax = 20;
constexpr std::size_t kStringMax = 1023;

bool IsPlainAscii(std::string_view text) {
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x80) {
            return false;
        }
    }
    return true;
}

// Characters XML 1.0 can hold in an attribute: no C0 control but tab, line feed, carriage
// return (the serializer writes those three as character references).
bool IsXmlChar(unsigned char c) {
    return c >= 0x20 || c == '\t' || c == '\n' || c == '\r';
}

bool NeedsConversion(std::string_view latin1) {
    for (const char ch : latin1) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x80 || !IsXmlChar(c)) {
            return true;
        }
    }
    return false;
}

std::string ToXmlUtf8(std::string_view latin1) {
    std::string cleaned(latin1);
    for (char& ch : cleaned) {
        if (!IsXmlChar(static_cast<unsigned char>(ch))) {
            ch = '?';
        }
    }
    return Latin1ToUtf8(cleaned);
}

class StringWriter final : public pugi::xml_writer {
  public:
    explicit StringWriter(std::string& out) : out_(out) {}
    void write(const void* data, size_t size) override {
        out_.append(static_cast<const char*>(data), size);
    }

  private:
    std::string& out_;
};

class FileWriter final : public pugi::xml_writer {
  public:
    explicit FileWriter(std::FILE* file) : file_(file) {}
    void write(const void* data, size_t size) override {
        if (ok_ && std::fwrite(data, 1, size, file_) != size) {
            ok_ = false;
        }
    }
    bool ok() const { return ok_; }

  private:
    std::FILE* file_;
    bool ok_ = true;
};

}  // namespace

bool XmlArchive::Open(const std::filesystem::path& path, const char* rootName, std::string* why) {
    Close();
    std::string reason;
    const bool ok = [&] {
        std::error_code error;
        const auto status = std::filesystem::status(path, error);
        if (error) {
            reason = error.message();
            return false;
        }
        if (!std::filesystem::is_regular_file(status)) {
            reason = std::filesystem::is_directory(status) ? "a folder" : "not a regular file";
            return false;
        }
        const std::uintmax_t size = std::filesystem::file_size(path, error);
        if (error) {
            reason = error.message();
            return false;
        }
        if (size > kMaxFileSize) {
            reason = "too large";
            return false;
        }
        reason = "not a network file";
        if (size == 0) {
            return false;
        }
        errno = 0;
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            reason = errno != 0 ? std::generic_category().message(errno) : "cannot be read";
            return false;
        }
        // Read straight into a buffer the DOM takes over, so a large file is not copied again.
        auto* buffer = static_cast<char*>(pugi::get_memory_allocation_function()(size));
        if (buffer == nullptr) {
            reason = "too large";
            return false;
        }
        in.read(buffer, static_cast<std::streamsize>(size));
        if (static_cast<std::uintmax_t>(in.gcount()) != size) {
            pugi::get_memory_deallocation_function()(buffer);
            reason = "cannot be read";
            return false;
        }
        const pugi::xml_parse_result result =
            document_.load_buffer_inplace_own(buffer, size, kParseOptions, pugi::encoding_auto);
        return result && Loaded(rootName);
    }();
    if (why != nullptr) {
        *why = ok ? std::string() : reason;
    }
    return ok;
}

bool XmlArchive::OpenBuffer(std::string_view bytes, const char* rootName) {
    Close();
    if (bytes.empty() || bytes.size() > kMaxFileSize) {
        return false;
    }
    const pugi::xml_parse_result result =
        document_.load_buffer(bytes.data(), bytes.size(), kParseOptions, pugi::encoding_auto);
    return result && Loaded(rootName);
}

bool XmlArchive::Loaded(const char* rootName) {
    int elements = 0;
    for (pugi::xml_node node = document_.first_child(); node; node = node.next_sibling()) {
        if (node.type() == pugi::node_element) {
            ++elements;
        }
    }
    const pugi::xml_node last = document_.last_child();
    if (elements != 1 || last.type() != pugi::node_element ||
        std::strcmp(last.name(), rootName) != 0) {
        Close();
        return false;
    }
    current_ = last;
    return true;
}

bool XmlArchive::Create(const char* rootName) {
    Close();
    current_ = document_.append_child(rootName);
    return static_cast<bool>(current_);
}

std::string XmlArchive::SaveToString() const {
    std::string out = kDeclaration;
    StringWriter writer(out);
    document_.save(writer, "\t", kFormatOptions, pugi::encoding_latin1);
    return out;
}

bool XmlArchive::Save(const std::filesystem::path& path, std::string* why) const {
    if (!document_.first_child()) {
        if (why != nullptr) {
            *why = "nothing to save";
        }
        return false;
    }
    return ReplaceFile(
        path,
        [this](std::FILE* file) {
            FileWriter writer(file);
            writer.write(kDeclaration, sizeof kDeclaration - 1);
            document_.save(writer, "\t", kFormatOptions, pugi::encoding_latin1);
            return writer.ok();
        },
        why);
}

void XmlArchive::Close() {
    document_.reset();
    current_ = pugi::xml_node();
    levels_.clear();
    depth_ = 0;
}

bool XmlArchive::Enter(const char* name) {
    if (!current_) {
        return false;
    }
    const auto depth = static_cast<std::size_t>(depth_);
    // Right after leaving an element (or after a failed attempt at this level) the level
    // above the depth is kept: entering the same name again goes on with the next sibling.
    if (levels_.size() == depth + 1 && levels_.back().name == name) {
        Level& level = levels_.back();
        if (level.element) {
            level.element = level.element.next_sibling(name);
        }
        if (!level.element) {
            return false;
        }
        current_ = level.element;
        ++depth_;
        return true;
    }
    levels_.resize(depth);
    const pugi::xml_node first = current_.child(name);
    levels_.push_back(Level{name, first});
    if (!first) {
        return false;
    }
    current_ = first;
    ++depth_;
    return true;
}

bool XmlArchive::Leave() {
    if (!current_ || depth_ == 0) {
        return false;
    }
    current_ = current_.parent();
    levels_.resize(static_cast<std::size_t>(depth_));
    --depth_;
    return true;
}

const char* XmlArchive::AttributeText(const char* name, std::size_t maxLength,
                                      std::string& scratch) const {
    if (!current_) {
        return nullptr;
    }
    const pugi::xml_attribute attribute = current_.attribute(name);
    if (!attribute) {
        return nullptr;
    }
    const char* value = attribute.value();
    if (std::strlen(value) <= maxLength) {
        return value;
    }
    scratch.assign(value, maxLength);
    return scratch.c_str();
}

bool XmlArchive::ReadUint8(const char* name, std::uint8_t& target) const {
    std::string scratch;
    const char* text = AttributeText(name, kNumberTextMax, scratch);
    target = text != nullptr ? ParseUint8(text) : 0;
    return text != nullptr;
}

bool XmlArchive::ReadUint32(const char* name, std::uint32_t& target) const {
    std::string scratch;
    const char* text = AttributeText(name, kNumberTextMax, scratch);
    target = text != nullptr ? ParseUint32(text) : 0;
    return text != nullptr;
}

bool XmlArchive::ReadInt32(const char* name, std::int32_t& target) const {
    std::string scratch;
    const char* text = AttributeText(name, kNumberTextMax, scratch);
    target = text != nullptr ? ParseInt32(text) : 0;
    return text != nullptr;
}

bool XmlArchive::ReadString(const char* name, std::string& target) const {
    return ReadText(name, target, kStringMax);
}

bool XmlArchive::ReadText(const char* name, std::string& target, std::size_t maxLength) const {
    target.clear();
    if (!current_) {
        return false;
    }
    const pugi::xml_attribute attribute = current_.attribute(name);
    if (!attribute) {
        return false;
    }
    const std::string_view utf8 = attribute.value();
    if (IsPlainAscii(utf8)) {
        target.assign(utf8.substr(0, maxLength));
    } else {
        target = Utf8ToLatin1(utf8);
        if (target.size() > maxLength) {
            target.resize(maxLength);
        }
    }
    return true;
}

bool XmlArchive::AddChild(const char* name) {
    if (!current_) {
        return false;
    }
    const pugi::xml_node child = current_.append_child(name);
    if (!child) {
        return false;
    }
    levels_.resize(static_cast<std::size_t>(depth_));
    levels_.push_back(Level{name, child});
    current_ = child;
    ++depth_;
    return true;
}

bool XmlArchive::WriteUint8(const char* name, std::uint8_t value) {
    return WriteUint32(name, value);
}

bool XmlArchive::WriteUint32(const char* name, std::uint32_t value) {
    char text[16];
    const auto result = std::to_chars(text, text + sizeof text - 1, value);
    *result.ptr = '\0';
    return WriteText(name, text);
}

bool XmlArchive::WriteInt32(const char* name, std::int32_t value) {
    char text[16];
    const auto result = std::to_chars(text, text + sizeof text - 1, value);
    *result.ptr = '\0';
    return WriteText(name, text);
}

bool XmlArchive::WriteText(const char* name, std::string_view latin1) {
    if (!current_ || current_.type() != pugi::node_element) {
        return false;
    }
    pugi::xml_attribute attribute = current_.attribute(name);
    if (!attribute) {
        attribute = current_.append_attribute(name);
        if (!attribute) {
            return false;
        }
    }
    if (!NeedsConversion(latin1)) {
        return attribute.set_value(latin1.data(), latin1.size());
    }
    const std::string utf8 = ToXmlUtf8(latin1);
    return attribute.set_value(utf8.data(), utf8.size());
}

}  // namespace skelvane
