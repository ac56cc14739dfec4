#include "sim/template_network.h"

#include <cstdint>
#include <system_error>
#include <utility>

#include "base/prompter.h"
#include "document/document_session.h"
#include "document/link_id_counter.h"
#include "document/network_file.h"
#include "document/parameter_sets.h"
#include "sim/at_command_port.h"
#include "sim/block_seed.h"
#include "sim/builtin_network.h"
#include "sim/upgrade_sides.h"

namespace skelvane::sim {
namespace {

struct TemplateUnit {
    BlockKind kind;
    std::uint16_t ua;
};

// As in the built-in network: the Master first, so that it is the unit on the cable.
constexpr TemplateUnit kUnits[] = {{BlockKind::Remote, 301},
                                   {BlockKind::Remote, 300},
                                   {BlockKind::Repeater, 2},
                                   {BlockKind::Master, 1}};

}  // namespace

std::shared_ptr<Network> NetworkFromTemplate(const std::filesystem::path& templatePath,
                                             Clock& clock, std::string& error) {
    LinkIdCounter ids;
    NetworkFile templates(ids);
    RecordingPrompter prompter;
    if (!templates.Read(templatePath, prompter) || templates.Root() == nullptr) {
        error = templatePath.string() + ": " +
                (prompter.LastText().empty() ? std::string("no network in the file")
                                             : prompter.LastText());
        return nullptr;
    }
    NetworkFile network(ids);
    network.SetRoot(CreateBlock(static_cast<int>(BlockKind::Network)));
    for (const TemplateUnit& unit : kUnits) {
        Block* block = network.Root()->AppendChild(CreateBlock(static_cast<int>(unit.kind)));
        if (!CopyTemplateParameters(*block, templates)) {
            error = templatePath.string() + ": no block \"" + block->Name() + "\"";
            return nullptr;
        }
        if (Parameter* ua = block->FindParameter("UnitAddress"); ua != nullptr) {
            ua->value = unit.ua;
        }
    }
    return NetworkFromBlocks(*network.Root(), clock, error);
}

std::filesystem::path FindDefaultTemplate() {
    const std::filesystem::path path =
        FindTemplateFile(kDefaultTemplateFile, DefaultSessionPaths());
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec) ? path : std::filesystem::path();
}

std::shared_ptr<Network> MakeDefaultNetwork(Clock& clock, std::string& note) {
    note.clear();
    std::string error;
    const std::filesystem::path templatePath = FindDefaultTemplate();
    std::shared_ptr<Network> network;
    if (!templatePath.empty()) {
        network = NetworkFromTemplate(templatePath, clock, error);
    }
    if (network == nullptr) {
        note = (templatePath.empty() ? std::string("no template of the default model") : error) +
               "; serving the built-in register set";
        network = MakeBuiltInNetwork(clock);
    }
    return network;
}

std::shared_ptr<Network> MakeTryOutNetwork(Clock& clock, std::string& note) {
    std::shared_ptr<Network> network = MakeDefaultNetwork(clock, note);
    InstallAtCommandSide(*network);
    InstallUpgradeSides(*network);
    return network;
}

}  // namespace skelvane::sim
