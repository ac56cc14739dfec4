// The offline check of a network's plan, on small networks.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "document/network_file.h"
#include "network_fixture.h"
#include "operations/network_check.h"
#include "operations/network_units.h"
#include "support/test_paths.h"

namespace skelvane {
namespace {

struct CheckCase {
    const char* network;
    // Changes made to the blocks first: {block, parameter, number or text}.
    std::vector<std::tuple<const char*, const char*, const char*>> edits;
    std::vector<std::string> findings;
};

class NetworkCheckTest : public ::testing::TestWithParam<CheckCase> {};

TEST_P(NetworkCheckTest, FindsWhatIsWrongWithThePlan) {
    LinkIdCounter ids;
    auto root = test::MakeNetwork(GetParam().network, ids);
    for (const auto& [blockName, name, value] : GetParam().edits) {
        Block* b = FindRadioBlock(*root, blockName);
        if (b->FindParameter(name) == nullptr) {
            b->AddParameter(test::TextParameter(name, ""));
        }
        Parameter* p = b->FindParameter(name);
        if (p->IsText()) {
            p->textValue = value;
        } else {
            p->value = static_cast<std::uint32_t>(std::stoul(value));
        }
    }
    std::vector<std::string> texts;
    for (const Finding& finding : CheckNetwork(*root)) {
        EXPECT_FALSE(finding.blocks.empty()) << finding.text;
        texts.push_back(finding.text);
    }
    EXPECT_EQ(texts, GetParam().findings);
}

INSTANTIATE_TEST_SUITE_P(
    Networks, NetworkCheckTest,
    ::testing::Values(
        CheckCase{"M1 P2<M1 R300<P2 R301<M1", {}, {}},
        CheckCase{"M1 R7a<M1 R7b<M1 R0<M1 Rx<M1",
                  {},
                  {"Remote \"R0\" has the unit address 0, outside 1..65534",
                   "Remote \"Rx\" has no UnitAddress",
                   "\"R7a\" and \"R7b\" have the same unit address 7"}},
        CheckCase{
            "M1 R2 P3 R4<P3 M5 M6 R7<M5 R8<M6",
            {},
            {"Remote \"R2\": its input is not linked", "Repeater \"P3\": its input is not linked",
             "The chain of \"P3\" and \"R4\" has no Master"}},
        // A Master with an input (a file may give it one) joins a second chain's Master.
        CheckCase{"M1 P2<M1 M3<P2 R4<M3",
                  {},
                  {"The chain of \"M1\", \"P2\", \"M3\" and \"R4\" has 2 Masters"}},
        // Network-wide settings against the chain's Master; a unit's own ones may differ.
        CheckCase{"M1 P2<M1 R3<P2",
                  {{"R3", "HopPattern", "12"},
                   {"P2", "CountryCode", "1"},
                   {"R3", "TxPower", "30"},
                   {"R3", "DestAddess", "2"}},
                  {"Repeater \"P2\": CountryCode is 1 (Australia), its Master \"M1\" has 2 (NZ)",
                   "Remote \"R3\": HopPattern is 12, its Master \"M1\" has 9"}},
        CheckCase{"M1 P2<M1 R3<P2",
                  {{"M1", "FrequencyRestriction1", "44:902400,903000"},
                   {"M1", "FrequencyRestriction2", "3:902400,903000"},
                   {"P2", "RepeaterRegistration", "2, 3,45"}},
                  {"Master \"M1\": FrequencyRestriction1 names unit address 44, which no block has",
                   "Repeater \"P2\": RepeaterRegistration names Remote \"R3\" (unit address 3), "
                   "which is not a Repeater",
                   "Repeater \"P2\": RepeaterRegistration names unit address 45, which no block "
                   "has"}}));

TEST(NetworkCheck, TheExampleNetworksAreClean) {
    for (const char* file : {"star-network.xml", "chain-network.xml"}) {
        LinkIdCounter ids;
        NetworkFile network(ids);
        RecordingPrompter prompter;
        ASSERT_TRUE(network.Read(std::string(SKELVANE_DATA_DIR) + "/" + file, prompter));
        EXPECT_THAT(CheckNetwork(*network.Root()), ::testing::IsEmpty()) << file;
    }
}

}  // namespace
}  // namespace skelvane
