// The files in data/: what the writer makes of the catalogue, and what the program and the
// radios rely on in every template.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/format.h"
#include "base/prompter.h"
#include "document/network_file.h"
#include "support/test_paths.h"
#include "template_catalogue.h"

namespace skelvane {
namespace {

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

// --- The files are what the writer makes of the catalogue -----------------------------------

void BuildTavrin(NetworkFile& document) {
    test::BuildTemplate(test::ModelNamed("TAVRIN-A"), document);
}
void BuildMorvex(NetworkFile& document) {
    test::BuildTemplate(test::ModelNamed("MORVEX-A"), document);
}

std::vector<test::ExampleNetwork> DataFiles() {
    std::vector<test::ExampleNetwork> files = {{"TAVRIN-A.TPL", BuildTavrin},
                                               {"MORVEX-A.TPL", BuildMorvex},
                                               {"Skelvane.cfg", test::BuildConfiguration}};
    files.insert(files.end(), test::ExampleNetworks().begin(), test::ExampleNetworks().end());
    return files;
}

class DataFileTest : public testing::TestWithParam<test::ExampleNetwork> {};

TEST_P(DataFileTest, IsWhatTheWriterMakes) {
    LinkIdCounter ids;
    NetworkFile document{ids};
    RecordingPrompter prompter;
    test::TempDir dir;
    GetParam().build(document);
    const auto path = test::DataDir() / GetParam().fileName;
    if (std::getenv("SKELVANE_WRITE_EXAMPLES") != nullptr) {
        ASSERT_TRUE(document.Save(path, prompter));
    }
    ASSERT_TRUE(document.Save(dir / "made", prompter));
    EXPECT_EQ(test::ReadFileBytes(dir / "made"), test::ReadFileBytes(path));
}

INSTANTIATE_TEST_SUITE_P(Data, DataFileTest, testing::ValuesIn(DataFiles()), [](const auto& info) {
    const std::string& name = info.param.fileName;
    return name.substr(0, name.find_first_of(".-"));
});

// --- Every template holds what the program and the radios rely on ---------------------------

class TemplateFileTest : public testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(document.Read(test::DataDir() / GetParam(), prompter));
        ASSERT_NE(document.Root(), nullptr);
        for (const Block* b = document.Root()->FirstChild(); b != nullptr; b = b->NextSibling()) {
            blocks.push_back(b);
        }
    }

    LinkIdCounter ids;
    NetworkFile document{ids};
    RecordingPrompter prompter;
    std::vector<const Block*> blocks;
};

TEST_P(TemplateFileTest, HasOneBlockOfEachRadioKindNamedAfterIt) {
    std::map<std::string, BlockKind> kinds;
    for (const Block* b : blocks) {
        kinds[b->Name()] = b->Kind();
        // The device pages start Local when "OperatingMode" is 0.
        EXPECT_EQ(b->OperatingMode() == 0, b->Kind() == BlockKind::Master) << b->Name();
        EXPECT_EQ(b->FindParameter("RepeaterYesNo")->value == 1, b->Kind() == BlockKind::Repeater)
            << b->Name();
    }
    const std::map<std::string, BlockKind> expected = {{"Master", BlockKind::Master},
                                                       {"Repeater", BlockKind::Repeater},
                                                       {"Remote", BlockKind::Remote},
                                                       {"Radio", BlockKind::Radio}};
    EXPECT_EQ(kinds, expected);
    EXPECT_EQ(blocks.size(), 4u);
}

TEST_P(TemplateFileTest, EveryBlockHasEveryNameTheProgramLooksForOnce) {
    for (const Block* b : blocks) {
        std::map<std::string, int> seen;
        for (const Parameter& p : b->Parameters()) {
            ++seen[p.name];
        }
        for (const std::string& name : NamesTheProgramUses()) {
            EXPECT_EQ(seen[name], 1) << b->Name() << ": " << name;
        }
        for (const auto& [name, count] : seen) {
            EXPECT_EQ(count, 1) << b->Name() << ": " << name << " more than once";
        }
    }
}

