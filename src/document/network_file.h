#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <utility>

#include "base/prompter.h"
#include "document/block.h"
#include "document/link_id_counter.h"

namespace skelvane {

// A network document: a tree of blocks under one Network root, with the file it came from or
// was saved to and a modified flag. The same format holds the user's networks, the radio
// templates and the configuration file. Every document of the program shares the program's
// output-end id counter.
class NetworkFile {
  public:
    explicit NetworkFile(LinkIdCounter& ids) : ids_(ids) {}
    NetworkFile(const NetworkFile&) = delete;
    NetworkFile& operator=(const NetworkFile&) = delete;

    Block* Root() { return root_.get(); }
    const Block* Root() const { return root_.get(); }

    const std::string& FileName() const { return fileName_; }
    void SetFileName(std::string fileName) { fileName_ = std::move(fileName); }

    bool Modified() const { return modified_; }
    void SetModified(bool modified = true) { modified_ = modified; }

    LinkIdCounter& Ids() { return ids_; }

    // Destroys the tree and clears the modified flag (the file name stays).
    void Clear();

    // Replaces the tree by a Network root with one new Master (default link ends, position
    // (40, 40)). Returns the Master.
    Block* NewNetwork();

    // Replaces the tree by the given root (a Network block as a rule).
    void SetRoot(std::unique_ptr<Block> root) { root_ = std::move(root); }

    // Unlinks a block from its parent (or the root from the document) and destroys it with its
    // children. False when the block is not in this document's tree.
    bool RemoveBlock(Block* block);

    // Reads a network file into the document (whose tree is replaced). Failures are shown
    // through the prompter (caption "Error", exclamation icon); the top-level blocks read
    // before a failure stay. On success the file name becomes `path` and the modified flag is
    // cleared.
    bool Read(const std::filesystem::path& path, Prompter& prompter);

    // Writes the document to `path`. A failed save shows its message and leaves an existing
    // file as it was. On success the file name becomes `path` and the modified flag is
    // cleared.
    bool Save(const std::filesystem::path& path, Prompter& prompter);

  private:
    LinkIdCounter& ids_;
    std::string fileName_;
    std::unique_ptr<Block> root_;
    bool modified_ = false;
};

}  // namespace skelvane
