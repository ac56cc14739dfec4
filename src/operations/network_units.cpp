#include "operations/network_units.h"

#include <algorithm>
#include <deque>
#include <map>

#include "base/format.h"

namespace skelvane {

bool IsRadioBlock(const Block& block) {
    switch (block.Kind()) {
        case BlockKind::Master:
        case BlockKind::Repeater:
        case BlockKind::Remote:
        case BlockKind::Radio:
            return true;
        default:
            return false;
    }
}

std::vector<Block*> RadioBlocks(Block& root) {
    std::vector<Block*> blocks;
    for (Block* b = root.FirstChild(); b != nullptr; b = b->NextSibling()) {
        if (IsRadioBlock(*b)) {
            blocks.push_back(b);
        }
    }
    return blocks;
}

Block* FindRadioBlock(Block& root, std::string_view name) {
    for (Block* b : RadioBlocks(root)) {
        if (b->Name() == name) {
            return b;
        }
    }
    return nullptr;
}

Block* DefaultCableBlock(Block& root) {
    for (Block* b : RadioBlocks(root)) {
        if (b->Kind() == BlockKind::Master) {
            return b;
        }
    }
    return nullptr;
}

std::vector<std::vector<Block*>> LinkSources(const std::vector<Block*>& blocks) {
    std::map<std::int32_t, Block*> outputs;
    for (Block* b : blocks) {
        for (const LinkEnd& out : b->Outputs()) {
            if (out.id != 0) {
                outputs.emplace(out.id, b);
            }
        }
    }
    std::vector<std::vector<Block*>> sources(blocks.size());
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        for (const LinkEnd& in : blocks[i]->Inputs()) {
            const auto it = in.id != 0 ? outputs.find(in.id) : outputs.end();
            if (it != outputs.end() && it->second != blocks[i]) {
                sources[i].push_back(it->second);
            }
        }
    }
    return sources;
}

NetworkUnits ListNetworkUnits(Block& root, const Block* cable) {
    NetworkUnits result;
    const std::vector<Block*> blocks = RadioBlocks(root);
    if (cable == nullptr) {
        cable = DefaultCableBlock(root);
    }
    std::map<std::uint32_t, int> users;  // how many blocks have each address
    for (Block* b : blocks) {
        NetworkUnit unit;
        unit.block = b;
        unit.address = b->UnitAddress();
        unit.local = b == cable;
        if (unit.local) {
            result.cable = b;
        }
        if (b->FindParameter("UnitAddress") == nullptr) {
            unit.problem = UnitProblem::NoAddress;
        } else {
            ++users[unit.address];
            if (unit.address < kMinUnitAddress || unit.address > kMaxUnitAddress) {
                unit.problem = UnitProblem::BadAddress;
            }
        }
        result.units.push_back(unit);
    }
    for (NetworkUnit& unit : result.units) {
        if (unit.problem == UnitProblem::None && users[unit.address] > 1) {
            unit.problem = UnitProblem::SharedAddress;
        }
    }

    // Hops from the cable block, over links in either direction.
    if (result.cable == nullptr) {
        return result;
    }
    const std::vector<std::vector<Block*>> sources = LinkSources(blocks);
    std::map<const Block*, std::vector<std::size_t>> neighbours;
    std::map<const Block*, std::size_t> index;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        index[blocks[i]] = i;
    }
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        for (Block* source : sources[i]) {
            neighbours[blocks[i]].push_back(index[source]);
            neighbours[source].push_back(i);
        }
    }
    std::deque<std::size_t> queue{index[result.cable]};
    result.units[queue.front()].hops = 0;
    while (!queue.empty()) {
        const std::size_t at = queue.front();
        queue.pop_front();
        for (std::size_t next : neighbours[blocks[at]]) {
            if (result.units[next].hops < 0) {
                result.units[next].hops = result.units[at].hops + 1;
                queue.push_back(next);
            }
        }
    }
    return result;
}

const NetworkUnit* NetworkUnits::Find(const Block* block) const {
    const auto it = std::find_if(units.begin(), units.end(),
                                 [block](const NetworkUnit& u) { return u.block == block; });
    return it == units.end() ? nullptr : &*it;
}

std::vector<const NetworkUnit*> NetworkUnits::Contacted() const {
    std::vector<const NetworkUnit*> list;
    for (const NetworkUnit& unit : units) {
        if (unit.Contacted()) {
            list.push_back(&unit);
        }
    }
    return list;
}

std::vector<const NetworkUnit*> NetworkUnits::Skipped() const {
    std::vector<const NetworkUnit*> list;
    for (const NetworkUnit& unit : units) {
        if (!unit.Contacted()) {
            list.push_back(&unit);
        }
    }
    return list;
}

std::string ProblemText(const NetworkUnits& units, const NetworkUnit& unit) {
    switch (unit.problem) {
        case UnitProblem::None:
            return {};
        case UnitProblem::NoAddress:
            return "no UnitAddress";
        case UnitProblem::BadAddress:
            return Format("unit address %u is outside 1..65534",
                          static_cast<unsigned>(unit.address));
        case UnitProblem::SharedAddress:
            for (const NetworkUnit& other : units.units) {
                if (&other != &unit && other.address == unit.address &&
                    other.problem == UnitProblem::SharedAddress) {
                    return Format("unit address %u is shared with \"%s\"",
                                  static_cast<unsigned>(unit.address), other.block->Name().c_str());
                }
            }
            return Format("unit address %u is shared", static_cast<unsigned>(unit.address));
    }
    return {};
}

}  // namespace skelvane
