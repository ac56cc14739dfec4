#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "document/block.h"
#include "document/network_file.h"
#include "document/parameter_sets.h"
#include "example_networks.h"

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

struct KindCase {
    int code;
    const char* name;
    int image;
    int flags;
    std::size_t inputs;
    std::size_t outputs;
};

class BlockKindTest : public testing::TestWithParam<KindCase> {};

TEST_P(BlockKindTest, NewBlockHasItsKindsPropertiesAndDefaultLinks) {
    const KindCase& c = GetParam();
    LinkIdCounter ids;
    auto block = CreateBlock(c.code);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->KindCode(), c.code);
    EXPECT_EQ(static_cast<int>(block->Kind()), c.code);
    EXPECT_EQ(block->Name(), c.name);
    EXPECT_EQ(KindName(c.code), c.name);
    EXPECT_EQ(block->ImageIndex(), c.image);
    EXPECT_EQ(block->Flags(), c.flags);
    EXPECT_TRUE(block->Inputs().empty());
    EXPECT_TRUE(block->Outputs().empty());
    EXPECT_TRUE(block->Parameters().empty());

    block->CreateDefaultLinks(ids);
    ASSERT_EQ(block->Inputs().size(), c.inputs);
    ASSERT_EQ(block->Outputs().size(), c.outputs);
    for (const LinkEnd& in : block->Inputs()) {
        EXPECT_EQ(in, (LinkEnd{0, "~"}));
    }
    for (const LinkEnd& out : block->Outputs()) {
        EXPECT_EQ(out.name, "~");
        EXPECT_GT(out.id, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, BlockKindTest,
                         testing::Values(KindCase{34794, "Network", 0, 0, 0, 0},
                                         KindCase{34823, "Master", 2, 40, 0, 1},
                                         KindCase{34824, "Remote", 4, 40, 1, 0},
                                         KindCase{34825, "Repeater", 3, 40, 1, 1},
                                         KindCase{34826, "Radio", 1, 40, 1, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

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
    EXPECT_THAT(WalkNames(*root), ElementsAre("D", "B", "A"));
    EXPECT_TRUE(root->RemoveChild(a));  // last
    EXPECT_THAT(WalkNames(*root), ElementsAre("D", "B"));
    EXPECT_TRUE(root->RemoveChild(root->FirstChild()));  // first
    EXPECT_THAT(WalkNames(*root), ElementsAre("B"));

    auto other = CreateBlock(static_cast<int>(BlockKind::Network));
    EXPECT_FALSE(other->RemoveChild(b));  // not its child
    EXPECT_FALSE(root->RemoveChild(nullptr));
    EXPECT_THAT(WalkNames(*root), ElementsAre("B"));
}

TEST(BlockTest, OnlyNetworkBlocksHoldChildren) {
    auto master = CreateBlock(static_cast<int>(BlockKind::Master));
    EXPECT_EQ(master->AppendChild(Named(BlockKind::Remote, "R")), nullptr);
    EXPECT_EQ(master->FirstChild(), nullptr);
    auto root = CreateBlock(static_cast<int>(BlockKind::Network));
    EXPECT_EQ(root->AppendChild(nullptr), nullptr);
}

TEST(BlockTest, PositionNameAndInputConnection) {
    auto block = CreateBlock(static_cast<int>(BlockKind::Repeater));
    EXPECT_EQ(block->SetPosition(40, 50), (BlockPosition{0, 0}));
    EXPECT_EQ(block->SetPosition(-7, 8), (BlockPosition{40, 50}));
    EXPECT_EQ(block->X(), -7);
    EXPECT_EQ(block->Y(), 8);

    block->SetName(std::string(120, 'n'));
    EXPECT_EQ(block->Name(), std::string(99, 'n'));

    LinkIdCounter ids;
    block->AddInput("left", 0);
    block->AddInput("left", 0);
    block->AddOutput(0, std::string(70, 'o'), ids);
    EXPECT_EQ(block->Outputs().back().name.size(), 63u);
    EXPECT_TRUE(block->ConnectInput("left", 9));
    EXPECT_FALSE(block->ConnectInput("right", 9));
    EXPECT_EQ(block->Inputs()[0].id, 9);  // the first of that name only
    EXPECT_EQ(block->Inputs()[1].id, 0);
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

INSTANTIATE_TEST_SUITE_P(
    Table, LinkIdCounterTest,
    testing::Values(IdCase{10, 57, 57, 58},  // the next fresh id is 59
                    IdCase{10, 0, 11, 11},   // 0 takes a fresh id
                    IdCase{10, 10, 10, 10}, IdCase{10, 3, 3, 10}, IdCase{10, 11, 11, 12},
                    IdCase{10, -5, -5, 10},  // negative ids are kept and change nothing
                    IdCase{0, 1, 1, 2},
                    // The top of the range wraps instead of overflowing.
                    IdCase{0, INT_MAX, INT_MAX, INT_MIN}));

TEST(LinkIdCounterTest, FreshIdsAreUniqueAndNewNetworkTakesOne) {
    LinkIdCounter ids;
    EXPECT_EQ(ids.Take(57), 57);
    EXPECT_EQ(ids.Fresh(), 59);

    auto first = CreateBlock(static_cast<int>(BlockKind::Repeater));
    auto second = CreateBlock(static_cast<int>(BlockKind::Repeater));
    first->CreateDefaultLinks(ids);
    second->CreateDefaultLinks(ids);
    EXPECT_NE(first->Outputs()[0].id, second->Outputs()[0].id);

    NetworkFile document(ids);
    Block* master = document.NewNetwork();
    ASSERT_NE(document.Root(), nullptr);
    EXPECT_EQ(document.Root()->Kind(), BlockKind::Network);
    EXPECT_EQ(document.Root()->FirstChild(), master);
    EXPECT_EQ(master->NextSibling(), nullptr);
    EXPECT_EQ(master->Kind(), BlockKind::Master);
    EXPECT_EQ(master->Name(), "Master");
    EXPECT_EQ(master->Position(), (BlockPosition{40, 40}));
    ASSERT_EQ(master->Outputs().size(), 1u);
    EXPECT_EQ(master->Outputs()[0].name, "~");
    EXPECT_EQ(master->Outputs()[0].id, ids.Value());
    EXPECT_GT(master->Outputs()[0].id, second->Outputs()[0].id);
}

TEST(NetworkFileTest, RemoveBlockOnlyTouchesItsOwnTree) {
    LinkIdCounter ids;
    NetworkFile document(ids);
    NetworkFile other(ids);
    Block* master = document.NewNetwork();
    Block* stranger = other.NewNetwork();
    EXPECT_FALSE(document.RemoveBlock(stranger));
    EXPECT_FALSE(document.RemoveBlock(nullptr));
    EXPECT_TRUE(document.RemoveBlock(master));
    EXPECT_EQ(document.Root()->FirstChild(), nullptr);
    EXPECT_TRUE(document.RemoveBlock(document.Root()));
    EXPECT_EQ(document.Root(), nullptr);
}

TEST(ParameterTest, LookupsTakeTheFirstRecordOfAName) {
    auto block = CreateBlock(static_cast<int>(BlockKind::Remote));
    EXPECT_EQ(block->UnitAddress(), 0u);
    EXPECT_EQ(block->OperatingMode(), 0u);
    EXPECT_FALSE(block->AddChoice("Twin", {"a", "", 1}));
    EXPECT_FALSE(block->AddVector("Twin", 7));

    Parameter twin;
    twin.name = "Twin";
    block->AddParameter(twin);
    block->AddParameter(twin);
    EXPECT_TRUE(block->AddChoice("Twin", {"a", "", 1}));
    EXPECT_TRUE(block->AddVector("Twin", 7));
    EXPECT_EQ(block->Parameters()[0].choices.size(), 1u);
    EXPECT_EQ(block->Parameters()[0].vectors, std::vector<std::uint8_t>{7});
    EXPECT_TRUE(block->Parameters()[1].choices.empty());
    EXPECT_TRUE(block->Parameters()[1].vectors.empty());
    EXPECT_EQ(block->FindParameter("twin"), nullptr);  // case matters

    Parameter ua;
    ua.name = "UnitAddress";
    ua.value = 300;
    block->AddParameter(ua);
    ua.value = 5;
    block->AddParameter(ua);
    EXPECT_EQ(block->UnitAddress(), 300u);

    block->ClearParameters();
    EXPECT_TRUE(block->Parameters().empty());
    EXPECT_EQ(block->UnitAddress(), 0u);
}

class TemplateCopyTest : public testing::Test {
  protected:
    TemplateCopyTest() : templates(ids) {
        templates.NewNetwork()->Parameters() = test::RadioParameters(1, 1);
        // Appended first, so it comes after the other "Remote" in the walk and is never used.
        Block* shadowed = templates.Root()->AppendChild(Named(BlockKind::Remote, "Remote"));
        shadowed->Parameters() = test::RadioParameters(99, 99);
        Block* remote = templates.Root()->AppendChild(Named(BlockKind::Remote, "Remote"));
        remote->Parameters() = test::RadioParameters(2, 3);
    }

    LinkIdCounter ids;
    NetworkFile templates;
};

TEST_F(TemplateCopyTest, TakesTheFirstTemplateBlockOfTheSameName) {
    auto block = CreateBlock(static_cast<int>(BlockKind::Remote));
    block->AddParameter(Parameter{});
    ASSERT_TRUE(CopyTemplateParameters(*block, templates));
    EXPECT_EQ(block->Parameters(), test::RadioParameters(2, 3));

    // The copy owns its records: editing it leaves the template alone.
    block->Parameters()[0].choices.clear();
    EXPECT_EQ(templates.Root()->FirstChild()->Parameters(), test::RadioParameters(2, 3));
}

TEST_F(TemplateCopyTest, NamesAreMatchedExactlyAndAMissOnlyClears) {
    auto block = CreateBlock(static_cast<int>(BlockKind::Repeater));
    block->AddParameter(Parameter{});
    EXPECT_FALSE(CopyTemplateParameters(*block, templates));
    EXPECT_TRUE(block->Parameters().empty());

    block->SetName("master");
    EXPECT_FALSE(CopyTemplateParameters(*block, templates));
    block->SetName("Master");
    EXPECT_TRUE(CopyTemplateParameters(*block, templates));
    EXPECT_EQ(block->Parameters(), test::RadioParameters(1, 1));
    EXPECT_FALSE(CopyTemplateParameters(*block, nullptr));
    EXPECT_TRUE(block->Parameters().empty());
}

TEST(TemplateCopyTest2, RepeatedNamesInATemplateKeepTheirOwnArrays) {
    LinkIdCounter ids;
    NetworkFile templates(ids);
    Block* master = templates.NewNetwork();
    Parameter first;
    first.name = "Twin";
    first.choices = {{"a", "", 1}};
    Parameter second = first;
    second.choices = {{"b", "", 2}};
    second.vectors = {9};
    master->Parameters() = {first, second};

    auto block = CreateBlock(static_cast<int>(BlockKind::Master));
    ASSERT_TRUE(CopyTemplateParameters(*block, templates));
    EXPECT_EQ(block->Parameters(), (std::vector<Parameter>{first, second}));
}

// Which parameters a pasted block takes from its source.
struct SeedCase {
    BlockKind target;
    BlockKind source;
    std::vector<std::string> kept;  // names that keep the new block's own value
};

class SeedTest : public testing::TestWithParam<SeedCase> {};

TEST_P(SeedTest, CopiesValuesButNotTheUnitsIdentity) {
    const SeedCase& c = GetParam();
    const std::vector<std::string> names = {"UnitAddress", "OperatingMode", "RoamingAddress",
                                            "DestAddess",  "RepeaterYesNo", "LinkRate",
                                            "CountryCode", "Text",          "OnlyInTarget"};
    auto source = CreateBlock(static_cast<int>(c.source));
    auto target = CreateBlock(static_cast<int>(c.target));
    for (const std::string& name : names) {
        Parameter p;
        p.name = name;
        p.type = name == "Text" ? 4 : 1;
        p.value = 1;
        p.textValue = "mine";
        p.choices = {{"x", "", 1}};
        target->AddParameter(p);
        if (name != "OnlyInTarget") {
            p.value = 2;
            p.textValue = "theirs";
            p.choices.clear();
            source->AddParameter(p);
        }
    }
    // A later duplicate in the source is never looked at.
    Parameter duplicate;
    duplicate.name = "LinkRate";
    duplicate.value = 3;
    source->AddParameter(duplicate);

    SeedParameterValues(*target, *source);
    for (const Parameter& p : target->Parameters()) {
        const bool kept = std::find(c.kept.begin(), c.kept.end(), p.name) != c.kept.end() ||
                          p.name == "OnlyInTarget";
        if (p.name == "Text") {
            EXPECT_EQ(p.textValue, kept ? "mine" : "theirs") << p.name;
            EXPECT_EQ(p.value, 1u) << p.name;
        } else {
            EXPECT_EQ(p.value, kept ? 1u : 2u) << p.name;
            EXPECT_EQ(p.textValue, "mine") << p.name;
        }
        EXPECT_EQ(p.choices.size(), 1u) << p.name;  // nothing but the value changes
    }
}

const std::vector<std::string> kIdentity = {"OperatingMode", "UnitAddress", "RoamingAddress",
                                            "DestAddess", "RepeaterYesNo"};

INSTANTIATE_TEST_SUITE_P(
    Table, SeedTest,
    testing::Values(SeedCase{BlockKind::Remote, BlockKind::Master, kIdentity},
                    SeedCase{BlockKind::Repeater, BlockKind::Remote, kIdentity},
                    SeedCase{BlockKind::Master, BlockKind::Master, {"OperatingMode"}},
                    SeedCase{BlockKind::Remote, BlockKind::Remote, {"OperatingMode"}}));

}  // namespace
}  // namespace skelvane
