// The document session: start-up, the model choice, the file commands with the question
// about unsaved changes, placing and pasting blocks, and the modified flag.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/strings.h"
#include "document/document_session.h"
#include "support/test_paths.h"

namespace skelvane {
namespace {

namespace fs = std::filesystem;

using Models = std::vector<std::pair<std::string, std::string>>;  // name, template file

std::vector<const Block*> Children(const Block* root) {
    std::vector<const Block*> children;
    for (const Block* b = root != nullptr ? root->FirstChild() : nullptr; b != nullptr;
         b = b->NextSibling()) {
        children.push_back(b);
    }
    return children;
}

class SessionTest : public testing::Test {
  protected:
    void SetUp() override {
        for (const char* sub : {"program", "data", "cwd"}) {
            fs::create_directories(dir / sub);
        }
        // Relative template names are looked up in the current folder first: make it one
        // that holds only what a test puts there.
        previousCwd = fs::current_path();
        fs::current_path(dir / "cwd");
        // The shipped templates beside the program.
        for (const char* file : {"TAVRIN-A.TPL", "MORVEX-A.TPL"}) {
            Put(ProgramDir(), file);
        }
    }
    void TearDown() override { fs::current_path(previousCwd); }

    fs::path ProgramDir() const { return dir / "program"; }
    fs::path DataFolder() const { return dir / "data"; }

    // Copies a shipped template into one of the folders.
    void Put(const fs::path& folder, const std::string& file, const std::string& as = {}) {
        fs::copy_file(test::DataDir() / file, folder / (as.empty() ? file : as),
                      fs::copy_options::overwrite_existing);
    }

    // "Skelvane.cfg" with this model list, beside the program.
    void WriteConfig(const Models& models) {
        std::string xml =
            "<Network><Blocks><Block type=\"34794\"><Blocks><Block type=\"34826\">"
            "<Parameters><Parameter name=\"NetworkTemplates\"><Choices>";
        for (const auto& [name, file] : models) {
            xml += "<Choice name=\"" + name + "\" desc=\"" + file + "\"/>";
        }
        xml += "</Choices></Parameter></Parameters></Block></Blocks></Block></Blocks></Network>";
        test::WriteFileBytes(ProgramDir() / "Skelvane.cfg", xml);
    }

    // A session with the shipped templates, started.
    void StartWithShippedTemplates() {
        ASSERT_TRUE(session.StartUp());
        prompter.Reset();
    }

    Block* Master() { return session.User().Root()->FirstChild(); }

    // The kind's block in the session's template.
    const Block& TemplateBlock(const std::string& kindName) {
        for (const Block* block : Children(session.Template().Root())) {
            if (block->Name() == kindName) {
                return *block;
            }
        }
        ADD_FAILURE() << kindName;
        return *session.Template().Root();
    }

