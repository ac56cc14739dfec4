// The files shipped in data/: every one is read without a message and saved back byte for
// byte, and the templates hold what the program and the radios rely on.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "base/format.h"
#include "base/prompter.h"
#include "document/network_file.h"
#include "document/register_help.h"
#include "support/test_paths.h"

namespace skelvane {
namespace {

class DataFileTest : public testing::TestWithParam<std::string> {
  protected:
    LinkIdCounter ids;
    NetworkFile document{ids};
    RecordingPrompter prompter;
};

// Each read and save reverses the order of a network's blocks: saved twice, a file is itself.
TEST_P(DataFileTest, ReadsQuietlyAndSavesBackByteForByte) {
    test::TempDir dir;
    const auto original = test::DataDir() / GetParam();
    ASSERT_TRUE(document.Read(original, prompter));
    ASSERT_TRUE(document.Save(dir / "once", prompter));
    ASSERT_TRUE(document.Read(dir / "once", prompter));
    ASSERT_TRUE(document.Save(dir / "twice", prompter));
    EXPECT_EQ(test::ReadFileBytes(dir / "twice"), test::ReadFileBytes(original));
    EXPECT_EQ(prompter.Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Data, DataFileTest,
                         testing::Values("TAVRIN-A.TPL", "MORVEX-A.TPL", "Skelvane.cfg",
                                         "star-network.xml", "chain-network.xml"),
                         [](const auto& info) {
                             return info.param.substr(0, info.param.find_first_of(".-"));
                         });

const std::set<std::string> kDiagnostics = {
    "DiagSyncLost",       "DiagCRCErrors", "DiagCorrectedErrors",
    "DiagTxPackets",      "DiagRxPackets", "DiagTxKbytes",
    "DiagRxKbytes",       "DiagVSWR",      "DiagForwardPower",
    "DiagReflectedPower", "DiagRSSI",      "DiagVoltage",
    "DiagTemperature"};

// Every parameter name the program looks for in a radio block.
std::vector<std::string> NamesTheProgramUses() {
    std::vector<std::string> names = {"UnitAddress", "OperatingMode",       "RoamingAddress",
                                      "DestAddess",  "RepeaterYesNo",       "LinkRate",
                                      "CountryCode", "VersionNo",           "SerialNo",
                                      "DataMask",    "RepeaterRegistration"};
    for (int i = 1; i <= 16; ++i) {
        names.push_back(Format("FrequencyRestriction%d", i));
    }
    names.insert(names.end(), kDiagnostics.begin(), kDiagnostics.end());
    return names;
}

std::size_t BytesOfType(std::uint8_t type) {
    return type == 1 ? 1 : type == 2 ? 2 : type == 3 ? 4 : 0;
}

// The register ids of a number: one run, sized by its type, in the group reads of its kind
// (1 and 6 are the diagnostics, 0 and 2 to 5 the settings), used by no other parameter.
void ExpectRegisterIds(const Parameter& p, std::set<std::uint8_t>& used, const std::string& where) {
    EXPECT_EQ(p.vectors.size(), BytesOfType(p.type)) << where;
    for (std::size_t j = 0; j < p.vectors.size(); ++j) {
        const std::uint8_t id = p.vectors[j];
        const int group = id / 0x20;
        EXPECT_TRUE(used.insert(id).second) << where << Format(": id 0x%02X again", id);
        EXPECT_EQ(group == 1 || group == 6, kDiagnostics.count(p.name) == 1) << where;
        EXPECT_LE(group, 6) << where;
        EXPECT_TRUE(j == 0 || id == p.vectors[j - 1] + 1) << where;
    }
}

// A range holds its value; a list has distinct entries fitting the register, one of them the
// value.
void ExpectChoices(const Parameter& p, const std::string& where) {
    ASSERT_GE(p.choices.size(), 2u) << where;
    if (p.IsRange()) {
        ASSERT_EQ(p.choices.size(), 2u) << where;
        EXPECT_EQ(p.choices[1].name, "Max") << where;
        EXPECT_LE(p.choices[0].value, p.value) << where;
        EXPECT_LE(p.value, p.choices[1].value) << where;
        return;
    }
    std::set<std::uint32_t> values;
    std::set<std::string> names;
    for (const Choice& c : p.choices) {
        EXPECT_TRUE(values.insert(c.value).second && names.insert(c.name).second)
            << where << ": " << c.name;
    }
    EXPECT_EQ(values.count(p.value), 1u) << where << ": value " << p.value;
    if (BytesOfType(p.type) < 4) {
        EXPECT_LT(*values.rbegin(), 1u << (8 * BytesOfType(p.type))) << where;
    }
}

class TemplateFileTest : public DataFileTest {};

TEST_P(TemplateFileTest, HoldsWhatTheProgramAndTheRadiosRelyOn) {
    ASSERT_TRUE(document.Read(test::DataDir() / GetParam(), prompter));
    std::map<std::string, BlockKind> kinds;
    for (const Block* b = document.Root()->FirstChild(); b != nullptr; b = b->NextSibling()) {
        kinds[b->Name()] = b->Kind();
        // The device pages start Local when "OperatingMode" is 0.
        EXPECT_EQ(b->OperatingMode() == 0, b->Kind() == BlockKind::Master) << b->Name();
        EXPECT_EQ(b->FindParameter("RepeaterYesNo")->value == 1, b->Kind() == BlockKind::Repeater);
        std::map<std::string, int> seen;
        std::set<std::uint8_t> used;
        for (const Parameter& p : b->Parameters()) {
            const std::string where = b->Name() + ": " + p.name;
            EXPECT_EQ(++seen[p.name], 1) << where << " more than once";
            // Only the live values stay off the settings list (they are the Diagnostics rows);
            // every row the list shows says what its register does.
            EXPECT_EQ(p.readwrite == 0, kDiagnostics.count(p.name) == 1) << where;
            if (p.visible != 0 && p.readwrite != 0 && p.name != "DataMask") {
                EXPECT_FALSE(RegisterPurpose(p.name).empty()) << where;
            }
            if (p.name == "VersionNo" || p.name == "SerialNo") {
                EXPECT_TRUE(p.IsText() && p.readwrite == 1 && p.visible != 0) << where;
            }
            if (p.name.rfind("FrequencyRestriction", 0) == 0 || p.name == "RepeaterRegistration") {
                EXPECT_TRUE(p.IsText() && p.textValue == "0" && p.readwrite >= 2) << where;
            }
            if (p.IsText()) {
                EXPECT_TRUE(p.vectors.empty() && p.choices.empty()) << where;
            } else {
                ExpectRegisterIds(p, used, where);
                ExpectChoices(p, where);
            }
        }
        for (const std::string& name : NamesTheProgramUses()) {
            EXPECT_EQ(seen[name], 1) << b->Name() << ": " << name;
        }
        // The band table is indexed by these two: link rate 0 to 9, country 0 to 6.
        for (const auto& [name, id, count] : {std::tuple{"LinkRate", std::uint8_t{0x0E}, 10u},
                                              std::tuple{"CountryCode", std::uint8_t{0x59}, 7u}}) {
            const Parameter* p = b->FindParameter(name);
            EXPECT_EQ(p->vectors, std::vector<std::uint8_t>{id}) << name;
            ASSERT_EQ(p->choices.size(), count) << name;
            for (std::uint32_t i = 0; i < count; ++i) {
                EXPECT_EQ(p->choices[i].value, i) << name;
            }
        }
    }
    const std::map<std::string, BlockKind> expected = {{"Master", BlockKind::Master},
                                                       {"Repeater", BlockKind::Repeater},
                                                       {"Remote", BlockKind::Remote},
                                                       {"Radio", BlockKind::Radio}};
    EXPECT_EQ(kinds, expected);
}

INSTANTIATE_TEST_SUITE_P(Data, TemplateFileTest, testing::Values("TAVRIN-A.TPL", "MORVEX-A.TPL"),
                         [](const auto& info) {
                             return info.param.substr(0, info.param.find('-'));
                         });

}  // namespace
}  // namespace skelvane
