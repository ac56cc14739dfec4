#pragma once

#include <algorithm>
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

struct Segment {
    DiagramPoint a;
    DiagramPoint b;
    bool horizontal() const { return a.y == b.y; }
    bool vertical() const { return a.x == b.x; }
};

inline bool overlaps(int a1, int a2, int b1, int b2) {
    return std::max(std::min(a1, a2), std::min(b1, b2)) <
           std::min(std::max(a1, a2), std::max(b1, b2));
}

// Two axis-parallel segments share a stretch of positive length.
inline bool runsAlong(const Segment& s, const Segment& t) {
    if (s.horizontal() && t.horizontal() && s.a.y == t.a.y && s.a.x != s.b.x) {
        return overlaps(s.a.x, s.b.x, t.a.x, t.b.x);
    }
    if (s.vertical() && t.vertical() && s.a.x == t.a.x && s.a.y != s.b.y) {
        return overlaps(s.a.y, s.b.y, t.a.y, t.b.y);
    }
    return false;
}

// The inner segments of a polyline (all but the first and last legs).
inline std::vector<Segment> innerSegments(const DiagramPoint* points, int count) {
    std::vector<Segment> out;
    for (int i = 1; i + 2 < count; ++i) {
        out.push_back({points[i], points[i + 1]});
    }
    return out;
}

// Any inner segment of one polyline runs along one of the other.
inline bool sharesARun(const std::vector<Segment>& a, const std::vector<Segment>& b) {
    for (const Segment& s : a) {
        for (const Segment& t : b) {
            if (runsAlong(s, t)) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace skelvane::test