    test::TempDir dir;
    fs::path previousCwd;
    LinkIdCounter ids;
    RecordingPrompter prompter;
    DocumentSession session{prompter, ids, {dir / "program", dir / "data"}};
};

// --- Start-up and the model choice ----------------------------------------------------------

struct ModelChoiceCase {
    const char* label;
    std::optional<Models> models;            // nullopt: no configuration
    std::optional<std::size_t> preselected;  // nullopt: not asked
    std::optional<std::size_t> answer;
    const char* expectedModel;
    const char* expectedTemplate;
};

class ModelChoiceTest : public SessionTest, public testing::WithParamInterface<ModelChoiceCase> {};

// The new network holds one Master with the values of the chosen model's template.
TEST_P(ModelChoiceTest, TakesTheTemplateOfTheChosenModel) {
    const ModelChoiceCase& c = GetParam();
    if (c.models) {
        WriteConfig(*c.models);
    }
    prompter.QueueChoice(c.answer);
    ASSERT_TRUE(session.StartUp());

    const auto records = prompter.Records();
    ASSERT_EQ(records.size(), c.preselected ? 1u : 0u);
    if (c.preselected) {
        EXPECT_EQ(records[0].caption, "Network Templates");
        EXPECT_EQ(records[0].items, session.ModelNames());
        EXPECT_EQ(records[0].selected, *c.preselected);
    }
    EXPECT_EQ(session.ModelName(), c.expectedModel);
    EXPECT_EQ(session.TemplateFileName(), c.expectedTemplate);
    EXPECT_EQ(session.Template().FileName(), (ProgramDir() / c.expectedTemplate).string());
    EXPECT_FALSE(session.MustEnd());
    EXPECT_EQ(session.User().FileName(), "Unknown.xml");
    EXPECT_FALSE(session.User().Modified());
    const auto radios = Children(session.User().Root());
    ASSERT_EQ(radios.size(), 1u);
    EXPECT_EQ(radios[0]->Kind(), BlockKind::Master);
    EXPECT_FALSE(radios[0]->Parameters().empty());
    EXPECT_EQ(radios[0]->Parameters(), TemplateBlock("Master").Parameters());
}

const std::pair<std::string, std::string> kTavrin{"TAVRIN-A", "TAVRIN-A.TPL"};
const std::pair<std::string, std::string> kMorvex{"MORVEX-A", "MORVEX-A.TPL"};

// Each model named with the other's file, and the default model in other case.
const Models kCrossed = {{"MORVEX-A", "TAVRIN-A.TPL"}, {"TAVRIN-A", "MORVEX-A.TPL"}};
const Models kOtherCase = {{"MORVEX-A", "TAVRIN-A.TPL"}, {"tavrin-a", "MORVEX-A.TPL"}};
const Models kNoDefault = {kMorvex, {"MORVEX-B", "TAVRIN-A.TPL"}};

INSTANTIATE_TEST_SUITE_P(
    Table, ModelChoiceTest,
    testing::Values(
        // Without a model list, or with one of no or one model, nothing is asked: the default
        // model, whatever the entry names.
        ModelChoiceCase{"NoConfiguration", std::nullopt, {}, {}, "TAVRIN-A", "TAVRIN-A.TPL"},
        ModelChoiceCase{"NoModels", Models{}, {}, {}, "TAVRIN-A", "TAVRIN-A.TPL"},
        ModelChoiceCase{"OneModel", Models{kMorvex}, {}, {}, "TAVRIN-A", "TAVRIN-A.TPL"},
        ModelChoiceCase{"SecondChosen", Models{kTavrin, kMorvex}, 0, 1, "MORVEX-A", "MORVEX-A.TPL"},
        // Closing the list keeps the default model, whose file the list names.
        ModelChoiceCase{"Closed", kCrossed, 1, std::nullopt, "TAVRIN-A", "MORVEX-A.TPL"},
        // The default model is found without regard to case, its file by the exact name.
        ModelChoiceCase{"DefaultInOtherCase", kOtherCase, 1, 1, "tavrin-a", "MORVEX-A.TPL"},
        ModelChoiceCase{"NoDefaultInTheList", kNoDefault, 0, 0, "MORVEX-A", "MORVEX-A.TPL"}),
    [](const auto& info) { return std::string(info.param.label); });

// A configuration that cannot be read, or a chosen model whose template is missing, ends
// start-up with the open message.
TEST_F(SessionTest, AnUnreadableConfigurationOrTemplateEndsStartUp) {
    const fs::path config = ProgramDir() / "Skelvane.cfg";
    for (const bool configReadable : {false, true}) {
        prompter.Reset();
        if (configReadable) {
            WriteConfig({kTavrin, {"GHOST-A", "GHOST-A.TPL"}});
            prompter.QueueChoice(1);
        } else {
            test::WriteFileBytes(config, "<Network><Blocks>");
        }
        EXPECT_FALSE(session.StartUp());
        EXPECT_TRUE(session.MustEnd());
        EXPECT_EQ(prompter.Count(), configReadable ? 2u : 1u);
        EXPECT_EQ(prompter.LastText(),
                  std::string(LoadText(kIdsFileOpenFailed)) + "\r\n" +
                      (configReadable ? "GHOST-A.TPL: No such file or directory"
                                      : config.string() + ": not a network file"));
        EXPECT_EQ(session.Template().Root(), nullptr);
    }
}

TEST_F(SessionTest, TheConfigurationIsReadBesideTheProgramElseFromTheDataFolder) {
    Put(DataFolder(), "Skelvane.cfg");
    ASSERT_TRUE(session.StartUp());
    EXPECT_EQ(session.ModelNames(), (std::vector<std::string>{"TAVRIN-A", "MORVEX-A"}));
    WriteConfig({kTavrin});
    ASSERT_TRUE(session.StartUp());
    EXPECT_EQ(session.ModelNames(), std::vector<std::string>{"TAVRIN-A"});
}

// Where a relative template name is found: the current folder, then beside the program, then
// the data folder.
struct LookupCase {
    const char* label;
    std::set<std::string> holders;  // of "cwd", "program", "data"
    const char* expected;           // folder of the result; "" = the name as given
};

class TemplateLookupTest : public SessionTest, public testing::WithParamInterface<LookupCase> {};

TEST_P(TemplateLookupTest, TakesTheFirstFolderHoldingTheFile) {
    for (const std::string& holder : GetParam().holders) {
        Put(dir / holder, "MORVEX-A.TPL", "X.TPL");
    }
    const std::string expected = GetParam().expected;
    // Found in the current folder, or nowhere: the name as given.
    const fs::path want = expected.empty() ? fs::path("X.TPL") : dir / expected / "X.TPL";
    EXPECT_EQ(session.ResolveTemplatePath("X.TPL"), want);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TemplateLookupTest,
    testing::Values(LookupCase{"Everywhere", {"cwd", "program", "data"}, ""},
                    LookupCase{"ProgramAndData", {"program", "data"}, "program"},
                    LookupCase{"DataOnly", {"data"}, "data"}, LookupCase{"Nowhere", {}, ""}),
    [](const auto& info) { return std::string(info.param.label); });

// --- Placing and pasting blocks -------------------------------------------------------------

struct PasteCase {
    BlockKind kind;
    const char* kindName;
    std::set<std::string> notCopied;
};

class PasteTest : public SessionTest, public testing::WithParamInterface<PasteCase> {};

TEST_P(PasteTest, TakesTheKindsSetWithTheCopiedValuesButTheUnitsIdentity) {
    StartWithShippedTemplates();
    // Give every value of the Master something no template holds.
    Block* master = Master();
    std::uint32_t n = 1000;
    for (Parameter& p : master->Parameters()) {
        p.value = ++n;
        p.textValue = "copied " + std::to_string(n);
    }
    session.SetCopiedBlock(master);
    Block* pasted = session.PasteBlock(GetParam().kind, 120, 260);
    ASSERT_NE(pasted, nullptr);
    EXPECT_TRUE(session.User().Modified());
    EXPECT_EQ(pasted->Name(), GetParam().kindName);

    const Block& kindSet = TemplateBlock(GetParam().kindName);
    ASSERT_EQ(pasted->Parameters().size(), kindSet.Parameters().size());
    for (std::size_t i = 0; i < kindSet.Parameters().size(); ++i) {
        const Parameter& p = pasted->Parameters()[i];
        const Parameter& fromTemplate = kindSet.Parameters()[i];
        const Parameter* fromMaster = master->FindParameter(p.name);
        ASSERT_NE(fromMaster, nullptr) << p.name;
        // Only the value travels; the rest of the record is the kind's own.
        Parameter expected = fromTemplate;
        if (GetParam().notCopied.count(p.name) == 0) {
            if (p.IsText()) {
                expected.textValue = fromMaster->textValue;
            } else {
                expected.value = fromMaster->value;
            }
        }
        EXPECT_TRUE(p == expected)
            << p.name << ": value " << p.value << " text '" << p.textValue << "'";
    }
}

const std::set<std::string> kIdentity = {"OperatingMode", "UnitAddress", "RoamingAddress",
                                         "DestAddess", "RepeaterYesNo"};

INSTANTIATE_TEST_SUITE_P(Kinds, PasteTest,
                         testing::Values(PasteCase{BlockKind::Remote, "Remote", kIdentity},
                                         PasteCase{BlockKind::Repeater, "Repeater", kIdentity},
                                         PasteCase{BlockKind::Master, "Master", {"OperatingMode"}}),
                         [](const auto& info) { return std::string(info.param.kindName); });

TEST_F(SessionTest, AddingABlockGivesItItsKindsTemplateSetAndLinkEnds) {
    StartWithShippedTemplates();
    for (const BlockKind kind :
         {BlockKind::Master, BlockKind::Repeater, BlockKind::Remote, BlockKind::Radio}) {
        Block* block = session.AddBlock(kind, 300, 90);
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(block->Position(), (BlockPosition{300, 90}));
        EXPECT_EQ(block->Parameters(), TemplateBlock(block->Name()).Parameters()) << block->Name();
        const std::size_t ins = block->Inputs().size();
        const std::size_t outs = block->Outputs().size();
        EXPECT_EQ(ins, kind == BlockKind::Master ? 0u : 1u) << block->Name();
        EXPECT_EQ(outs, kind == BlockKind::Master || kind == BlockKind::Repeater ? 1u : 0u)
            << block->Name();
    }
    EXPECT_EQ(prompter.Count(), 0u);
}

// The copied block points into the network: whatever may destroy it clears the copy.
TEST_F(SessionTest, DeletingNewOrOpenClearsTheCopiedBlock) {
    StartWithShippedTemplates();
    const fs::path saved = dir / "net.xml";
    ASSERT_TRUE(session.SaveAs(saved));
    const std::vector<std::pair<const char*, std::function<void()>>> clearers = {
        {"delete another block",
         [&] { session.DeleteBlock(session.AddBlock(BlockKind::Remote, 1, 1)); }},
        {"new", [&] { session.New(); }},
        {"open", [&] { session.Open(saved); }},
    };
    for (const auto& [what, clear] : clearers) {
        session.User().SetModified(false);
        session.SetCopiedBlock(Master());
        ASSERT_EQ(session.CopiedBlock(), Master()) << what;
        clear();
        EXPECT_EQ(session.CopiedBlock(), nullptr) << what;
    }
}

TEST_F(SessionTest, OnlyRadiosArePlacedAndOnlyBlocksOfTheNetworkCopiedOrDeleted) {
    StartWithShippedTemplates();
    EXPECT_EQ(session.AddBlock(BlockKind::Network, 10, 10), nullptr);
    EXPECT_EQ(prompter.LastText(), LoadText(kIdsUnknownBlockType));
    Block* foreign = session.Template().Root()->FirstChild();
    session.SetCopiedBlock(foreign);
    EXPECT_EQ(session.CopiedBlock(), nullptr);
    EXPECT_FALSE(session.DeleteBlock(foreign));
    EXPECT_FALSE(session.DeleteBlock(session.User().Root()));
    EXPECT_FALSE(session.DeleteBlock(nullptr));
    EXPECT_NE(session.Template().Root()->FirstChild(), nullptr);
    EXPECT_EQ(Children(session.User().Root()).size(), 1u);
    EXPECT_FALSE(session.User().Modified());
}

TEST_F(SessionTest, AFailedOpenLeavesANetworkThatSavesOverNeitherFile) {
    StartWithShippedTemplates();
    const fs::path good = dir / "good.xml";
    ASSERT_TRUE(session.SaveAs(good));
    const std::string goodBytes = test::ReadFileBytes(good);
    const fs::path bad = dir / "notes.txt";
    test::WriteFileBytes(bad, "shopping list");

    EXPECT_FALSE(session.Open(bad));
    EXPECT_EQ(prompter.LastText(), std::string(LoadText(kIdsFileOpenFailed)) + "\r\n" +
                                       bad.string() + ": not a network file");
    EXPECT_EQ(session.User().FileName(), "Unknown.xml");
    EXPECT_EQ(session.User().Root(), nullptr);

    // The user carries on: a block can still be placed, and saving asks for a name instead
    // of writing "Unknown.xml" into the working folder; no name given, nothing is written.
    ASSERT_NE(session.AddBlock(BlockKind::Remote, 50, 60), nullptr);
    EXPECT_FALSE(session.Save());
    fs::path offered = dir / "chosen.xml";
    session.SetSaveNameChooser([&offered] { return std::exchange(offered, fs::path()); });
    ASSERT_TRUE(session.Save());
    EXPECT_EQ(session.User().FileName(), (dir / "chosen.xml").string());
    EXPECT_FALSE(session.User().Modified());
    session.User().SetFileName("Unknown.xml");
    session.User().SetModified(true);
    EXPECT_FALSE(session.Save());  // the chooser was cancelled
    EXPECT_FALSE(fs::exists("Unknown.xml"));
    EXPECT_EQ(test::ReadFileBytes(good), goodBytes);
    EXPECT_EQ(test::ReadFileBytes(bad), "shopping list");
}

// --- Save and the question about unsaved changes --------------------------------------------

TEST_F(SessionTest, SaveStoresThePortSettingsBeforeWriting) {
    StartWithShippedTemplates();
    const fs::path path = dir / "net.xml";
    ASSERT_TRUE(session.SaveAs(path));
    int stores = 0;
    std::string contentWhenStored;
    bool stored = true;
    session.SetStorePortSettings([&] {
        ++stores;
        contentWhenStored = test::ReadFileBytes(path);
        return stored;
    });
    ASSERT_NE(session.AddBlock(BlockKind::Remote, 1, 2), nullptr);
    const std::string before = test::ReadFileBytes(path);
    ASSERT_TRUE(session.Save());
    EXPECT_EQ(stores, 1);
    EXPECT_EQ(contentWhenStored, before);
    EXPECT_NE(test::ReadFileBytes(path), before);
    // Save As does not store them.
    ASSERT_TRUE(session.SaveAs(dir / "other.xml"));
    EXPECT_EQ(stores, 1);

    // Settings that could not be stored are reported; the network is saved all the same.
    stored = false;
    ASSERT_NE(session.AddBlock(BlockKind::Remote, 3, 4), nullptr);
    ASSERT_TRUE(session.Save());
    ASSERT_EQ(prompter.Records().size(), 1u);
    EXPECT_EQ(prompter.Records()[0].text,
              "Port Settings Not Saved\r\nUnable to store the serial port settings.");
    EXPECT_FALSE(session.User().Modified());
}

enum class Command { New, Open, Close };

struct QuestionCase {
    const char* label;
    Command command;
    Answer answer;
    bool goesOn;             // the command's result
    bool saved;              // the changes reached the file
    bool saveFails = false;  // keeping the changes cannot write the file
};

class UnsavedChangesTest : public SessionTest, public testing::WithParamInterface<QuestionCase> {
  protected:
    void SetUp() override {
        SessionTest::SetUp();
        StartWithShippedTemplates();
        ASSERT_TRUE(session.SaveAs(other));
        ASSERT_TRUE(session.SaveAs(path));
        changed = session.AddBlock(BlockKind::Remote, 70, 80);
        ASSERT_NE(changed, nullptr);
        prompter.Reset();
    }

