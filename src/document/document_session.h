#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/prompter.h"
#include "document/block.h"
#include "document/link_id_counter.h"
#include "document/network_file.h"

namespace skelvane {

// Where the program finds its files: the folder of the program itself and the installed data
// folder. The configuration file "Skelvane.cfg" and the templates are looked for in the
// program's folder first and in the data folder last.
struct SessionPaths {
    std::filesystem::path programDir;
    std::filesystem::path dataDir;
};

// The folder of the running program and its data folder: share/skelvane beside the program's
// bin/ folder when there is one, else the folder the build installs to.
SessionPaths DefaultSessionPaths();

// Where a template file name is found: as given when absolute; otherwise the first of the
// current folder, the program's folder and the data folder that holds it (the name as given
// when none does, so that reading it fails with the usual message). The name is Latin-1.
std::filesystem::path FindTemplateFile(std::string_view fileName, const SessionPaths& paths);

// The default model and its template, used when the configuration offers no choice.
inline constexpr std::string_view kDefaultModelName = "TAVRIN-A";
inline constexpr std::string_view kDefaultTemplateFile = "TAVRIN-A.TPL";
inline constexpr std::string_view kConfigFileName = "Skelvane.cfg";
inline constexpr std::string_view kNewDocumentName = "Unknown.xml";

// The document side of the program's file commands, shared by the GUI and the command-line
// tool: the user's network, the configuration (model list, read once at start-up) and the
// template of the current model (re-read at every New), the copied block, and the rules of
// the modified flag. Windows, file dialogs and positions outside the diagram stay with the
// caller; everything shown to the user goes through the Prompter.
//
// Unsaved changes: the question reads "Do you want to discard changes you made?", so "Yes"
// discards them and the command goes on, "No" keeps them by saving the network to its file
// name first (the command goes on only when that save succeeded), and "Cancel" (when
// closing) keeps the program open. No answer loses changes the user chose to keep.
class DocumentSession {
  public:
    DocumentSession(Prompter& prompter, LinkIdCounter& ids, SessionPaths paths);
    DocumentSession(const DocumentSession&) = delete;
    DocumentSession& operator=(const DocumentSession&) = delete;

    // Reads the configuration (beside the program, else in the data folder; a missing file is
    // no error), then runs New.
    // False when the program must end: the configuration or the template could not be read
    // (the message has been shown).
    bool StartUp();

    // The question about unsaved changes, then a new network of the chosen model: one Master
    // at (40, 40) with the template's Master parameters, named "Unknown.xml". False when the
    // question stopped it, or when the template could not be read; then MustEnd() is true and
    // the program ends.
    bool New();

    // The question first; then the file replaces the network. False when it was not opened:
    // the question stopped it (the network is untouched) or the read failed (its message was
    // shown; the network holds what the read kept, named "Unknown.xml").
    bool Open(const std::filesystem::path& path);

    // Stores the port settings (the callback), then writes the network to its file name.
    // A network that has no name the user chose ("Unknown.xml") is never written into the
    // working folder: the name chooser is asked for one instead (false when it gives none,
    // or when there is no chooser). False also when the save failed (its message was shown).
    bool Save();
    // Writes the network to `path`, which becomes its file name.
    bool SaveAs(const std::filesystem::path& path);

    // The close question (Yes, No, Cancel) when the network is modified. False: stay open.
    bool ConfirmClose();
    // The question of New and Open (Yes, No) when the network is modified. False: the command
    // stops.
    bool AskAboutChanges();

    // True after a template or configuration read failed at New or start-up.
    bool MustEnd() const { return mustEnd_; }

    // A new block of a radio kind at (x, y) with its kind's template parameters (the Devices
    // menu). nullptr, after message 141, for a kind that is not a radio.
    Block* AddBlock(BlockKind kind, int x, int y);
    // The same, its values then seeded from the copied block. nullptr (and nothing happens)
    // when no block is copied.
    Block* PasteBlock(BlockKind kind, int x, int y);
    // Only a block of the user's network can be copied; anything else clears the copy.
    void SetCopiedBlock(Block* block);
    Block* CopiedBlock() const { return copied_; }
    // Removes a radio of the user's network. Any deletion clears the copied block. False
    // (nothing changes) for the root or a block that is not in the network.
    bool DeleteBlock(Block* block);
    // The rename rules (messages 134 and 135); on success the name is taken (cut to 99
    // characters) and the network is marked modified.
    bool RenameBlock(Block* block, std::string_view name);
    // A block dragged in the diagram: its new position; marks the network modified.
    bool MoveBlock(Block* block, int x, int y);
    // Any other change made to the network (links, opening a block's properties).
    void MarkModified() { user_.SetModified(true); }

    NetworkFile& User() { return user_; }
    NetworkFile& Template() { return template_; }
    NetworkFile& Config() { return config_; }
    const NetworkFile& User() const { return user_; }

    // The models of the configuration's model list, in list order (empty without one).
    std::vector<std::string> ModelNames() const;
    // The model and template file chosen at the last New.
    std::string ModelName() const { return modelName_; }
    std::string TemplateFileName() const { return templateFile_; }
    // Where this session finds a template file (FindTemplateFile with its folders).
    std::filesystem::path ResolveTemplatePath(std::string_view fileName) const {
        return FindTemplateFile(fileName, paths_);
    }
    // The program's folder and its data folder.
    const SessionPaths& Paths() const { return paths_; }

    // Called by Save before the network is written; false when the settings could not be
    // stored, which Save reports in a message before it saves the network all the same.
    void SetStorePortSettings(std::function<bool()> store) {
        storePortSettings_ = std::move(store);
    }

    // Asks the user where to save a network that has no name yet; empty: cancelled.
    void SetSaveNameChooser(std::function<std::filesystem::path()> choose) {
        chooseSaveName_ = std::move(choose);
    }
    // The network has no file name the user chose.
    bool Untitled() const;

  private:
    // Sets the model and its template file name; asks when the list offers a choice.
    void ChooseModel();
    bool InUserNetwork(const Block* block) const;
    Block* PlaceBlock(BlockKind kind, int x, int y);
    // Yes: go on; No: save, go on when that worked; anything else: stop.
    bool ActOnAnswer(Answer answer);

    Prompter& prompter_;
    SessionPaths paths_;
    NetworkFile user_;
    NetworkFile template_;
    NetworkFile config_;
    Block* copied_ = nullptr;
    std::string modelName_{kDefaultModelName};
    std::string templateFile_{kDefaultTemplateFile};
    std::function<bool()> storePortSettings_;
    std::function<std::filesystem::path()> chooseSaveName_;
    bool mustEnd_ = false;
};

}  // namespace skelvane