TEST_P(TemplateFileTest, RegisterIdsAreUniqueSizedByTypeAndInTheirGroups) {
    for (const Block* b : blocks) {
        std::set<std::uint8_t> used;
        for (const Parameter& p : b->Parameters()) {
            const std::string where = b->Name() + ": " + p.name;
            if (p.IsText()) {
                EXPECT_TRUE(p.vectors.empty()) << where;
                continue;
            }
            EXPECT_EQ(p.vectors.size(), BytesOfType(p.type)) << where;
            for (std::size_t j = 0; j < p.vectors.size(); ++j) {
                const std::uint8_t id = p.vectors[j];
                EXPECT_TRUE(used.insert(id).second) << where << Format(": id 0x%02X again", id);
                // Groups 1 and 6 are the diagnostics; the settings are read by the other
                // group reads (0, 2, 3, 4, 5).
                const int group = id / 0x20;
                EXPECT_EQ(group == 1 || group == 6, kDiagnostics.count(p.name) == 1) << where;
                EXPECT_LE(group, 6) << where;
                // One run of ids, most significant byte first.
                EXPECT_TRUE(j == 0 || id == p.vectors[j - 1] + 1) << where;
            }
        }
    }
}

TEST_P(TemplateFileTest, RangesAndChoicesHoldTheirValues) {
    for (const Block* b : blocks) {
        for (const Parameter& p : b->Parameters()) {
            const std::string where = b->Name() + ": " + p.name;
            // Only the live values stay off the settings list (they are the Diagnostics rows).
            EXPECT_EQ(p.readwrite == 0, kDiagnostics.count(p.name) == 1) << where;
            if (p.IsText()) {
                EXPECT_TRUE(p.choices.empty()) << where;
                continue;
            }
            ASSERT_GE(p.choices.size(), 2u) << where;
            if (p.IsRange()) {
                ASSERT_EQ(p.choices.size(), 2u) << where;
                EXPECT_EQ(p.choices[1].name, "Max") << where;
                EXPECT_LE(p.choices[0].value, p.value) << where;
                EXPECT_LE(p.value, p.choices[1].value) << where;
                continue;
            }
            std::set<std::uint32_t> values;
            std::set<std::string> names;
            for (const Choice& c : p.choices) {
                EXPECT_TRUE(values.insert(c.value).second) << where << ": " << c.name;
                EXPECT_TRUE(names.insert(c.name).second) << where << ": " << c.name;
            }
            EXPECT_EQ(values.count(p.value), 1u) << where << ": value " << p.value;
            // Every choice fits the register.
            if (BytesOfType(p.type) < 4) {
                EXPECT_LT(*values.rbegin(), 1u << (8 * BytesOfType(p.type))) << where;
            }
        }
    }
}

TEST_P(TemplateFileTest, TheListsAndRatesAreWhereThePagesLookForThem) {
    for (const Block* b : blocks) {
        for (const Parameter& p : b->Parameters()) {
            const std::string where = b->Name() + ": " + p.name;
            if (p.name == "VersionNo" || p.name == "SerialNo") {
                EXPECT_TRUE(p.IsText() && p.readwrite == 1 && p.visible != 0) << where;
            }
            if (p.name.rfind("FrequencyRestriction", 0) == 0 || p.name == "RepeaterRegistration") {
                EXPECT_TRUE(p.IsText() && p.textValue == "0" && p.readwrite >= 2) << where;
            }
        }
        // The band table is indexed by these two: country 0 to 6, link rate 0 to 9.
        const Parameter* rate = b->FindParameter("LinkRate");
        const Parameter* country = b->FindParameter("CountryCode");
        EXPECT_EQ(rate->vectors, std::vector<std::uint8_t>{0x0E});
        EXPECT_EQ(country->vectors, std::vector<std::uint8_t>{0x59});
        for (const auto& [p, count] : {std::pair{rate, 10u}, std::pair{country, 7u}}) {
            ASSERT_EQ(p->choices.size(), count) << p->name;
            for (std::uint32_t i = 0; i < count; ++i) {
                EXPECT_EQ(p->choices[i].value, i) << p->name;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Data, TemplateFileTest, testing::Values("TAVRIN-A.TPL", "MORVEX-A.TPL"),
                         [](const auto& info) {
                             return info.param.substr(0, info.param.find('-'));
                         });

TEST(ConfigurationFile, ListsModelsWhoseTemplatesAreShipped) {
    LinkIdCounter ids;
    NetworkFile config(ids);
    RecordingPrompter prompter;
    ASSERT_TRUE(config.Read(test::DataDir() / "Skelvane.cfg", prompter));
    const auto& models = config.Root()->FirstChild()->Parameters().at(0).choices;
    ASSERT_GE(models.size(), 2u);
    EXPECT_EQ(models.front().name, "TAVRIN-A");
    for (const Choice& model : models) {
        NetworkFile templates(ids);
        EXPECT_TRUE(templates.Read(test::DataDir() / model.desc, prompter)) << model.desc;
    }
    EXPECT_EQ(prompter.Count(), 0u);
}

}  // namespace
}  // namespace skelvane
