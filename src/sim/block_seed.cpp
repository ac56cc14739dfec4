#include "sim/block_seed.h"

#include "base/format.h"
#include "base/prompter.h"
#include "document/link_id_counter.h"
#include "document/network_file.h"
#include "sim/builtin_network.h"

namespace skelvane::sim {
namespace {

bool IsRadio(const Block& block) {
    switch (block.Kind()) {
        case BlockKind::Master:
        case BlockKind::Remote:
        case BlockKind::Repeater:
        case BlockKind::Radio:
            return true;
        default:
            return false;
    }
}

}  // namespace

std::vector<ParameterSeed> SeedsOf(const Block& block) {
    std::vector<ParameterSeed> seeds;
    for (const Parameter& p : block.Parameters()) {
        seeds.push_back({p.name, p.type, p.value, p.textValue, p.vectors});
    }
    return seeds;
}

std::unique_ptr<Unit> UnitFromBlock(const Block& block) {
    auto unit = std::make_unique<Unit>(static_cast<std::uint16_t>(block.UnitAddress()));
    SeedUnit(*unit, SeedsOf(block));
    return unit;
}

std::shared_ptr<Network> NetworkFromBlocks(const Block& root, Clock& clock, std::string& error,
                                           std::vector<std::string>* warnings) {
    const Block* master = nullptr;
    for (const Block* b = root.FirstChild(); b != nullptr; b = b->NextSibling()) {
        if (b->Kind() == BlockKind::Master) {
            master = b;
            break;
        }
    }
    if (master == nullptr) {
        error = "the network has no Master to put on the cable";
        return nullptr;
    }
    auto network = std::make_shared<Network>(clock);
    network->SetLocal(UnitFromBlock(*master));
    for (const Block* b = root.FirstChild(); b != nullptr; b = b->NextSibling()) {
        if (b == master || !IsRadio(*b)) {
            continue;
        }
        std::unique_ptr<Unit> unit = UnitFromBlock(*b);
        const std::uint16_t ua = unit->Ua();
        const Millis latency = b->Kind() == BlockKind::Repeater ? kRepeaterLatency : kRemoteLatency;
        if (ua == network->Local().Ua() ||
            network->AddRemote(std::move(unit), latency) == nullptr) {
            if (warnings != nullptr) {
                warnings->push_back(Format("block \"%s\" skipped: unit address %u is %s",
                                           b->Name().c_str(), static_cast<unsigned>(ua),
                                           ua == 0 ? "missing" : "taken"));
            }
        }
    }
    return network;
}

std::shared_ptr<Network> NetworkFromFile(const std::string& path, Clock& clock, std::string& error,
                                         std::vector<std::string>* warnings) {
    LinkIdCounter ids;
    NetworkFile file(ids);
    RecordingPrompter prompter;
    if (!file.Read(path, prompter) || file.Root() == nullptr) {
        error = prompter.LastText().empty() ? Format("cannot read %s", path.c_str())
                                            : prompter.LastText();
        return nullptr;
    }
    return NetworkFromBlocks(*file.Root(), clock, error, warnings);
}

}  // namespace skelvane::sim
