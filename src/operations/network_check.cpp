#include "operations/network_check.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <string_view>

#include "base/format.h"
#include "link/register_values.h"
#include "operations/network_units.h"
#include "operations/unit_differences.h"
#include "restrictions/restriction_parameters.h"

namespace skelvane {
namespace {

constexpr std::uint8_t kGroupSize = 0x20;

std::string Quoted(const Block* block) {
    return "\"" + block->Name() + "\"";
}

// "\"a\"", "\"a\" and \"b\"", "\"a\", \"b\" and \"c\"".
std::string NameList(const std::vector<Block*>& blocks) {
    std::string text;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        if (i > 0) {
            text += i + 1 == blocks.size() ? " and " : ", ";
        }
        text += Quoted(blocks[i]);
    }
    return text;
}

std::string KindAndName(const Block* block) {
    return std::string(KindName(block->KindCode())) + " " + Quoted(block);
}

// The addresses a restriction entry or repeater list text names.
std::vector<unsigned long> NamedAddresses(const Parameter& p) {
    std::vector<unsigned long> addresses;
    const std::string& text = p.textValue;
    const auto number = [&text](std::size_t& at) {
        unsigned long value = 0;
        for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) != 0; ++at) {
            value = std::min(value * 10 + static_cast<unsigned long>(text[at] - '0'), 1000000ul);
        }
        return value;
    };
    if (RestrictionEntryIndex(p.name)) {
        // "UA:ranges": only the number before the colon is an address.
        const std::size_t colon = text.find(':');
        std::size_t at = text.find_first_not_of(' ');
        if (colon != std::string::npos && at < colon) {
            if (const unsigned long ua = number(at); ua != 0) {
                addresses.push_back(ua);
            }
        }
        return addresses;
    }
    for (std::size_t at = 0; at < text.size();) {
        if (std::isdigit(static_cast<unsigned char>(text[at])) == 0) {
            ++at;
        } else if (const unsigned long ua = number(at); ua != 0) {
            addresses.push_back(ua);
        }
    }
    return addresses;
}

class Checker {
  public:
    explicit Checker(Block& root)
        : blocks_(RadioBlocks(root)),
          units_(ListNetworkUnits(root)),
          sources_(LinkSources(blocks_)) {
        for (const NetworkUnit& unit : units_.units) {
            if (unit.problem != UnitProblem::NoAddress) {
                byAddress_[unit.address].push_back(unit.block);
            }
        }
    }

    std::vector<Finding> Run() {
        Addresses();
        Inputs();
        Chains();
        Lists();
        return std::move(findings_);
    }

  private:
    void Add(std::vector<Block*> blocks, std::string text) {
        findings_.push_back({std::move(blocks), std::move(text)});
    }

    void Addresses() {
        for (const NetworkUnit& unit : units_.units) {
            if (unit.problem == UnitProblem::NoAddress) {
                Add({unit.block}, KindAndName(unit.block) + " has no UnitAddress");
            } else if (unit.problem == UnitProblem::BadAddress) {
                Add({unit.block},
                    Format("%s has the unit address %u, outside 1..65534",
                           KindAndName(unit.block).c_str(), static_cast<unsigned>(unit.address)));
            }
        }
        for (const auto& [address, blocks] : byAddress_) {
            if (blocks.size() > 1) {
                Add(blocks, Format("%s have the same unit address %u", NameList(blocks).c_str(),
                                   static_cast<unsigned>(address)));
            }
        }
    }

    void Inputs() {
        for (std::size_t i = 0; i < blocks_.size(); ++i) {
            const BlockKind kind = blocks_[i]->Kind();
            if ((kind == BlockKind::Remote || kind == BlockKind::Repeater) && sources_[i].empty()) {
                Add({blocks_[i]}, KindAndName(blocks_[i]) + ": its input is not linked");
            }
        }
    }

