#include "network_fixture.h"

#include <sstream>
#include <stdexcept>

#include "operations/network_units.h"
#include "sim/block_seed.h"

namespace skelvane::test {

std::unique_ptr<Block> MakeNetwork(const std::string& words, LinkIdCounter& ids) {
    auto root = CreateBlock(static_cast<int>(BlockKind::Network));
    std::vector<std::unique_ptr<Block>> blocks;
    std::vector<std::string> sources;
    std::istringstream in(words);
    for (std::string word; in >> word;) {
        const std::size_t arrow = word.find('<');
        const std::string name = word.substr(0, arrow);
        const BlockKind kind = name[0] == 'M'   ? BlockKind::Master
                               : name[0] == 'P' ? BlockKind::Repeater
                                                : BlockKind::Remote;
        const bool noAddress = name.size() > 1 && name[1] == 'x';
        auto block = TemplateBlock(kind, noAddress ? 0 : std::stoul(name.substr(1)));
        if (noAddress) {
            std::erase_if(block->Parameters(),
                          [](const Parameter& p) { return p.name == "UnitAddress"; });
        }
        block->SetName(name);
        block->CreateDefaultLinks(ids);
        sources.push_back(arrow == std::string::npos ? "" : word.substr(arrow + 1));
        blocks.push_back(std::move(block));
    }
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        for (const auto& source : blocks) {
            if (!sources[i].empty() && source->Name() == sources[i] && !source->Outputs().empty()) {
                if (blocks[i]->Inputs().empty()) {
                    blocks[i]->AddInput("~", 0);  // a Master has none of its own
                }
                blocks[i]->Inputs().front().id = source->Outputs().front().id;
            }
        }
    }
    // A new child goes first in the walk, so the last written is appended first.
    for (auto it = blocks.rbegin(); it != blocks.rend(); ++it) {
        root->AppendChild(std::move(*it));
    }
    return root;
}

NetworkSim::NetworkSim(const std::string& words) : root_(MakeNetwork(words, ids)) {
    std::string error;
    network = sim::NetworkFromBlocks(*root_, clock, error);
    if (network == nullptr) {
        throw std::runtime_error(error);
    }
    hub.Add("SIM1", network);
    recorder_ = std::make_unique<FrameRecorder>(*network);
}

Block& NetworkSim::BlockNamed(const std::string& name) {
    if (Block* block = FindRadioBlock(*root_, name)) {
        return *block;
    }
    throw std::invalid_argument("no block " + name);
}

sim::Unit& NetworkSim::UnitOf(const std::string& name) {
    const auto ua = static_cast<std::uint16_t>(BlockNamed(name).UnitAddress());
    return network->Local().Ua() == ua ? network->Local() : *network->FindRemote(ua);
}

std::vector<NetworkSim::Sent> NetworkSim::Frames() const {
    std::vector<Sent> frames;
    for (Bytes& b : recorder_->Sent()) {
        if (b.size() >= 4) {
            frames.push_back({static_cast<std::uint16_t>(b[1] << 8 | b[2]), b[3], std::move(b)});
        }
    }
    return frames;
}

}  // namespace skelvane::test
