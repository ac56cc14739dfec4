#pragma once

#include <QTreeWidget>

namespace skelvane {

class Block;

// The explorer: one item per block of the network, the root Network block at the top and the
// radios under it, each level sorted by name without regard to case. Items carry their
// block; the tree never changes the document.
class ExplorerTree : public QTreeWidget {
    Q_OBJECT

  public:
    static constexpr int kInitialWidth = 140;

    explicit ExplorerTree(QWidget* parent = nullptr);

    // Empties the tree and inserts `root` and its descendants level by level.
    void rebuild(Block* root);
    // Finds the block's item, scrolls it into view, selects and expands it. False when the
    // block has no item.
    bool selectBlock(const Block* block);
    // Removes the block's item (and its children's); false when it has none.
    bool removeBlock(const Block* block);

    QTreeWidgetItem* findItem(const Block* block) const;
    static Block* blockOf(const QTreeWidgetItem* item);

  signals:
    // The user (or the program) selected another item; nullptr when the selection is empty.
    void blockSelected(Block* block);

  private:
    void insertChildren(QTreeWidgetItem* parentItem, Block* parent);
};

}  // namespace skelvane
