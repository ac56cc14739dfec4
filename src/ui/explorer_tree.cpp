#include "ui/explorer_tree.h"

#include <QHeaderView>
#include <QStyleFactory>
#include <algorithm>
#include <vector>

#include "document/block.h"
#include "ui/icons.h"

namespace skelvane {

namespace {

QString blockName(const Block& block) {
    return QString::fromLatin1(block.Name().data(), static_cast<qsizetype>(block.Name().size()));
}

}  // namespace

ExplorerTree::ExplorerTree(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("Skelvane_Explorer"));
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setItemsExpandable(true);
    setDragEnabled(false);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(16, 16));
    setUniformRowHeights(true);
    // The classic style draws the dotted lines and the +/- buttons of a tree.
    if (QStyle* classic = QStyleFactory::create(QStringLiteral("Windows"))) {
        classic->setParent(this);
        setStyle(classic);
    }
    // The selection stays visible when the tree loses the focus.
    QPalette pal = palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight,
                 pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(pal);

    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) {
                emit blockSelected(blockOf(current));
            });
}

Block* ExplorerTree::blockOf(const QTreeWidgetItem* item) {
    if (item == nullptr) {
        return nullptr;
    }
    return static_cast<Block*>(item->data(0, Qt::UserRole).value<void*>());
}

void ExplorerTree::rebuild(Block* root) {
    const QSignalBlocker quiet(this);
    clear();
    if (root == nullptr) {
        return;
    }
    auto* top = new QTreeWidgetItem(this);
    top->setText(0, blockName(*root));
    top->setIcon(0, QIcon(blockIcon(root->ImageIndex())));
    top->setData(0, Qt::UserRole, QVariant::fromValue(static_cast<void*>(root)));
    insertChildren(top, root);
    top->setExpanded(true);
}

// Breadth first, as the items of one level are all appended before the next level: the
// children of a block, sorted by name without regard to case (equal names keep their walk
// order), then each child's own children.
void ExplorerTree::insertChildren(QTreeWidgetItem* parentItem, Block* parent) {
    std::vector<Block*> children;
    for (Block* child = parent->FirstChild(); child != nullptr; child = child->NextSibling()) {
        children.push_back(child);
    }
    std::stable_sort(children.begin(), children.end(), [](const Block* a, const Block* b) {
        return QString::compare(blockName(*a), blockName(*b), Qt::CaseInsensitive) < 0;
    });
    std::vector<QTreeWidgetItem*> items;
    for (Block* child : children) {
        auto* item = new QTreeWidgetItem(parentItem);
        item->setText(0, blockName(*child));
        item->setIcon(0, QIcon(blockIcon(child->ImageIndex())));
        item->setData(0, Qt::UserRole, QVariant::fromValue(static_cast<void*>(child)));
        items.push_back(item);
    }
    for (std::size_t i = 0; i < children.size(); ++i) {
        if (children[i]->FirstChild() != nullptr) {
            insertChildren(items[i], children[i]);
        }
    }
}

QTreeWidgetItem* ExplorerTree::findItem(const Block* block) const {
    if (block == nullptr) {
        return nullptr;
    }
    // Depth first from the first top-level item.
    std::vector<QTreeWidgetItem*> stack;
    for (int i = topLevelItemCount() - 1; i >= 0; --i) {
        stack.push_back(topLevelItem(i));
    }
    while (!stack.empty()) {
        QTreeWidgetItem* item = stack.back();
        stack.pop_back();
        if (blockOf(item) == block) {
            return item;
        }
        for (int i = item->childCount() - 1; i >= 0; --i) {
            stack.push_back(item->child(i));
        }
    }
    return nullptr;
}

bool ExplorerTree::selectBlock(const Block* block) {
    QTreeWidgetItem* item = findItem(block);
    if (item == nullptr) {
        return false;
    }
    scrollToItem(item);
    setCurrentItem(item);
    item->setExpanded(true);
    return true;
}

bool ExplorerTree::removeBlock(const Block* block) {
    QTreeWidgetItem* item = findItem(block);
    if (item == nullptr) {
        return false;
    }
    const QSignalBlocker quiet(this);
    delete item;
    return true;
}

}  // namespace skelvane
