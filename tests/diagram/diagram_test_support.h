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
