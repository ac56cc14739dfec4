#include <gtest/gtest.h>

#include <string>

#include "document/xml_archive.h"
#include "support/test_paths.h"

namespace skelvane {
namespace {

// A literal with its embedded zero bytes.
template <std::size_t N>
std::string Bytes(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

struct NumberCase {
    const char* text;  // nullptr: no such attribute
    std::int32_t asInt32;
    std::uint32_t asUint32;
    std::uint8_t asUint8;
};

class ArchiveNumberTest : public testing::TestWithParam<NumberCase> {};

// The rules of the numbers themselves are the decimal parser's, tested with it; a missing
// attribute fails the read and empties the target.
TEST_P(ArchiveNumberTest, NumbersAreCutToWidthAndAMissingOneIsZero) {
    const NumberCase& c = GetParam();
    const bool present = c.text != nullptr;
    XmlArchive archive;
    ASSERT_TRUE(archive.OpenBuffer(
        present ? "<Network a=\"" + std::string(c.text) + "\"/>" : "<Network/>", "Network"));
    std::int32_t i32 = 99;
    std::uint32_t u32 = 99;
    std::uint8_t u8 = 99;
    EXPECT_EQ(archive.ReadInt32("a", i32), present);
    EXPECT_EQ(archive.ReadUint32("a", u32), present);
    EXPECT_EQ(archive.ReadUint8("a", u8), present);
    EXPECT_EQ(i32, c.asInt32);
    EXPECT_EQ(u32, c.asUint32);
    EXPECT_EQ(u8, c.asUint8);
}

INSTANTIATE_TEST_SUITE_P(Table, ArchiveNumberTest,
                         testing::Values(NumberCase{nullptr, 0, 0, 0},
                                         // Only the first 20 characters of the text are looked at.
                                         NumberCase{"0000000000000000000012", 0, 0, 0},
                                         NumberCase{"0000000000000000001234", 12, 12, 12}));

TEST(XmlArchiveTest, MissingTextEmptiesTheTargetAndAClosedArchiveRefusesAll) {
    XmlArchive archive;
    ASSERT_TRUE(archive.OpenBuffer("<Network/>", "Network"));
    std::string text = "old";
    EXPECT_FALSE(archive.ReadString("x", text));
    EXPECT_EQ(text, "");

    archive.Close();
    text = "old";
    EXPECT_FALSE(archive.ReadString("x", text));
    EXPECT_EQ(text, "");
    EXPECT_FALSE(archive.Enter("x"));
    EXPECT_FALSE(archive.WriteText("x", "y"));
    EXPECT_FALSE(archive.AddChild("x"));
}

struct OpenCase {
    const char* label;
    std::string bytes;
    bool opens;
};

class ArchiveOpenTest : public testing::TestWithParam<OpenCase> {};

TEST_P(ArchiveOpenTest, OpensOnlyAWellFormedFileEndingInTheRoot) {
    test::TempDir dir;
    const auto path = dir / "file.xml";
    test::WriteFileBytes(path, GetParam().bytes);
    XmlArchive archive;
    EXPECT_EQ(archive.Open(path, "Network"), GetParam().opens);
    EXPECT_EQ(archive.OpenBuffer(GetParam().bytes, "Network"), GetParam().opens);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ArchiveOpenTest,
    testing::Values(OpenCase{"DeclarationCommentAndBlanks",
                             "<?xml version=\"1.0\"?>\n<!-- c -->\n<Network/>\n\n", true},
                    OpenCase{"CommentLast", "<Network/><!-- c -->", false},
                    OpenCase{"RootCase", "<network/>", false},
                    OpenCase{"TwoRoots", "<Network/><Network/>", false},
                    OpenCase{"Truncated", "<Network><Blocks>", false},
                    OpenCase{"Garbage", Bytes("\0\xff\xfe\x01"), false},
                    OpenCase{"DeeplyNestedUnclosed",
                             "<Network>" +
                                 [] {
                                     std::string s;
                                     for (int i = 0; i < 100000; ++i) {
                                         s += "<a>";
                                     }
                                     return s;
                                 }(),
                             false}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(XmlArchiveTest, AFolderIsRefused) {
    test::TempDir dir;
    XmlArchive archive;
    EXPECT_FALSE(archive.Open(dir.path(), "Network"));
}

struct EncodingCase {
    const char* label;
    std::string bytes;
    std::string latin1;        // the attribute as read
    std::size_t capacity = 0;  // of the field read into; 0: a string of any length
};

class ArchiveEncodingTest : public testing::TestWithParam<EncodingCase> {};

TEST_P(ArchiveEncodingTest, TextArrivesAsLatin1) {
    XmlArchive archive;
    ASSERT_TRUE(archive.OpenBuffer(GetParam().bytes, "Network"));
    std::string text;
    const std::size_t capacity = GetParam().capacity;
    EXPECT_TRUE(capacity == 0 ? archive.ReadString("n", text)
                              : archive.ReadText("n", text, capacity));
    EXPECT_EQ(text, GetParam().latin1);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ArchiveEncodingTest,
    testing::Values(
        EncodingCase{"Latin1Declared",
                     "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><Network n=\"Ma\xEEtre\"/>",
                     "Ma\xEEtre"},
        EncodingCase{"Utf8", "<Network n=\"Ma\xC3\xAEtre\"/>", "Ma\xEEtre"},
        EncodingCase{"Utf8Bom", "\xEF\xBB\xBF<Network n=\"B\xC3\xA2le\"/>", "B\xE2le"},
        EncodingCase{"OutsideLatin1", "<Network n=\"5\xE2\x82\xAC\"/>", "5?"},
        EncodingCase{"InvalidUtf8", "<Network n=\"a\xFF\xC3z\"/>", "a??z"},
        EncodingCase{"Utf16",
                     Bytes("\xFF\xFE<\0N\0e\0t\0w\0o\0r\0k\0 \0n\0=\0\"\0\xEE\0\"\0/\0>\0"),
                     "\xEE"},
        // A text is cut to its field's capacity in characters, not in UTF-8 bytes.
        EncodingCase{"CutInCharacters", "<Network n=\"\xC3\xAE\xC3\xAE\xC3\xAE\"/>", "\xEE\xEE", 2},
        // Entities are never expanded, nor anything fetched; character references are.
        EncodingCase{"EntitiesAsWritten",
                     "<!DOCTYPE Network [<!ENTITY a \"aaaa\"><!ENTITY b \"&a;&a;&a;\">"
                     "<!ENTITY e SYSTEM \"file:///etc/passwd\">]><Network n=\"&b;&e;&amp;&#65;\"/>",
                     "&b;&e;&A"}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace skelvane
