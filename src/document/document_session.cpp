#include "document/document_session.h"

#include <fstream>
#include <memory>
#include <system_error>
#include <utility>

#include "base/latin1.h"
#include "base/strings.h"
#include "document/block_names.h"
#include "document/parameter_sets.h"
#include "document/program_path.h"

namespace skelvane {
namespace {

constexpr char kModelChoiceCaption[] = "Network Templates";
// Where the settings go depends on the platform (the registry, a settings file), so the text
// names none.
constexpr char kPortSettingsNotStored[] =
    "Port Settings Not Saved\r\nUnable to store the serial port settings.";

// File names inside the core are Latin-1; the file system wants its own encoding.
std::filesystem::path PathOf(std::string_view latin1) {
    const std::string utf8 = Latin1ToUtf8(latin1);
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

bool IsRegularFile(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

bool IsRadioKind(BlockKind kind) {
    switch (kind) {
        case BlockKind::Master:
        case BlockKind::Remote:
        case BlockKind::Repeater:
        case BlockKind::Radio:
            return true;
        case BlockKind::Network:
            break;
    }
    return false;
}

// The parameter whose choices list the models: the first parameter of the configuration
// root's first child. nullptr when the file has no such parameter.
const Parameter* ModelList(const NetworkFile& config) {
    const Block* root = config.Root();
    const Block* first = root != nullptr ? root->FirstChild() : nullptr;
    if (first == nullptr || first->Parameters().empty()) {
        return nullptr;
    }
    return &first->Parameters().front();
}

}  // namespace

SessionPaths DefaultSessionPaths() {
    // An installed program finds its data beside its bin/ folder, wherever the tree was
    // unpacked (a package, an install into another prefix); the folder the build was
    // configured to install to is the fallback.
    const std::filesystem::path programDir = ProgramDirectory();
    std::filesystem::path dataDir = programDir.parent_path() / "share" / "skelvane";
    std::error_code ec;
    if (programDir.empty() || !std::filesystem::is_directory(dataDir, ec)) {
        dataDir = std::filesystem::path(SKELVANE_INSTALL_DATA_DIR);
    }
    return {programDir, dataDir};
}

std::filesystem::path FindTemplateFile(std::string_view fileName, const SessionPaths& paths) {
    const std::filesystem::path name = PathOf(fileName);
    if (name.empty() || name.is_absolute() || IsRegularFile(name)) {
        return name;
    }
    for (const std::filesystem::path& dir : {paths.programDir, paths.dataDir}) {
        if (!dir.empty() && IsRegularFile(dir / name)) {
            return dir / name;
        }
    }
    return name;
}

DocumentSession::DocumentSession(Prompter& prompter, LinkIdCounter& ids, SessionPaths paths)
    : prompter_(prompter), paths_(std::move(paths)), user_(ids), template_(ids), config_(ids) {
    user_.SetFileName(std::string(kNewDocumentName));
}

bool DocumentSession::StartUp() {
    mustEnd_ = false;
    user_.Clear();
    user_.SetFileName(std::string(kNewDocumentName));
    copied_ = nullptr;

    config_.Clear();
    config_.SetFileName({});
    // Beside the program first (a build tree, a copied folder), then in the data folder of
    // an installed program.
    std::filesystem::path configPath = paths_.programDir / PathOf(kConfigFileName);
    if (!IsRegularFile(configPath) && !paths_.dataDir.empty() &&
        IsRegularFile(paths_.dataDir / PathOf(kConfigFileName))) {
        configPath = paths_.dataDir / PathOf(kConfigFileName);
    }
    // A configuration that cannot be opened (as a rule: there is none) is no error.
    if (std::ifstream(configPath, std::ios::binary).is_open()) {
        if (!config_.Read(configPath, prompter_)) {
            config_.SetFileName({});
            mustEnd_ = true;
            return false;
        }
    }
    return New();
}

bool DocumentSession::New() {
    if (!AskAboutChanges()) {
        return false;
    }
    user_.Clear();
    user_.SetFileName(std::string(kNewDocumentName));
    copied_ = nullptr;
    Block* master = user_.NewNetwork();

    ChooseModel();
    template_.Clear();
    if (!template_.Read(ResolveTemplatePath(templateFile_), prompter_)) {
        mustEnd_ = true;
        return false;
    }
    CopyTemplateParameters(*master, template_);
    return true;
}

void DocumentSession::ChooseModel() {
    modelName_ = std::string(kDefaultModelName);
    templateFile_ = std::string(kDefaultTemplateFile);
    const Parameter* models = ModelList(config_);
    // Without a list of two or more models there is nothing to choose: the default model.
    if (config_.FileName().empty() || models == nullptr || models->choices.size() < 2) {
        return;
    }
    std::vector<std::string> names;
    std::size_t selected = 0;
    bool found = false;
    for (const Choice& model : models->choices) {
        if (!found && EqualsNoCase(model.name, kDefaultModelName)) {
            selected = names.size();
            found = true;
        }
        names.push_back(model.name);
    }
    const std::optional<std::size_t> chosen =
        prompter_.Choose(kModelChoiceCaption, names, selected);
    if (chosen.has_value() && *chosen < names.size()) {
        modelName_ = names[*chosen];
    }
    for (const Choice& model : models->choices) {
        if (model.name == modelName_) {
            templateFile_ = model.desc;
            break;
        }
    }
}

std::vector<std::string> DocumentSession::ModelNames() const {
    std::vector<std::string> names;
    if (const Parameter* models = ModelList(config_); models != nullptr) {
        for (const Choice& model : models->choices) {
            names.push_back(model.name);
        }
    }
    return names;
}

bool DocumentSession::Open(const std::filesystem::path& path) {
    if (!AskAboutChanges()) {
        return false;
    }
    user_.Clear();
    copied_ = nullptr;
    if (!user_.Read(path, prompter_)) {
        // What the read kept must not be saved over the file that was open before, nor over
        // the file that could not be read.
        user_.SetFileName(std::string(kNewDocumentName));
        return false;
    }
    return true;
}

bool DocumentSession::Save() {
    if (storePortSettings_ && !storePortSettings_()) {
        prompter_.Message(kPortSettingsNotStored, LoadText(kIdsError), MessageIcon::Exclamation);
    }
    if (Untitled()) {
        const std::filesystem::path chosen =
            chooseSaveName_ ? chooseSaveName_() : std::filesystem::path();
        return !chosen.empty() && SaveAs(chosen);
    }
    // The file name is the path as the file system gave it (not Latin-1).
    return user_.Save(std::filesystem::path(user_.FileName()), prompter_);
}

bool DocumentSession::Untitled() const {
    return user_.FileName().empty() || user_.FileName() == kNewDocumentName;
}

bool DocumentSession::SaveAs(const std::filesystem::path& path) {
    return user_.Save(path, prompter_);
}

bool DocumentSession::ActOnAnswer(Answer answer) {
    switch (answer) {
        case Answer::Yes:
            return true;  // discard the changes
        case Answer::No:
            return Save();  // keep them
        case Answer::Ok:
        case Answer::Cancel:
            break;
    }
    return false;
}

bool DocumentSession::AskAboutChanges() {
    if (!user_.Modified()) {
        return true;
    }
    return ActOnAnswer(prompter_.Message(LoadText(kIdsDiscardChanges), LoadText(kIdsAppName),
                                         MessageIcon::Information, MessageButtons::YesNo));
}

bool DocumentSession::ConfirmClose() {
    if (!user_.Modified()) {
        return true;
    }
    return ActOnAnswer(prompter_.Message(LoadText(kIdsDiscardChanges), LoadText(kIdsAppName),
                                         MessageIcon::Information, MessageButtons::YesNoCancel));
}

bool DocumentSession::InUserNetwork(const Block* block) const {
    if (block == nullptr) {
        return false;
    }
    while (block->Parent() != nullptr) {
        block = block->Parent();
    }
    return block == user_.Root();
}

Block* DocumentSession::PlaceBlock(BlockKind kind, int x, int y) {
    std::unique_ptr<Block> block =
        IsRadioKind(kind) ? CreateBlock(static_cast<int>(kind)) : nullptr;
    if (block == nullptr) {
        prompter_.Message(LoadText(kIdsUnknownBlockType), LoadText(kIdsError),
                          MessageIcon::Exclamation);
        return nullptr;
    }
    if (user_.Root() == nullptr) {
        // A failed Open can leave the network without its root; give the new block one.
        user_.SetRoot(CreateBlock(static_cast<int>(BlockKind::Network)));
    }
    block->CreateDefaultLinks(user_.Ids());
    block->SetPosition(x, y);
    Block* placed = user_.Root()->AppendChild(std::move(block));
    CopyTemplateParameters(*placed, template_);
    return placed;
}

Block* DocumentSession::AddBlock(BlockKind kind, int x, int y) {
    Block* block = PlaceBlock(kind, x, y);
    if (block != nullptr) {
        user_.SetModified(true);
    }
    return block;
}

Block* DocumentSession::PasteBlock(BlockKind kind, int x, int y) {
    if (copied_ == nullptr) {
        return nullptr;
    }
    Block* block = PlaceBlock(kind, x, y);
    if (block == nullptr) {
        return nullptr;
    }
    SeedParameterValues(*block, *copied_);
    user_.SetModified(true);
    return block;
}

void DocumentSession::SetCopiedBlock(Block* block) {
    copied_ = InUserNetwork(block) ? block : nullptr;
}

bool DocumentSession::DeleteBlock(Block* block) {
    if (!InUserNetwork(block) || block == user_.Root()) {
        return false;
    }
    copied_ = nullptr;
    user_.RemoveBlock(block);
    user_.SetModified(true);
    return true;
}

bool DocumentSession::RenameBlock(Block* block, std::string_view name) {
    if (!InUserNetwork(block) || !CheckBlockName(name, prompter_)) {
        return false;
    }
    block->SetName(name);
    user_.SetModified(true);
    return true;
}

bool DocumentSession::MoveBlock(Block* block, int x, int y) {
    if (!InUserNetwork(block)) {
        return false;
    }
    block->SetPosition(x, y);
    user_.SetModified(true);
    return true;
}

}  // namespace skelvane