    // Chains: the blocks joined by links, either way.
    std::vector<std::vector<std::size_t>> ChainsOfBlocks() const {
        std::vector<int> chainOf(blocks_.size(), -1);
        std::vector<std::vector<std::size_t>> neighbours(blocks_.size());
        for (std::size_t i = 0; i < blocks_.size(); ++i) {
            for (Block* source : sources_[i]) {
                const auto j = static_cast<std::size_t>(
                    std::find(blocks_.begin(), blocks_.end(), source) - blocks_.begin());
                neighbours[i].push_back(j);
                neighbours[j].push_back(i);
            }
        }
        std::vector<std::vector<std::size_t>> chains;
        for (std::size_t start = 0; start < blocks_.size(); ++start) {
            if (chainOf[start] >= 0) {
                continue;
            }
            chains.emplace_back();
            std::vector<std::size_t> todo{start};
            chainOf[start] = static_cast<int>(chains.size() - 1);
            while (!todo.empty()) {
                const std::size_t at = todo.back();
                todo.pop_back();
                chains.back().push_back(at);
                for (std::size_t next : neighbours[at]) {
                    if (chainOf[next] < 0) {
                        chainOf[next] = chainOf[start];
                        todo.push_back(next);
                    }
                }
            }
            std::sort(chains.back().begin(), chains.back().end());
        }
        return chains;
    }

    void Chains() {
        for (const std::vector<std::size_t>& chain : ChainsOfBlocks()) {
            std::vector<Block*> members, masters;
            for (std::size_t i : chain) {
                members.push_back(blocks_[i]);
                if (blocks_[i]->Kind() == BlockKind::Master) {
                    masters.push_back(blocks_[i]);
                }
            }
            if (masters.size() > 1) {
                Add(members, Format("The chain of %s has %zu Masters", NameList(members).c_str(),
                                    masters.size()));
            } else if (masters.empty() && members.size() > 1) {
                // A lone block without a link is reported for its input already.
                Add(members, "The chain of " + NameList(members) + " has no Master");
            } else if (masters.size() == 1) {
                for (Block* member : members) {
                    if (member != masters.front()) {
                        CompareWithMaster(*member, *masters.front());
                    }
                }
            }
        }
    }

    void CompareWithMaster(Block& unit, Block& master) {
        for (const Parameter& ours : unit.Parameters()) {
            const Parameter* theirs = master.FindParameter(ours.name);
            if (!IsNetworkWideSetting(ours) || theirs == nullptr || theirs->value == ours.value) {
                continue;
            }
            Add({&unit, &master},
                Format("%s: %s is %s, its Master %s has %s", KindAndName(&unit).c_str(),
                       ours.name.c_str(), ValueText(ours).c_str(), Quoted(&master).c_str(),
                       ValueText(*theirs).c_str()));
        }
    }

    void Lists() {
        for (Block* block : blocks_) {
            for (const Parameter& p : block->Parameters()) {
                if (!p.IsText() ||
                    !(RestrictionEntryIndex(p.name) || IsRepeaterParameter(p.name))) {
                    continue;
                }
                for (const unsigned long address : NamedAddresses(p)) {
                    const auto it = byAddress_.find(static_cast<std::uint32_t>(address));
                    if (it == byAddress_.end()) {
                        Add({block}, Format("%s: %s names unit address %lu, which no block has",
                                            KindAndName(block).c_str(), p.name.c_str(), address));
                    } else if (IsRepeaterParameter(p.name)) {
                        for (Block* named : it->second) {
                            if (named->Kind() != BlockKind::Repeater) {
                                Add({block, named},
                                    Format("%s: %s names %s (unit address %lu), which is not a "
                                           "Repeater",
                                           KindAndName(block).c_str(), p.name.c_str(),
                                           KindAndName(named).c_str(), address));
                            }
                        }
                    }
                }
            }
        }
    }

    std::vector<Block*> blocks_;
    NetworkUnits units_;
    std::vector<std::vector<Block*>> sources_;
    std::map<std::uint32_t, std::vector<Block*>> byAddress_;
    std::vector<Finding> findings_;
};

}  // namespace

bool IsNetworkWideSetting(const Parameter& p) {
    // Settings of the radio link group that belong to the unit alone.
    static constexpr std::string_view kOwn[] = {"OperatingMode", "UnitAddress",   "RoamingAddress",
                                                "DestAddess",    "RepeaterYesNo", "TxPower"};
    if (!TravelsAsRegisters(p) || p.readwrite == 0) {
        return false;
    }
    if (p.name == "CountryCode") {
        return true;
    }
    return p.vectors.front() < kGroupSize &&
           std::find(std::begin(kOwn), std::end(kOwn), p.name) == std::end(kOwn);
}

std::vector<Finding> CheckNetwork(Block& root) {
    return Checker(root).Run();
}

}  // namespace skelvane
