#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "base/prompter.h"
#include "base/strings.h"
#include "document/network_file.h"
#include "support/test_paths.h"

namespace skelvane {
namespace {

using testing::ElementsAre;

// A file around the given top-level blocks.
std::string FileWith(const std::string& blocks, const char* encoding = "ISO-8859-1") {
    return std::string("<?xml version=\"1.0\" encoding=\"") + encoding + "\"?>\n<Network><Blocks>" +
           blocks + "</Blocks></Network>\n";
}

// A Network block holding the given radio blocks.
std::string NetworkWith(const std::string& inner) {
    return "<Block type=\"34794\" xpos=\"0\" ypos=\"0\" name=\"Network\"><Blocks>" + inner +
           "</Blocks></Block>";
}

// The block tree below `block` as "name(child child ...)", children in walk order.
std::string Tree(const Block* block) {
    if (block == nullptr) {
        return "";
    }
    std::string text = block->Name();
    for (const Block* b = block->FirstChild(); b != nullptr; b = b->NextSibling()) {
        text += (b == block->FirstChild() ? "(" : " ") + Tree(b);
    }
    return block->FirstChild() != nullptr ? text + ")" : text;
}

class NetworkFileIoTest : public testing::Test {
  protected:
    NetworkFileIoTest() : document(ids) {}

    // Reads the bytes as a file (no bytes: a missing file); the messages are in `prompter`.
    bool ReadBytes(const std::optional<std::string>& bytes) {
        const auto path = dir / "in.xml";
        if (bytes) {
            test::WriteFileBytes(path, *bytes);
        }
        return document.Read(path, prompter);
    }

    // Saves the document and returns the file's bytes.
    std::string SavedBytes(const char* name = "out.xml") {
        const auto path = dir / name;
        EXPECT_TRUE(document.Save(path, prompter));
        return test::ReadFileBytes(path);
    }

