#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "document/link_id_counter.h"
#include "document/parameter.h"

namespace skelvane {

class XmlArchive;

// Kind codes: also the `type` of a block in the network file and the command ids of the
// "Devices" menu entries.
enum class BlockKind : int {
    Network = 34794,
    Master = 34823,
    Remote = 34824,
    Repeater = 34825,
    Radio = 34826,
};

// One end of a link. An output end's `id` is its own id (unique in the program run); an input
// end's `id` is the id of the output end it is connected to, 0 when it is not connected.
struct LinkEnd {
    std::int32_t id = 0;
    std::string name;

    friend bool operator==(const LinkEnd&, const LinkEnd&) = default;
};

struct BlockPosition {
    std::int32_t x = 0;
    std::int32_t y = 0;

    friend bool operator==(const BlockPosition&, const BlockPosition&) = default;
};

// State shared by the reads of all blocks of one file.
struct BlockReadContext {
    LinkIdCounter& ids;
    int networkDepth = 0;  // Network blocks entered so far
    bool tooDeep = false;  // set once the nesting bound was hit; fails every enclosing read
};

// How deeply Network blocks may nest in a file. The program writes one level (the root and its
// radios); the bound keeps hostile files from exhausting the stack.
inline constexpr int kMaxNetworkDepth = 32;

// A node of the network tree: the root Network block or one radio. A block owns its
// parameters, its link ends and (Network blocks only) its children.
class Block {
  public:
    virtual ~Block();
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;

    // The link ends a new block of this kind starts with, all named "~": output ends take a
    // fresh id, input ends are not connected.
    virtual void CreateDefaultLinks(LinkIdCounter& ids) = 0;
    virtual int KindCode() const = 0;
    virtual int Flags() const = 0;
    // The block's picture in the diagram's image list.
    virtual int ImageIndex() const = 0;
    // Reads the block from the element the archive's cursor is in. False when the file cannot
    // be taken (a Network block with an inner block of unknown kind, or nesting too deep).
    virtual bool Read(XmlArchive& archive, BlockReadContext& context);
    // Writes the block's attributes and child elements into the current element.
    virtual bool Write(XmlArchive& archive) const;

    BlockKind Kind() const { return static_cast<BlockKind>(KindCode()); }
    // The name a new block of this kind gets.
    virtual std::string_view DefaultName() const = 0;

    const std::string& Name() const { return name_; }
    void SetName(std::string_view name);  // cut to 99 characters

    std::int32_t X() const { return position_.x; }
    std::int32_t Y() const { return position_.y; }
    BlockPosition Position() const { return position_; }
    // Stores the new position and returns the old one.
    BlockPosition SetPosition(std::int32_t x, std::int32_t y);

    // Parameters. Lookups take the first parameter whose name matches exactly.
    std::vector<Parameter>& Parameters() { return parameters_; }
    const std::vector<Parameter>& Parameters() const { return parameters_; }
    Parameter* FindParameter(std::string_view name);
    const Parameter* FindParameter(std::string_view name) const;
    void AddParameter(Parameter parameter);
    // `value` of "UnitAddress" / "OperatingMode", 0 when the block has none.
    std::uint32_t UnitAddress() const;
    std::uint32_t OperatingMode() const;
    void ClearParameters() { parameters_.clear(); }

    // Link ends (names cut to 63 characters).
    std::vector<LinkEnd>& Inputs() { return inputs_; }
    const std::vector<LinkEnd>& Inputs() const { return inputs_; }
    std::vector<LinkEnd>& Outputs() { return outputs_; }
    const std::vector<LinkEnd>& Outputs() const { return outputs_; }
    void AddInput(std::string_view name, std::int32_t id);
    // The id goes through the counter's rule for ids read from a file (0 = a fresh one).
    void AddOutput(std::int32_t id, std::string_view name, LinkIdCounter& ids);

    // The tree. Walking from the first child visits the children newest first.
    Block* FirstChild() { return firstChild_; }
    const Block* FirstChild() const { return firstChild_; }
    Block* NextSibling() { return nextSibling_; }
    const Block* NextSibling() const { return nextSibling_; }
    Block* Parent() { return parent_; }
    const Block* Parent() const { return parent_; }
    // Only a Network block has children. The child becomes the FIRST child; the result is the
    // child, or nullptr (and the child is destroyed) when this block cannot hold children.
    Block* AppendChild(std::unique_ptr<Block> child);
    // Unlinks a child and returns it (nullptr when it is not a child of this block).
    std::unique_ptr<Block> DetachChild(Block* child);
    // Unlinks a child and destroys it with all its children; false when it is not a child.
    bool RemoveChild(Block* child) { return DetachChild(child) != nullptr; }

  protected:
    Block() = default;
    bool ReadCommon(XmlArchive& archive, BlockReadContext& context);
    bool WriteCommon(XmlArchive& archive) const;

  private:
    BlockPosition position_;
    std::string name_;
    std::vector<LinkEnd> inputs_;
    std::vector<LinkEnd> outputs_;
    std::vector<Parameter> parameters_;

    // Children are owned here in the order they were appended; the sibling pointers give the
    // walk order (newest first).
    std::vector<std::unique_ptr<Block>> children_;
    Block* firstChild_ = nullptr;
    Block* parent_ = nullptr;
    Block* previousSibling_ = nullptr;
    Block* nextSibling_ = nullptr;
};

class NetworkBlock final : public Block {
  public:
    NetworkBlock();
    void CreateDefaultLinks(LinkIdCounter& ids) override;
    int KindCode() const override { return static_cast<int>(BlockKind::Network); }
    int Flags() const override { return 0; }
    int ImageIndex() const override { return 0; }
    std::string_view DefaultName() const override { return "Network"; }
    bool Read(XmlArchive& archive, BlockReadContext& context) override;
    bool Write(XmlArchive& archive) const override;
};

class MasterBlock final : public Block {
  public:
    MasterBlock();
    void CreateDefaultLinks(LinkIdCounter& ids) override;
    int KindCode() const override { return static_cast<int>(BlockKind::Master); }
    int Flags() const override { return 40; }
    int ImageIndex() const override { return 2; }
    std::string_view DefaultName() const override { return "Master"; }
};

class RemoteBlock final : public Block {
  public:
    RemoteBlock();
    void CreateDefaultLinks(LinkIdCounter& ids) override;
    int KindCode() const override { return static_cast<int>(BlockKind::Remote); }
    int Flags() const override { return 40; }
    int ImageIndex() const override { return 4; }
    std::string_view DefaultName() const override { return "Remote"; }
};

class RepeaterBlock final : public Block {
  public:
    RepeaterBlock();
    void CreateDefaultLinks(LinkIdCounter& ids) override;
    int KindCode() const override { return static_cast<int>(BlockKind::Repeater); }
    int Flags() const override { return 40; }
    int ImageIndex() const override { return 3; }
    std::string_view DefaultName() const override { return "Repeater"; }
};

class RadioBlock final : public Block {
  public:
    RadioBlock();
    void CreateDefaultLinks(LinkIdCounter& ids) override;
    int KindCode() const override { return static_cast<int>(BlockKind::Radio); }
    int Flags() const override { return 40; }
    int ImageIndex() const override { return 1; }
    std::string_view DefaultName() const override { return "Radio"; }
};

// A new block of that kind with its default name, no links and no parameters; nullptr for a
// code that is not one of the five kinds.
std::unique_ptr<Block> CreateBlock(int kindCode);

// The default name of a kind ("Master", ...); empty for an unknown code.
std::string_view KindName(int kindCode);

}  // namespace skelvane
