#pragma once

#include <algorithm>
#include <vector>

#include "diagram/block_diagram.h"
#include "diagram/diagram_owner.h"

namespace skelvane::test {

// Records every notification; answers kStateChanging with a veto for the items listed.
class RecordingOwner : public DiagramOwner {
  public:
    int notify(const DiagramNotification& n) override {
        notes.push_back(n);
        const bool veto = n.code == diagram_notify::kStateChanging &&
                          std::find(vetoed.begin(), vetoed.end(), n.item) != vetoed.end();
        return veto ? 1 : 0;
    }

    std::vector<int> codes() const {
        std::vector<int> out;
        for (const auto& n : notes) {
            out.push_back(n.code);
        }
        return out;
    }

    std::vector<DiagramNotification> notes;
    std::vector<int> vetoed;
};

// A block as the main window builds it: inputs first, then outputs; `width` 0 keeps the
// default width.
inline int addBlock(BlockDiagram& d, int x, int y, int inputs, int outputs, int width = 0,
                    bool iconRight = false) {
    const int index = d.insertItem("Block", x, y, 0, nullptr);
    if (width > 0) {
        d.setWidth(index, width);
    }
    if (iconRight) {
        d.setState(index, kItemIconRight, kItemIconRight);
    }
    for (int k = 0; k < inputs + outputs; ++k) {
        d.addRow(index, k < inputs ? "in" : "out", k < inputs ? kInputSide : kOutputSide, 0);
    }
    return index;
}

}  // namespace skelvane::test