    test::TempDir dir;
    LinkIdCounter ids;
    NetworkFile document;
    RecordingPrompter prompter;
};

struct ReadFailureCase {
    const char* label;
    std::optional<std::string> bytes;
    int message;
    bool keepsRoot;  // the first top-level block was read before the failure
};

class ReadFailureTest : public NetworkFileIoTest,
                        public testing::WithParamInterface<ReadFailureCase> {};

TEST_P(ReadFailureTest, ShowsItsMessageAndKeepsWhatWasReadBefore) {
    document.SetFileName("Unknown.xml");
    document.SetModified(true);
    EXPECT_FALSE(ReadBytes(GetParam().bytes));
    const char* cause = GetParam().message != kIdsFileOpenFailed ? ""
                        : GetParam().bytes                       ? ": not a network file"
                                                                 : ": No such file or directory";
    // The message, followed by the file's name and the cause.
    const auto records = prompter.Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].text, std::string(LoadText(GetParam().message)) + "\r\n" +
                                   (dir / "in.xml").string() + cause);
    EXPECT_EQ(records[0].caption, "Error");
    EXPECT_EQ(records[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(document.Root() != nullptr, GetParam().keepsRoot);
    EXPECT_EQ(document.FileName(), "Unknown.xml");  // a failed read is not the document's file
}

std::string DeepNetworks(int depth) {
    std::string inner = "<Block type=\"34824\" name=\"bottom\"/>";
    for (int i = 0; i < depth; ++i) {
        inner = NetworkWith(inner);
    }
    return FileWith(inner);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReadFailureTest,
    testing::Values(
        // What the archive refuses to open (its own table) gives the open message.
        ReadFailureCase{"Missing", std::nullopt, kIdsFileOpenFailed, false},
        ReadFailureCase{"NotXml", "this is not a network", kIdsFileOpenFailed, false},
        ReadFailureCase{"NoBlocks", "<Network><Block type=\"34794\"/></Network>", kIdsFileFormat,
                        false},
        ReadFailureCase{"UnknownTopLevelType", FileWith("<Block type=\"34795\"/>"),
                        kIdsUnknownBlockType, false},
        ReadFailureCase{"InnerTypeZero", FileWith(NetworkWith("<Block type=\"0\"/>")),
                        kIdsParseError, false},
        ReadFailureCase{"SecondTopLevelUnknown", FileWith(NetworkWith("") + "<Block type=\"7\"/>"),
                        kIdsUnknownBlockType, true},
        // A radio as root cannot take the later top-level blocks as children.
        ReadFailureCase{"RadioRootWithMore",
                        FileWith("<Block type=\"34823\"/><Block type=\"34824\"/>"), kIdsParseError,
                        true},
        ReadFailureCase{"NestedTooDeep", DeepNetworks(kMaxNetworkDepth + 1), kIdsParseError,
                        false}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(NetworkFileIoTest, EmptyBlocksGivesNoRootAndIsWrittenBackTheSame) {
    document.NewNetwork();
    ASSERT_TRUE(ReadBytes(FileWith("")));
    EXPECT_EQ(document.Root(), nullptr);
    EXPECT_EQ(SavedBytes(),
              "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<Network>\n\t<Blocks />\n"
              "</Network>\n");
}

struct TreeCase {
    const char* label;
    std::string bytes;
    std::string tree;
};

class ReadTreeTest : public NetworkFileIoTest, public testing::WithParamInterface<TreeCase> {};

TEST_P(ReadTreeTest, ReadsTheBlocksQuietly) {
    ASSERT_TRUE(ReadBytes(GetParam().bytes));
    EXPECT_EQ(Tree(document.Root()), GetParam().tree);
    EXPECT_EQ(prompter.Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReadTreeTest,
    testing::Values(
        TreeCase{"LaterTopLevelBlocksJoinTheFirst",
                 FileWith(NetworkWith("<Block type=\"34823\" name=\"M\"/>") +
                          "<Block type=\"34824\" name=\"A\"/><Block type=\"34824\" name=\"B\"/>"),
                 "Network(B A M)"},
        // A nested Network with an unknown block inside fails its own read, which its parent
        // ignores: it is kept with what it read before.
        TreeCase{"InnerFailuresAreIgnored",
                 FileWith(NetworkWith(
                     NetworkWith("<Block type=\"34824\" name=\"kept\"/><Block type=\"5\"/>"
                                 "<Block type=\"34824\" name=\"lost\"/>") +
                     "<Block type=\"34823\" name=\"after\"/>")),
                 "Network(after Network(kept))"},
        TreeCase{"NestingUpToTheBound", DeepNetworks(kMaxNetworkDepth),
                 [] {
                     std::string tree;
                     for (int i = 0; i < kMaxNetworkDepth; ++i) {
                         tree += "Network(";
                     }
                     return tree + "bottom" + std::string(kMaxNetworkDepth, ')');
                 }()}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(NetworkFileIoTest, ValuesAndLinksAreReadAsTheFormatSays) {
    ASSERT_TRUE(ReadBytes(FileWith(NetworkWith(
        "<Block type=\"34825\" xpos=\"-5\" ypos=\"7\" name=\"R\"><Links>"
        "<Link type=\"2\" id=\"3\" name=\"odd\"/><Link type=\"0\" id=\"1\" name=\"in\"/>"
        "<Link type=\"1\" id=\"0\" name=\"fresh\"/><Link id=\"-4\" name=\"untyped\"/>"
        "</Links><Parameters>"
        "<Parameter type=\"4\" name=\"T\" value=\"letters\"/>"
        "<Parameter type=\"1\" name=\"N\" value=\"letters\"/>"
        "<Parameter type=\"3\" name=\"Big\" value=\"-1\"><Vectors><Vector value=\"300\"/>"
        "<Vector value=\"-1\"/></Vectors></Parameter>"
        "<Parameter type=\"1\" name=\"Twin\"><Choices><Choice name=\"a\" value=\"1\"/>"
        "</Choices></Parameter>"
        "<Parameter type=\"1\" name=\"Twin\"><Choices><Choice name=\"b\" desc=\"d\" "
        "value=\"2\"/></Choices></Parameter>"
        "</Parameters></Block>"))));
    const Block* r = document.Root()->FirstChild();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->Position(), (BlockPosition{-5, 7}));
    // A missing type reads as 0, an input end; any type but 0 is an output end, and the fresh
    // id continues after the highest id read.
    EXPECT_THAT(r->Inputs(), ElementsAre(LinkEnd{1, "in"}, LinkEnd{-4, "untyped"}));
    EXPECT_THAT(r->Outputs(), ElementsAre(LinkEnd{3, "odd"}, LinkEnd{5, "fresh"}));
    EXPECT_EQ(ids.Value(), 5);

    const auto& p = r->Parameters();
    ASSERT_EQ(p.size(), 5u);
    EXPECT_EQ(p[0].textValue, "letters");
    EXPECT_EQ(p[0].value, 0u);
    EXPECT_EQ(p[1].textValue, "");
    EXPECT_EQ(p[1].value, 0u);
    EXPECT_EQ(p[2].value, 4294967295u);
    EXPECT_THAT(p[2].vectors, ElementsAre(44, 255));
    // Choices stay with the record they were written under.
    EXPECT_THAT(p[3].choices, ElementsAre(Choice{"a", "", 1}));
    EXPECT_THAT(p[4].choices, ElementsAre(Choice{"b", "d", 2}));
}

TEST_F(NetworkFileIoTest, LongTextsAreCutToTheirFieldsCapacityAndWrittenBackWhole) {
    const std::string x(700, 'x');
    ASSERT_TRUE(ReadBytes(FileWith(
        NetworkWith("<Block type=\"34824\" name=\"" + x + "\"><Links><Link type=\"0\" name=\"" + x +
                    "\"/></Links><Parameters><Parameter type=\"4\" name=\"" + x + "\" desc=\"" + x +
                    "\" reg=\"" + x + "\" setAT=\"" + x + "\" getAT=\"" + x + "\" value=\"" + x +
                    "\"><Choices><Choice name=\"" + x + "\" desc=\"" + x +
                    "\"/></Choices></Parameter></Parameters></Block>"))));
    const Block* block = document.Root()->FirstChild();
    const Parameter p = block->Parameters().at(0);
    EXPECT_EQ(block->Name(), std::string(99, 'x'));
    for (const std::string& text :
         {block->Inputs().at(0).name, p.choices.at(0).name, p.choices.at(0).desc, p.name, p.desc}) {
        EXPECT_EQ(text, std::string(63, 'x'));
    }
    for (const std::string& text : {p.reg, p.setAT, p.getAT}) {
        EXPECT_EQ(text, std::string(15, 'x'));
    }
    // Text values (the restriction entries) keep 511 characters, and all of them are saved.
    EXPECT_EQ(p.textValue, std::string(511, 'x'));
    SavedBytes();
    ASSERT_TRUE(document.Read(dir / "out.xml", prompter));
    EXPECT_EQ(document.Root()->FirstChild()->Parameters().at(0), p);
}

TEST_F(NetworkFileIoTest, AwkwardTextsGiveFilesOtherParsersAccept) {
    Block* master = document.NewNetwork();
    master->SetName(std::string("<&>\"' \t\r\n\x01\x1f\x7f\x80\x9f\xA0\xFF", 16));
    Parameter p;
    p.type = 4;
    p.name = "FrequencyRestriction1";
    p.textValue = std::string("a\0b", 3);
    master->AddParameter(p);
    SavedBytes();
    const std::string xmllint = "xmllint --noout '" + (dir / "out.xml").string() + "' 2>/dev/null";
    EXPECT_EQ(std::system(xmllint.c_str()), 0);

    ASSERT_TRUE(document.Read(dir / "out.xml", prompter));
    const Block* read = document.Root()->FirstChild();
    // What XML cannot hold became '?'; everything else is kept byte for byte.
    EXPECT_EQ(read->Name(), "<&>\"' \t\r\n??\x7f\x80\x9f\xA0\xFF");
    EXPECT_EQ(read->Parameters().at(0).textValue, "a?b");
}

}  // namespace
}  // namespace skelvane