    bool Run(Command command) {
        switch (command) {
            case Command::New:
                return session.New();
            case Command::Open:
                return session.Open(other);
            case Command::Close:
                break;
        }
        return session.ConfirmClose();
    }

    std::size_t RadiosInFile() {
        LinkIdCounter counter;
        NetworkFile file(counter);
        RecordingPrompter quiet;
        EXPECT_TRUE(file.Read(path, quiet));
        return Children(file.Root()).size();
    }

    fs::path path = dir / "net.xml";
    fs::path other = dir / "other.xml";
    Block* changed = nullptr;
};

TEST_P(UnsavedChangesTest, TheAnswerDiscardsOrKeepsTheChangesAsTheQuestionSays) {
    const QuestionCase& c = GetParam();
    const fs::path missing = dir / "missing" / "net.xml";
    if (c.saveFails) {
        session.User().SetFileName(missing.string());
    }
    prompter.QueueAnswer(c.answer);
    EXPECT_EQ(Run(c.command), c.goesOn);
    if (c.saveFails) {
        EXPECT_EQ(prompter.LastText(), std::string(LoadText(kIdsSaveFailed)) + "\r\n" +
                                           missing.string() + ": No such file or directory");
    }

    const auto records = prompter.Records();
    ASSERT_GE(records.size(), 1u);
    EXPECT_EQ(records[0].text, LoadText(kIdsDiscardChanges));
    EXPECT_EQ(records[0].caption, "Skelvane");
    EXPECT_EQ(records[0].icon, MessageIcon::Information);
    EXPECT_EQ(records[0].buttons,
              c.command == Command::Close ? MessageButtons::YesNoCancel : MessageButtons::YesNo);
    EXPECT_EQ(RadiosInFile(), c.saved ? 2u : 1u);
    if (!c.goesOn) {
        // Nothing of the network was touched.
        EXPECT_TRUE(session.User().Modified());
        EXPECT_EQ(Children(session.User().Root()).size(), 2u);
    } else if (c.command != Command::Close) {
        EXPECT_FALSE(session.User().Modified());
        EXPECT_EQ(Children(session.User().Root()).size(), 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, UnsavedChangesTest,
    testing::Values(QuestionCase{"NewNoSaves", Command::New, Answer::No, true, true},
                    // Escape or closing the box.
                    QuestionCase{"OpenCancelStays", Command::Open, Answer::Cancel, false, false},
                    QuestionCase{"CloseYesDiscards", Command::Close, Answer::Yes, true, false},
                    QuestionCase{"CloseNoSaves", Command::Close, Answer::No, true, true},
                    // When keeping the changes fails to save them, the command stops.
                    QuestionCase{"NewSaveFails", Command::New, Answer::No, false, false, true},
                    QuestionCase{"OpenSaveFails", Command::Open, Answer::No, false, false, true},
                    QuestionCase{"CloseSaveFails", Command::Close, Answer::No, false, false, true}),
    [](const auto& info) { return std::string(info.param.label); });

// --- The modified flag ----------------------------------------------------------------------

TEST_F(SessionTest, TheModifiedFlagFollowsEachCommand) {
    StartWithShippedTemplates();
    Block* remote = nullptr;
    const fs::path path = dir / "flag.xml";
    struct Step {
        const char* what;
        std::function<bool()> run;
        bool modified;
    };
    const std::vector<Step> steps = {
        {"add", [&] { return (remote = session.AddBlock(BlockKind::Remote, 1, 2)) != nullptr; },
         true},
        {"save as", [&] { return session.SaveAs(path); }, false},
        {"rename", [&] { return session.RenameBlock(remote, "North 7"); }, true},
        {"save", [&] { return session.Save(); }, false},
        {"refused rename", [&] { return !session.RenameBlock(remote, "-x"); }, false},
        {"copy", [&] { return session.SetCopiedBlock(remote), session.CopiedBlock() == remote; },
         false},
        {"move", [&] { return session.MoveBlock(remote, 90, 95); }, true},
        {"save", [&] { return session.Save(); }, false},
        {"delete", [&] { return session.DeleteBlock(remote); }, true},
    };
    for (const Step& step : steps) {
        EXPECT_TRUE(step.run()) << step.what;
        EXPECT_EQ(session.User().Modified(), step.modified) << step.what;
    }
}

}  // namespace
}  // namespace skelvane
