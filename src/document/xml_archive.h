#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

namespace skelvane {

// Walks an XML document element by element like a cursor and reads or writes attributes by
// type. Text crosses the archive as Latin-1; inside, the DOM holds UTF-8 (a character a file
// holds outside Latin-1 reads as '?'). Nothing here throws: every operation reports false.
//
// Reading: Enter(name) steps into the first child element of that name; Leave() steps back
// out, and calling Enter with the same name again then visits the next sibling of that name.
class XmlArchive {
  public:
    // Files above this size are refused instead of being loaded into memory.
    static constexpr std::uintmax_t kMaxFileSize = 256u << 20;

    XmlArchive() = default;
    XmlArchive(const XmlArchive&) = delete;
    XmlArchive& operator=(const XmlArchive&) = delete;

    // Loads a file. Succeeds only when it is well-formed, holds exactly one top-level element,
    // and its last top-level node is that element named `rootName` (case-sensitive); the
    // cursor is then in it at depth 0. Nothing outside the file is ever fetched: document type
    // declarations are skipped and unknown entities stay as they are.
    // On failure `why` (when given) gets the cause: the system's reason, "not a network file"
    // or "too large".
    bool Open(const std::filesystem::path& path, const char* rootName, std::string* why = nullptr);
    // The same for bytes already in memory.
    bool OpenBuffer(std::string_view bytes, const char* rootName);

    // Starts an empty document with the declaration for ISO-8859-1 and the root element, and
    // puts the cursor in the root.
    bool Create(const char* rootName);
    // Saves the document in ISO-8859-1. The file is written under a temporary name in the
    // target's folder and renamed over the target only when it was written completely, so a
    // failed save leaves an existing file as it was.
    // On failure `why` (when given) gets the cause.
    bool Save(const std::filesystem::path& path, std::string* why = nullptr) const;
    // The bytes Save would write.
    std::string SaveToString() const;
    void Close();

    // Cursor (read).
    bool Enter(const char* name);
    bool Leave();
    int Depth() const { return depth_; }

    // Typed reads of an attribute of the current element. A missing attribute (or no current
    // element) sets the target to its empty value and gives false.
    // Numbers follow the C rules (blanks, sign, digits up to the first non-digit) and are cut
    // to the width of the target.
    bool ReadUint8(const char* name, std::uint8_t& target) const;
    bool ReadUint32(const char* name, std::uint32_t& target) const;
    bool ReadInt32(const char* name, std::int32_t& target) const;
    bool ReadString(const char* name, std::string& target) const;  // at most 1023 characters
    bool ReadText(const char* name, std::string& target, std::size_t maxLength) const;

    // Writing: AddChild appends an element to the current one and enters it; Leave steps out.
    bool AddChild(const char* name);
    bool WriteUint8(const char* name, std::uint8_t value);
    bool WriteUint32(const char* name, std::uint32_t value);
    bool WriteInt32(const char* name, std::int32_t value);
    // Sets the attribute (an existing one of that name is replaced). Characters that XML
    // cannot hold (control characters other than tab, line feed and carriage return) are
    // written as '?'.
    bool WriteText(const char* name, std::string_view latin1);

  private:
    // One level of the cursor: the element name entered at that level and the element of
    // that name currently visited (empty once the list is exhausted).
    struct Level {
        std::string name;
        pugi::xml_node element;
    };

    bool Loaded(const char* rootName);
    const char* AttributeText(const char* name, std::size_t maxLength, std::string& scratch) const;

    pugi::xml_document document_;
    pugi::xml_node current_;
    std::vector<Level> levels_;
    int depth_ = 0;
};

}  // namespace skelvane
