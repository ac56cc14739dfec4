#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "document/block.h"
#include "document/network_file.h"
#include "document/parameter_sets.h"

namespace skelvane {
namespace {

using testing::ElementsAre;

std::vector<std::string> WalkNames(const Block& parent) {
    std::vector<std::string> names;
    for (const Block* child = parent.FirstChild(); child != nullptr; child = child->NextSibling()) {
        names.push_back(child->Name());
        EXPECT_EQ(child->Parent(), &parent);
    }
    return names;
}

std::unique_ptr<Block> Named(BlockKind kind, const char* name) {
    auto block = CreateBlock(static_cast<int>(kind));
    block->SetName(name);
    return block;
}

TEST(BlockTest, CodesOutsideTheKindTableCreateNothing) {
    for (const int code : {34795, 34822, 34827, 0, -1, 34793, INT_MAX, INT_MIN}) {
        EXPECT_EQ(CreateBlock(code), nullptr) << code;
        EXPECT_TRUE(KindName(code).empty()) << code;
    }
}

TEST(BlockTest, ChildrenAreWalkedNewestFirstAndCanBeRemovedAnywhere) {
    auto root = CreateBlock(static_cast<int>(BlockKind::Network));
    Block* a = root->AppendChild(Named(BlockKind::Master, "A"));
    Block* b = root->AppendChild(Named(BlockKind::Remote, "B"));
    Block* c = root->AppendChild(Named(BlockKind::Remote, "C"));
    root->AppendChild(Named(BlockKind::Remote, "D"));
    EXPECT_THAT(WalkNames(*root), ElementsAre("D", "C", "B", "A"));

    EXPECT_TRUE(root->RemoveChild(c));  // middle
    EXPECT_TRUE(root->RemoveChild(a));  // last
    EXPECT_THAT(WalkNames(*root), ElementsAre("D", "B"));
    EXPECT_TRUE(root->RemoveChild(root->FirstChild()));  // first
    EXPECT_THAT(WalkNames(*root), ElementsAre("B"));

    auto other = CreateBlock(static_cast<int>(BlockKind::Network));
    EXPECT_FALSE(other->RemoveChild(b));  // not its child
    EXPECT_FALSE(root->RemoveChild(nullptr));
    EXPECT_THAT(WalkNames(*root), ElementsAre("B"));

    // Only a Network holds children.
    EXPECT_EQ(b->AppendChild(Named(BlockKind::Remote, "R")), nullptr);
    EXPECT_EQ(b->FirstChild(), nullptr);
    EXPECT_EQ(root->AppendChild(nullptr), nullptr);
}

struct IdCase {
    std::int32_t counter;  // counter before
    std::int32_t read;     // id of an output end read from a file
    std::int32_t stored;   // id the end keeps
    std::int32_t after;    // counter after
};

class LinkIdCounterTest : public testing::TestWithParam<IdCase> {};

TEST_P(LinkIdCounterTest, IdsReadFromFilesFollowTheCounterRule) {
    const IdCase& c = GetParam();
    LinkIdCounter ids;
    while (ids.Value() < c.counter) {
        ids.Fresh();
    }
    EXPECT_EQ(ids.Take(c.read), c.stored);
    EXPECT_EQ(ids.Value(), c.after);
}

INSTANTIATE_TEST_SUITE_P(Table, LinkIdCounterTest,
                         testing::Values(IdCase{10, 57, 57, 58},  // the next fresh id is 59
                                         IdCase{10, 0, 11, 11},   // 0 takes a fresh id
                                         IdCase{10, 10, 10, 10},
                                         // Negative ids are kept and change nothing.
                                         IdCase{10, -5, -5, 10},
                                         // The top of the range wraps instead of overflowing.
                                         IdCase{0, INT_MAX, INT_MAX, INT_MIN}));

TEST(ParameterTest, LookupsTakeTheFirstRecordOfAName) {
    auto block = CreateBlock(static_cast<int>(BlockKind::Remote));
    EXPECT_EQ(block->UnitAddress(), 0u);
    block->AddParameter({.name = "UnitAddress", .value = 300});
    block->AddParameter({.name = "UnitAddress", .value = 5});
    EXPECT_EQ(block->UnitAddress(), 300u);
    EXPECT_EQ(block->FindParameter("unitaddress"), nullptr);  // case matters
}

TEST(TemplateCopyTest, TakesTheFirstBlockOfExactlyTheSameNameAndAMissOnlyClears) {
    const std::vector<Parameter> masterSet = {{.name = "UnitAddress", .value = 1}};
    const std::vector<Parameter> remoteSet = {{.name = "Twin", .vectors = {7}},
                                              {.name = "Twin", .vectors = {9}}};
    LinkIdCounter ids;
    NetworkFile templates(ids);
    templates.NewNetwork()->Parameters() = masterSet;
    // Appended first, so it comes after the other "Remote" in the walk and is never used.
    templates.Root()->AppendChild(Named(BlockKind::Remote, "Remote"))->Parameters() = masterSet;
    templates.Root()->AppendChild(Named(BlockKind::Remote, "Remote"))->Parameters() = remoteSet;

    auto block = CreateBlock(static_cast<int>(BlockKind::Remote));
    block->AddParameter(Parameter{});
    ASSERT_TRUE(CopyTemplateParameters(*block, templates));
    EXPECT_EQ(block->Parameters(), remoteSet);

    block->SetName("remote");
    EXPECT_FALSE(CopyTemplateParameters(*block, templates));
    EXPECT_TRUE(block->Parameters().empty());
    block->SetName("Master");
    EXPECT_TRUE(CopyTemplateParameters(*block, templates));
    EXPECT_EQ(block->Parameters(), masterSet);
    EXPECT_FALSE(CopyTemplateParameters(*block, nullptr));
    EXPECT_TRUE(block->Parameters().empty());
}

}  // namespace
}  // namespace skelvane
