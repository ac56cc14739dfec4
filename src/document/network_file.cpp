#include "document/network_file.h"

#include <string>
#include <utility>

#include "base/strings.h"
#include "document/xml_archive.h"

namespace skelvane {
namespace {

constexpr char kRootElement[] = "Network";

// The message of `id`, and under it the file and, when known, what is wrong with it.
void ShowError(Prompter& prompter, int id, const std::filesystem::path& path = {},
               const std::string& cause = {}) {
    std::string text(LoadText(id));
    if (!path.empty()) {
        text += "\r\n";
        text += path.string();
        if (!cause.empty()) {
            text += ": " + cause;
        }
    }
    prompter.Message(text, LoadText(kIdsError), MessageIcon::Exclamation);
}

}  // namespace

void NetworkFile::Clear() {
    root_.reset();
    modified_ = false;
}

Block* NetworkFile::NewNetwork() {
    root_ = CreateBlock(static_cast<int>(BlockKind::Network));
    std::unique_ptr<Block> master = CreateBlock(static_cast<int>(BlockKind::Master));
    master->CreateDefaultLinks(ids_);
    master->SetPosition(40, 40);
    return root_->AppendChild(std::move(master));
}

bool NetworkFile::RemoveBlock(Block* block) {
    if (block == nullptr) {
        return false;
    }
    if (block == root_.get()) {
        root_.reset();
        return true;
    }
    // Only blocks of this document's tree may be removed through it.
    const Block* top = block;
    while (top->Parent() != nullptr) {
        top = top->Parent();
    }
    if (top != root_.get()) {
        return false;
    }
    return block->Parent()->RemoveChild(block);
}

bool NetworkFile::Read(const std::filesystem::path& path, Prompter& prompter) {
    root_.reset();
    XmlArchive archive;
    std::string cause;
    if (!archive.Open(path, kRootElement, &cause)) {
        ShowError(prompter, kIdsFileOpenFailed, path, cause);
        return false;
    }
    if (!archive.Enter("Blocks")) {
        ShowError(prompter, kIdsFileFormat, path);
        return false;
    }
    BlockReadContext context{ids_};
    while (archive.Enter("Block")) {
        std::int32_t type = 0;
        archive.ReadInt32("type", type);
        std::unique_ptr<Block> block = CreateBlock(type);
        if (block == nullptr) {
            ShowError(prompter, kIdsUnknownBlockType, path);
            return false;
        }
        // Later top-level blocks join the first as its children, which only a Network root
        // can hold.
        const bool placeable = root_ == nullptr || root_->Kind() == BlockKind::Network;
        if (!placeable || !block->Read(archive, context)) {
            ShowError(prompter, kIdsParseError, path);
            return false;
        }
        if (root_ == nullptr) {
            root_ = std::move(block);
        } else {
            root_->AppendChild(std::move(block));
        }
        archive.Leave();
    }
    archive.Leave();
    archive.Close();
    fileName_ = path.string();
    modified_ = false;
    return true;
}

bool NetworkFile::Save(const std::filesystem::path& path, Prompter& prompter) {
    XmlArchive archive;
    if (!archive.Create(kRootElement)) {
        ShowError(prompter, kIdsFileCreate);
        return false;
    }
    if (!archive.AddChild("Blocks")) {
        ShowError(prompter, kIdsFileFormat);
        return false;
    }
    for (const Block* block = root_.get(); block != nullptr; block = block->NextSibling()) {
        if (!archive.AddChild("Block") || !block->Write(archive)) {
            // Building the document in memory failed: nothing was written to disk.
            ShowError(prompter, kIdsSaveFailed);
            return false;
        }
        archive.Leave();
    }
    archive.Leave();
    std::string cause;
    if (!archive.Save(path, &cause)) {
        ShowError(prompter, kIdsSaveFailed, path, cause);
        return false;
    }
    archive.Close();
    fileName_ = path.string();
    modified_ = false;
    return true;
}

}  // namespace skelvane
