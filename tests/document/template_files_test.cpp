// The radio model templates and the configuration file in data/: what the writer makes of the
// catalogue, and what the program and the radios rely on in every template.
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

const std::vector<std::string>& DiagnosticNames() {
    static const std::vector<std::string> names = {
        "DiagSyncLost",       "DiagCRCErrors", "DiagCorrectedErrors",
        "DiagTxPackets",      "DiagRxPackets", "DiagTxKbytes",
        "DiagRxKbytes",       "DiagVSWR",      "DiagForwardPower",
        "DiagReflectedPower", "DiagRSSI",      "DiagVoltage",
        "DiagTemperature"};
    return names;
}

bool IsDiagnostic(const std::string& name) {
    for (const std::string& diag : DiagnosticNames()) {
        if (diag == name) {
            return true;
        }
    }
    return false;
}

// Every parameter name the program looks for in a radio block.
std::vector<std::string> NamesTheProgramUses() {
    std::vector<std::string> names = {"UnitAddress", "OperatingMode",       "RoamingAddress",
                                      "DestAddess",  "RepeaterYesNo",       "LinkRate",
                                      "CountryCode", "VersionNo",           "SerialNo",
                                      "DataMask",    "RepeaterRegistration"};
    for (int i = 1; i <= 16; ++i) {
        names.push_back(Format("FrequencyRestriction%d", i));
    }
    names.insert(names.end(), DiagnosticNames().begin(), DiagnosticNames().end());
    return names;
}

std::size_t BytesOfType(std::uint8_t type) {
    return type == 1 ? 1 : type == 2 ? 2 : type == 3 ? 4 : 0;
}

// --- The files are what the writer makes of the catalogue -----------------------------------

struct DataFile {
    std::string fileName;
    void (*build)(NetworkFile&);
};

void BuildTavrin(NetworkFile& document) {
    test::BuildTemplate(test::ModelNamed("TAVRIN-A"), document);
}
void BuildMorvex(NetworkFile& document) {
    test::BuildTemplate(test::ModelNamed("MORVEX-A"), document);
}

class DataFileTest : public testing::TestWithParam<DataFile> {
  protected:
    LinkIdCounter ids;
    NetworkFile document{ids};
    RecordingPrompter prompter;
    test::TempDir dir;
};

TEST_P(DataFileTest, IsWhatTheWriterMakes) {
    GetParam().build(document);
    const auto path = test::DataDir() / GetParam().fileName;
    if (std::getenv("SKELVANE_WRITE_EXAMPLES") != nullptr) {
        ASSERT_TRUE(document.Save(path, prompter));
    }
    ASSERT_TRUE(document.Save(dir / "made", prompter));
    EXPECT_EQ(test::ReadFileBytes(dir / "made"), test::ReadFileBytes(path));
}

INSTANTIATE_TEST_SUITE_P(Data, DataFileTest,
                         testing::Values(DataFile{"TAVRIN-A.TPL", BuildTavrin},
                                         DataFile{"MORVEX-A.TPL", BuildMorvex},
                                         DataFile{"Skelvane.cfg", test::BuildConfiguration}),
                         [](const auto& info) {
                             std::string name = info.param.fileName;
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
    EXPECT_EQ(document.Root()->Kind(), BlockKind::Network);
    std::map<std::string, BlockKind> kinds;
    for (const Block* b : blocks) {
        kinds[b->Name()] = b->Kind();
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
            for (const std::uint8_t id : p.vectors) {
                EXPECT_TRUE(used.insert(id).second) << where << Format(": id 0x%02X again", id);
                const int group = id / 0x20;
                // Groups 1 and 6 are the diagnostics; the settings are read by the other
                // group reads (0, 2, 3, 4, 5).
                if (IsDiagnostic(p.name)) {
                    EXPECT_TRUE(group == 1 || group == 6) << where;
                } else {
                    EXPECT_TRUE(group == 0 || (group >= 2 && group <= 5)) << where;
                }
            }
            // One run of ids, most significant byte first.
            for (std::size_t j = 1; j < p.vectors.size(); ++j) {
                EXPECT_EQ(p.vectors[j], p.vectors[j - 1] + 1) << where;
            }
        }
    }
}

