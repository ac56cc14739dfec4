#include "diagram/diagram_arrange.h"

#include <algorithm>

#include "diagram/diagram_geometry.h"

namespace skelvane {

namespace {

int snapUp(int value) {
    constexpr int g = BlockDiagram::kGridStep;
    return (value + g - 1) / g * g;
}

bool hasOutputs(const DiagramItem& item) {
    return std::any_of(item.rows.begin(), item.rows.end(),
                       [](const DiagramRow& r) { return r.side == kOutputSide; });
}

}  // namespace

std::vector<DiagramPoint> arrangeTree(const BlockDiagram& diagram, int root, int width,
                                      const ArrangeSpacing& spacing) {
    const auto& items = diagram.items();
    const int count = diagram.itemCount();
    std::vector<DiagramPoint> positions(items.size());
    if (count == 0) {
        return positions;
    }

    // Box sizes, and each item's children in array order.
    std::vector<int> byId(0x10000, -1);
    for (int i = 0; i < count; ++i) {
        byId[items[i].id] = i;
    }
    std::vector<DiagramRect> boxes(items.size());
    std::vector<std::vector<int>> children(items.size());
    for (int i = 0; i < count; ++i) {
        DiagramItem box = items[i];
        box.rect.left = 0;
        box.rect.top = 0;
        layoutItem(box, diagram.metrics());
        boxes[i] = box.rect;
        for (const DiagramRow& row : items[i].rows) {
            const int parent = row.linked() ? byId[row.sourceItemId] : -1;
            if (parent >= 0 && parent != i &&
                (children[parent].empty() || children[parent].back() != i)) {
                children[parent].push_back(i);
            }
        }
    }

    // Rows, top down: an item alone in its row, the items linked from it that have no outputs
    // in the rows below it (one step further in), then each of its relays with what hangs off
    // that, depth first. Items the tree does not reach follow at the left.
    struct Row {
        std::vector<int> items;
        int depth;
    };
    std::vector<Row> rows;
    std::vector<bool> placed(items.size(), false);
    std::vector<std::pair<int, int>> stack;  // (item, depth), relays waiting for their turn
    if (root >= 0 && root < count) {
        placed[root] = true;
        stack.emplace_back(root, 0);
    }
    while (!stack.empty()) {
        const auto [node, depth] = stack.back();
        stack.pop_back();
        rows.push_back({{node}, depth});
        Row leaves{{}, depth + 1};
        std::vector<int> relays;
        for (const int child : children[node]) {
            if (!placed[child]) {
                placed[child] = true;
                (hasOutputs(items[child]) ? relays : leaves.items).push_back(child);
            }
        }
        if (!leaves.items.empty()) {
            rows.push_back(std::move(leaves));
        }
        for (auto it = relays.rbegin(); it != relays.rend(); ++it) {
            stack.emplace_back(*it, depth + 1);
        }
    }
    Row rest{{}, 0};
    for (int i = 0; i < count; ++i) {
        if (!placed[i]) {
            rest.items.push_back(i);
        }
    }
    if (!rest.items.empty()) {
        rows.push_back(std::move(rest));
    }

    // Each row wraps where the next box would pass the width.
    const int left = snapUp(spacing.margin);
    const int right = std::max(width - spacing.margin, left);
    int y = snapUp(spacing.margin);
    for (const Row& row : rows) {
        const int indent = left + std::min(row.depth * spacing.indent, (right - left) / 2) /
                                      BlockDiagram::kGridStep * BlockDiagram::kGridStep;
        int x = indent;
        int height = 0;
        for (const int i : row.items) {
            const DiagramRect& box = boxes[i];
            if (x > indent && x + box.right > right) {
                y += snapUp(height + spacing.down);
                x = indent;
                height = 0;
            }
            positions[i] = {x, y};
            x += snapUp(box.right + spacing.across);
            height = std::max(height, box.bottom);
        }
        y += snapUp(height + spacing.down);
    }
    return positions;
}

}  // namespace skelvane
