#include "document/block.h"

#include <algorithm>
#include <utility>

#include "base/latin1.h"

namespace skelvane {
namespace {

constexpr char kDefaultLinkName[] = "~";

template <typename Params>
auto* FindFirst(Params& parameters, std::string_view name) {
    const auto it = std::find_if(parameters.begin(), parameters.end(),
                                 [name](const Parameter& p) { return p.name == name; });
    return it == parameters.end() ? nullptr : &*it;
}

}  // namespace

Block::~Block() = default;

void Block::SetName(std::string_view name) {
    name_ = CutText(name, kBlockNameMax);
}

BlockPosition Block::SetPosition(std::int32_t x, std::int32_t y) {
    return std::exchange(position_, BlockPosition{x, y});
}

Parameter* Block::FindParameter(std::string_view name) {
    return FindFirst(parameters_, name);
}

const Parameter* Block::FindParameter(std::string_view name) const {
    return FindFirst(parameters_, name);
}

void Block::AddParameter(Parameter parameter) {
    parameters_.push_back(std::move(parameter));
}

std::uint32_t Block::UnitAddress() const {
    const Parameter* parameter = FindParameter("UnitAddress");
    return parameter == nullptr ? 0 : parameter->value;
}

std::uint32_t Block::OperatingMode() const {
    const Parameter* parameter = FindParameter("OperatingMode");
    return parameter == nullptr ? 0 : parameter->value;
}

void Block::AddInput(std::string_view name, std::int32_t id) {
    inputs_.push_back(LinkEnd{id, CutText(name, kLinkNameMax)});
}

void Block::AddOutput(std::int32_t id, std::string_view name, LinkIdCounter& ids) {
    outputs_.push_back(LinkEnd{ids.Take(id), CutText(name, kLinkNameMax)});
}

Block* Block::AppendChild(std::unique_ptr<Block> child) {
    if (child == nullptr || Kind() != BlockKind::Network) {
        return nullptr;
    }
    Block* raw = child.get();
    raw->parent_ = this;
    raw->previousSibling_ = nullptr;
    raw->nextSibling_ = firstChild_;
    if (firstChild_ != nullptr) {
        firstChild_->previousSibling_ = raw;
    }
    firstChild_ = raw;
    children_.push_back(std::move(child));
    return raw;
}

std::unique_ptr<Block> Block::DetachChild(Block* child) {
    const auto it = std::find_if(children_.begin(), children_.end(),
                                 [child](const auto& owned) { return owned.get() == child; });
    if (child == nullptr || it == children_.end()) {
        return nullptr;
    }
    if (child->previousSibling_ != nullptr) {
        child->previousSibling_->nextSibling_ = child->nextSibling_;
    } else {
        firstChild_ = child->nextSibling_;
    }
    if (child->nextSibling_ != nullptr) {
        child->nextSibling_->previousSibling_ = child->previousSibling_;
    }
    child->parent_ = nullptr;
    child->previousSibling_ = nullptr;
    child->nextSibling_ = nullptr;
    std::unique_ptr<Block> detached = std::move(*it);
    children_.erase(it);
    return detached;
}

NetworkBlock::NetworkBlock() {
    SetName(DefaultName());
}
void NetworkBlock::CreateDefaultLinks(LinkIdCounter&) {}

MasterBlock::MasterBlock() {
    SetName(DefaultName());
}
void MasterBlock::CreateDefaultLinks(LinkIdCounter& ids) {
    AddOutput(0, kDefaultLinkName, ids);
}

RemoteBlock::RemoteBlock() {
    SetName(DefaultName());
}
void RemoteBlock::CreateDefaultLinks(LinkIdCounter&) {
    AddInput(kDefaultLinkName, 0);
}

RepeaterBlock::RepeaterBlock() {
    SetName(DefaultName());
}
void RepeaterBlock::CreateDefaultLinks(LinkIdCounter& ids) {
    AddInput(kDefaultLinkName, 0);
    AddOutput(0, kDefaultLinkName, ids);
}

RadioBlock::RadioBlock() {
    SetName(DefaultName());
}
void RadioBlock::CreateDefaultLinks(LinkIdCounter&) {
    AddInput(kDefaultLinkName, 0);
}

std::unique_ptr<Block> CreateBlock(int kindCode) {
    switch (static_cast<BlockKind>(kindCode)) {
        case BlockKind::Network:
            return std::make_unique<NetworkBlock>();
        case BlockKind::Master:
            return std::make_unique<MasterBlock>();
        case BlockKind::Remote:
            return std::make_unique<RemoteBlock>();
        case BlockKind::Repeater:
            return std::make_unique<RepeaterBlock>();
        case BlockKind::Radio:
            return std::make_unique<RadioBlock>();
    }
    return nullptr;
}

std::string_view KindName(int kindCode) {
    switch (static_cast<BlockKind>(kindCode)) {
        case BlockKind::Network:
            return "Network";
        case BlockKind::Master:
            return "Master";
        case BlockKind::Remote:
            return "Remote";
        case BlockKind::Repeater:
            return "Repeater";
        case BlockKind::Radio:
            return "Radio";
    }
    return {};
}

}  // namespace skelvane