TEST_P(TemplateFileTest, RangesAndChoicesHoldTheirValues) {
    for (const Block* b : blocks) {
        for (const Parameter& p : b->Parameters()) {
            const std::string where = b->Name() + ": " + p.name;
            if (p.IsText()) {
                EXPECT_TRUE(p.choices.empty()) << where;
                continue;
            }
            ASSERT_GE(p.choices.size(), 2u) << where;
            if (p.IsRange()) {
                ASSERT_EQ(p.choices.size(), 2u) << where;
                EXPECT_EQ(p.choices[1].name, "Max") << where;
                EXPECT_LE(p.choices[0].value, p.choices[1].value) << where;
                EXPECT_GE(p.value, p.choices[0].value) << where;
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

TEST_P(TemplateFileTest, ListingFlagsMatchWhatEachParameterIs) {
    for (const Block* b : blocks) {
        for (const Parameter& p : b->Parameters()) {
            const std::string where = b->Name() + ": " + p.name;
            // Only the live values stay off the settings list (they are the Diagnostics rows).
            EXPECT_EQ(p.readwrite == 0, IsDiagnostic(p.name)) << where;
            if (p.name == "VersionNo" || p.name == "SerialNo") {
                EXPECT_TRUE(p.IsText()) << where;
                EXPECT_EQ(p.readwrite, 1) << where;
                EXPECT_NE(p.visible, 0) << where;
            }
            if (p.name.rfind("FrequencyRestriction", 0) == 0 || p.name == "RepeaterRegistration") {
                EXPECT_TRUE(p.IsText()) << where;
                EXPECT_EQ(p.textValue, "0") << where;
                EXPECT_GE(p.readwrite, 2) << where;
            }
        }
    }
}

TEST_P(TemplateFileTest, LinkRateAndCountryCodeMatchTheRadiosAndTheBandTable) {
    const std::vector<std::string> countries = {"North America",  "Australia",    "New Zealand",
                                                "North America2", "New Zealand2", "New Zealand3",
                                                "New Zealand4"};
    for (const Block* b : blocks) {
        const Parameter* rate = b->FindParameter("LinkRate");
        const Parameter* country = b->FindParameter("CountryCode");
        ASSERT_NE(rate, nullptr);
        ASSERT_NE(country, nullptr);
        EXPECT_EQ(rate->vectors, std::vector<std::uint8_t>{0x0E});
        EXPECT_EQ(country->vectors, std::vector<std::uint8_t>{0x59});
        ASSERT_EQ(rate->choices.size(), 10u);
        for (std::uint32_t i = 0; i < 10; ++i) {
            EXPECT_EQ(rate->choices[i].value, i);
        }
        ASSERT_EQ(country->choices.size(), countries.size());
        for (std::uint32_t i = 0; i < countries.size(); ++i) {
            EXPECT_EQ(country->choices[i].name, countries[i]);
            EXPECT_EQ(country->choices[i].value, i);
        }
    }
}

TEST_P(TemplateFileTest, OnlyTheMasterStartsAsTheUnitOnTheCable) {
    // The device pages start Local when "OperatingMode" is 0.
    for (const Block* b : blocks) {
        EXPECT_EQ(b->OperatingMode() == 0, b->Kind() == BlockKind::Master) << b->Name();
        EXPECT_EQ(b->FindParameter("RepeaterYesNo")->value == 1, b->Kind() == BlockKind::Repeater)
            << b->Name();
    }
}

INSTANTIATE_TEST_SUITE_P(Data, TemplateFileTest, testing::Values("TAVRIN-A.TPL", "MORVEX-A.TPL"),
                         [](const auto& info) {
                             return info.param.substr(0, info.param.find('-'));
                         });

TEST(ConfigurationFile, ListsTwoModelsWhoseTemplatesAreShipped) {
    LinkIdCounter ids;
    NetworkFile config(ids);
    RecordingPrompter prompter;
    ASSERT_TRUE(config.Read(test::DataDir() / "Skelvane.cfg", prompter));
    ASSERT_NE(config.Root(), nullptr);
    ASSERT_NE(config.Root()->FirstChild(), nullptr);
    ASSERT_FALSE(config.Root()->FirstChild()->Parameters().empty());
    const auto& models = config.Root()->FirstChild()->Parameters().front().choices;
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
