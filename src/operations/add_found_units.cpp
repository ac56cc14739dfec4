#include "operations/add_found_units.h"

#include <algorithm>
#include <set>

#include "diagram/diagram_geometry.h"
#include "document/block_names.h"

namespace skelvane {
namespace {

// Block flags that shape a block's box.
constexpr int kFlagWide = 16;    // 128 pixels wide
constexpr int kFlagNarrow = 32;  // 84 pixels wide
constexpr int kFlagIconRight = 8;
constexpr int kGrid = 16;
constexpr int kGap = 32;  // room for the link router's lanes between boxes

int SnapUp(int value) {
    return (value + kGrid - 1) / kGrid * kGrid;
}

std::uint32_t UnitAddressOf(const Block& block) {
    const Parameter* ua = block.FindParameter("UnitAddress");
    return ua != nullptr ? ua->value & 0xFFFF : 0;
}

void SetNumber(Block& block, const char* name, std::uint32_t value) {
    if (Parameter* p = block.FindParameter(name)) {
        p->value = value;
    }
}

void SetText(Block& block, const char* name, const std::string& text) {
    if (Parameter* p = block.FindParameter(name); p != nullptr && !text.empty()) {
        p->textValue = text;
    }
}

}  // namespace

DiagramRect BlockBox(const Block& block, const DiagramMetrics& metrics) {
    DiagramItem item;
    item.rect = {block.X(), block.Y(), block.X(), block.Y()};
    const int flags = block.Flags();
    item.width = (flags & kFlagWide) != 0 ? 128 : (flags & kFlagNarrow) != 0 ? 84 : 96;
    if ((flags & kFlagIconRight) != 0) {
        item.state |= kItemIconRight;
    }
    item.status.text = "UA";
    for (const LinkEnd& in : block.Inputs()) {
        item.rows.push_back(DiagramRow{.text = in.name, .side = kInputSide});
    }
    for (const LinkEnd& out : block.Outputs()) {
        item.rows.push_back(DiagramRow{.text = out.name, .side = kOutputSide});
    }
    layoutItem(item, metrics);
    return item.rect;
}

std::vector<Block*> AddFoundUnits(Block& root, const Block* cable,
                                  const std::vector<FoundUnit>& units, const BlockMaker& make,
                                  const DiagramMetrics& metrics, int rowWidth) {
    std::set<std::uint32_t> known;
    int left = kGrid * 4;
    int right = left + rowWidth;
    int bottom = 0;
    bool any = false;
    for (const Block* b = root.FirstChild(); b != nullptr; b = b->NextSibling()) {
        known.insert(UnitAddressOf(*b));
        const DiagramRect box = BlockBox(*b, metrics);
        left = any ? std::min(left, box.left) : box.left;
        right = std::max(right, box.right);
        bottom = any ? std::max(bottom, box.bottom) : box.bottom;
        any = true;
    }
    left = std::max(0, left / kGrid * kGrid);
    right = std::max(right, left + rowWidth);

    const std::int32_t cableOutput =
        cable != nullptr && !cable->Outputs().empty() ? cable->Outputs().front().id : 0;
    std::vector<Block*> added;
    int x = left;
    int y = SnapUp(bottom + kGap);
    int rowBottom = y;
    for (const FoundUnit& unit : units) {
        if (!known.insert(unit.ua).second) {
            continue;
        }
        Block* block = make(unit.Kind().value_or(BlockKind::Remote), x, y);
        if (block == nullptr) {
            continue;
        }
        SetNumber(*block, "UnitAddress", unit.ua);
        if (unit.operatingMode) {
            SetNumber(*block, "OperatingMode", *unit.operatingMode);
        }
        SetText(*block, "VersionNo", unit.version);
        SetText(*block, "SerialNo", unit.serial);
        NameAfterUnitAddress(*block, unit.ua);
        if (cableOutput != 0 && !block->Inputs().empty()) {
            block->Inputs().front().id = cableOutput;
        }
        // Next place: to the right, or the start of a new row under the tallest box so far.
        DiagramRect box = BlockBox(*block, metrics);
        if (box.right > right && x > left) {
            x = left;
            y = SnapUp(rowBottom + kGap);
            block->SetPosition(x, y);
            box = BlockBox(*block, metrics);
        }
        rowBottom = std::max(rowBottom, box.bottom);
        x = SnapUp(box.right + kGap);
        added.push_back(block);
    }
    return added;
}

}  // namespace skelvane
