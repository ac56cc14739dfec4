#pragma once

#include <vector>

#include "diagram/block_diagram.h"
#include "diagram/diagram_owner.h"

namespace skelvane::test {

// Records every notification; answers kStateChanging with `veto` for the items listed.
class RecordingOwner : public DiagramOwner {
  public:
    int notify(const DiagramNotification& n) override {
        notes.push_back(n);
        if (n.code == diagram_notify::kStateChanging) {
            for (int item : vetoed) {
                if (item == n.item) {
                    return 1;
                }
            }
        }
        return 0;
    }
    void redraw() override { ++redraws; }

    std::vector<int> codes() const {
        std::vector<int> out;
        for (const auto& n : notes) {
            out.push_back(n.code);
        }
        return out;
    }

    std::vector<DiagramNotification> notes;
    std::vector<int> vetoed;
    int redraws = 0;
};

// A block as the main window builds it: inputs first, then outputs.
inline int addBlock(BlockDiagram& d, int x, int y, int inputs, int outputs,
                    std::uint32_t firstTag = 0) {
    const int index = d.insertItem("Block", x, y, 0, nullptr);
    for (int i = 0; i < inputs; ++i) {
        d.addRow(index, "in", kInputSide, 0);
    }
    for (int o = 0; o < outputs; ++o) {
        d.addRow(index, "out", kOutputSide, firstTag + static_cast<std::uint32_t>(o));
    }
    return index;
}

}  // namespace skelvane::test
