// The Restrictions page's Read, Write and Reset end to end against the simulated network on a
// virtual clock, and its reply handling on replies no simulated unit sends.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "base/format.h"
#include "link_fixture.h"
#include "operations/restrictions_page.h"
#include "restrictions/zone_presets.h"

namespace skelvane {
namespace {

using test::Answer;
using test::AnswerWith;
using test::Bytes;
using test::SimEntry;
using test::SimRepeaters;
using Lines = std::vector<std::string>;
using ::testing::ElementsAre;

// A radio block as the templates have it, with a repeater list.
std::unique_ptr<Block> RadioBlock(BlockKind kind, bool withRepeaters = true) {
    auto block = test::TemplateBlock(kind, kind == BlockKind::Master ? 1 : 300);
    if (withRepeaters) {
        block->AddParameter(test::TextParameter("RepeaterRegistration", "0"));
    }
    return block;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

class RestrictionsExchangeTest : public ::testing::Test {
  protected:
    RestrictionsExchangeTest() {
        // Every unit in "North America2" at link rate 0, the band the zones are made for.
        for (sim::Unit* unit : sim.network->Remotes()) {
            unit->SetRegister(0x59, 3);
            unit->SetRegister(0x0E, 0);
        }
        sim.Local().SetRegister(0x59, 3);
        sim.Local().SetRegister(0x0E, 0);
    }

    RestrictionsPage& Page() {
        if (!page) {
            page = std::make_unique<RestrictionsPage>(*block, sim.ports, "SIM1", sim.facts, state,
                                                      sim.remoteUa, sim.prompter, sim.clock);
            page->Link().SetTrafficLogging(false);
        }
        return *page;
    }
    std::optional<RestrictionsReport> Run(bool (RestrictionsPage::*button)()) {
        sim.Run(Page(), button);
        return Page().LastReport();
    }
    // The lines between the connect sequence and the summary line.
    Lines StepLines() {
        Lines lines = Page().Log().Lines();
        if (!lines.empty() && lines.back().starts_with("Restrictions ")) {
            lines.pop_back();
        }
        return Lines(lines.begin() + std::min<std::size_t>(3, lines.size()), lines.end());
    }
    std::string TextOf(const std::string& name) { return block->FindParameter(name)->textValue; }
    // The unit runs `version`, and the program knows that and the unit's band, as after a Read.
    void UseVersion(const char* version) {
        sim.Local().SetVersion(version);
        sim.facts.versionNumber = sim.Local().VersionNumber();
        sim.facts.countryIndex = 3;
    }

    test::LinkFixture sim;
    RestrictionState state;
    std::unique_ptr<Block> block = RadioBlock(BlockKind::Master);
    std::unique_ptr<RestrictionsPage> page;
};

// What is read into the block is read twice: the country code and version, then the entries.
const Bytes kFactsReads = {0x14, 0x14, 0x28, 0x28};
const Bytes kEntryReads(32, 0x2C);
// A Write's entries and repeater list sent, then read back.
const Bytes kSendAndVerify = Concat({Bytes(16, 0x52), {0x54}, Bytes(16, 0x2C), {0x54}});
const Lines kNoRestrictions = {"Freqency: not supported in this version."};
const Lines kNoRepeaters = {"Repeater list: not supported in this version."};

// A Read goes as far as the unit's firmware keeps the lists.
TEST_F(RestrictionsExchangeTest, ReadGoesAsFarAsTheFirmwareKeepsTheLists) {
    sim.Local().SetRestriction(1, SimEntry(25, {{0, 600}}));
    sim.Local().SetRepeaters(SimRepeaters({2, 40}));
    const std::tuple<const char*, Bytes, bool, bool> versions[] = {
        {"V3.1079", kFactsReads, false, false},
        {"V3.2319", Concat({kFactsReads, kEntryReads}), true, false},
        {"V3.2320", Concat({kFactsReads, kEntryReads, {0x54, 0x54}}), true, true}};
    for (const auto& [version, codes, restrictions, repeaters] : versions) {
        page.reset();
        block = RadioBlock(BlockKind::Master);
        sim.ClearSent();
        sim.Local().SetVersion(version);
        const auto report = Run(&RestrictionsPage::Read);
        ASSERT_TRUE(report);
        EXPECT_EQ(report->outcome, RestrictionsOutcome::Succeeded) << version;
        EXPECT_EQ(report->restrictions, restrictions) << version;
        EXPECT_EQ(report->repeaters, repeaters) << version;
        EXPECT_EQ(sim.SentCodes(), codes) << version;
        Lines lines = {"Getting country code ... passed.", "Getting version ... passed."};
        lines.push_back(restrictions ? "Getting restrictions ... passed." : kNoRestrictions[0]);
        if (restrictions) {
            lines.push_back(repeaters ? "Getting repeaters ... passed." : kNoRepeaters[0]);
        }
        EXPECT_EQ(StepLines(), lines);
        EXPECT_EQ(TextOf("VersionNo"), version);
        EXPECT_EQ(TextOf("FrequencyRestriction2"), restrictions ? "25:902400,903000" : "0");
        EXPECT_EQ(TextOf("RepeaterRegistration"), repeaters ? "2,40" : "0");
        EXPECT_EQ(Page().List().Rows()[1].value, TextOf("FrequencyRestriction2"));
        for (const Bytes& frame : sim.Sent()) {
            EXPECT_EQ(frame[1] << 8 | frame[2], 0);  // the unit on the cable is asked as UA 0
        }
    }
}

// The block's entries hold zone patterns; the unit takes them and saves them.
TEST_F(RestrictionsExchangeTest, WriteSendsZonePatternsTheUnitSaves) {
    block = RadioBlock(BlockKind::Remote);
    for (int zone = 0; zone < kZoneCount; ++zone) {
        block->FindParameter(Format("FrequencyRestriction%d", zone + 1))->textValue =
            ZoneEntryText(zone, 300 + zone);
    }
    block->FindParameter("RepeaterRegistration")->textValue = "9 2,,301";
    sim.remoteUa.Set(300);
    Page().Activate();
    ASSERT_EQ(Run(&RestrictionsPage::ReadUnitFacts)->outcome, RestrictionsOutcome::Succeeded);
    EXPECT_EQ(Run(&RestrictionsPage::Write)->outcome, RestrictionsOutcome::Succeeded);
    EXPECT_EQ(sim.prompter.Count(), 0u) << sim.prompter.LastText();
    const Lines lines = StepLines();
    EXPECT_THAT(Lines(lines.end() - 3, lines.end()),
                ElementsAre("Sending repeaters ... passed.", "Verifying ... passed.",
                            "Saving to memory... passed."));
    EXPECT_EQ(sim.SentCodes(), Concat({kFactsReads, kSendAndVerify, {0x53}}));
    // Entry 1 (zone 1, UA 300): 905000 to 927600, the rest vacant.
    Bytes entry = {0x26, 0x01, 0x2C, 0x52, 0x00, 0x01, 0x2C, 0x0A, 0x28, 0x62, 0x70};
    entry.resize(39, 0xFF);
    EXPECT_EQ(sim.Sent()[4], entry);
    const sim::Unit& unit = sim.Remote(300);
    EXPECT_EQ(unit.SavedRestriction(0), SimEntry(300, {{2600, 25200}}));
    EXPECT_EQ(unit.SavedRestriction(9), sim::RestrictionEntry());
    EXPECT_EQ(unit.SavedRepeaters(), SimRepeaters({2, 9, 301}));
}

// Without a Read the version is unknown and nothing is sent; below the repeater version only
// the entries go.
TEST_F(RestrictionsExchangeTest, WriteGoesByTheVersionLearnedBefore) {
    block->FindParameter("FrequencyRestriction1")->textValue = "4:920000,927600";
    EXPECT_EQ(Run(&RestrictionsPage::Write)->restrictions, false);
    EXPECT_EQ(StepLines(), kNoRestrictions);
    EXPECT_TRUE(sim.Sent().empty());

    page.reset();
    UseVersion("V3.108");
    block->FindParameter("RepeaterRegistration")->textValue = "3";
    EXPECT_EQ(Run(&RestrictionsPage::Write)->outcome, RestrictionsOutcome::Succeeded);
    EXPECT_EQ(sim.SentCodes(), Concat({Bytes(16, 0x52), Bytes(16, 0x2C), {0x53}}));
    EXPECT_EQ(StepLines(), (Lines{"Sending restrictions ... passed.", kNoRepeaters[0],
                                  "Verifying ... passed.", "Saving to memory... passed."}));
}

// An invalid text stops its step before anything of it is sent, and nothing is saved.
TEST_F(RestrictionsExchangeTest, AnInvalidTextStopsItsStepBeforeAnythingOfItIsSent) {
    UseVersion("V4.45");
    block->FindParameter("FrequencyRestriction2")->textValue = "7:905000,927600";
    const std::tuple<const char*, const char*, const char*, Bytes, const char*> refusals[] = {
        {"FrequencyRestriction10",
         "6:902400,927600",
         "Wrong table entry: 10\nNot enough room to create pattern!!",
         {},
         "Sending restrictions ...Failed."},
        {"RepeaterRegistration", "5,5", "Duplicate UA detected.", Bytes(16, 0x52),
         "Sending repeaters ...Failed."}};
    for (const auto& [name, text, message, codes, lastLine] : refusals) {
        const std::string kept = std::exchange(block->FindParameter(name)->textValue, text);
        const std::size_t shown = sim.prompter.Count();
        sim.ClearSent();
        EXPECT_EQ(Run(&RestrictionsPage::Write)->outcome, RestrictionsOutcome::Failed) << name;
        EXPECT_EQ(sim.prompter.Count(), shown + 1) << name;
        EXPECT_EQ(sim.prompter.LastText(), message);
        EXPECT_EQ(sim.SentCodes(), codes) << name;
        EXPECT_EQ(StepLines().back(), lastLine);
        EXPECT_EQ(sim.Local().SavedRestriction(1), sim::RestrictionEntry()) << name;
        block->FindParameter(name)->textValue = kept;
    }
}

TEST_F(RestrictionsExchangeTest, ABlockWithoutARepeaterListSendsOnlyABuiltOne) {
    block = RadioBlock(BlockKind::Master, false);
    UseVersion("V4.45");
    Run(&RestrictionsPage::Write);
    EXPECT_EQ(sim.SentCodes(), Concat({Bytes(16, 0x52), Bytes(16, 0x2C), {0x53}}));
    EXPECT_EQ(StepLines()[1], "Repeater list: none in this block, not sent.");
    EXPECT_EQ(sim.Local().SavedRepeaters(), SimRepeaters({}));

    // Once a list was built in this run, it is the one sent.
    RepeaterList list;
    list.slots.fill(kVacant);
    list.slots[0] = 77;
    state.SetRepeaters(list);
    Run(&RestrictionsPage::Write);
    EXPECT_EQ(sim.Local().SavedRepeaters(), SimRepeaters({77}));
}

struct FailureCase {
    const char* name;
    bool write;
    test::ScriptedPort::Script script;
    RestrictionsOutcome outcome;
    Bytes codes;
    Lines tail;  // the last lines of the log
};

class FailureTest : public RestrictionsExchangeTest,
                    public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FailureTest, TheStepReportsWhatTheUnitDid) {
    const FailureCase& c = GetParam();
    if (c.write) {
        UseVersion("V4.45");
    }
    sim.Script(c.script);
    const auto report = Run(c.write ? &RestrictionsPage::Write : &RestrictionsPage::Read);
    EXPECT_EQ(report->outcome, c.outcome);
    EXPECT_EQ(sim.SentCodes(), c.codes);
    const Lines lines = StepLines();
    ASSERT_GE(lines.size(), c.tail.size());
    EXPECT_EQ(Lines(lines.end() - static_cast<long>(c.tail.size()), lines.end()), c.tail);
}

const Bytes kNothing;

INSTANTIATE_TEST_SUITE_P(
    Replies, FailureTest,
    ::testing::Values(
        // A reply whose length byte does not match fails its try; three of them fail the step.
        FailureCase{"MalformedVersion",
                    false,
                    AnswerWith(0x28, {0x05, 0x00, 0x01, 0x8C, 0x56}),
                    RestrictionsOutcome::Failed,
                    {0x14, 0x14, 0x28, 0x28, 0x28},
                    {"Errors in the responses!", "Asking again (2 of 2) ...",
                     "Errors in the responses!Failed."}},
        // An entry the unit leaves unanswered fails the step, even when later ones came.
        FailureCase{"NoReplyToEntry7",
                    false,
                    AnswerWith(0x2C, kNothing, 6),
                    RestrictionsOutcome::Failed,
                    Concat({kFactsReads, Bytes(12 + 3 + 18, 0x2C)}),
                    {"Asking again (2 of 2) ...Failed."}},
        // No checksum guards a value: an entry that reads differently each time is never taken.
        FailureCase{
            "EntryReadsDifferently",
            false,
            [n = std::make_shared<std::uint8_t>(0)](const Bytes& r) {
                return Answer(r, 0x2C, {0x06, 0x00, 0x01, 0x90, 0x03, 0x00, ++*n}, 3);
            },
            RestrictionsOutcome::Failed,
            Concat({kFactsReads, Bytes(6 + 6 + 24, 0x2C)}),
            {"Asking again (2 of 2) ...", "ReadRestriction 3: the two readings differ!Failed."}},
        FailureCase{"TooShortEntryReply",
                    false,
                    AnswerWith(0x2C, {0x04, 0x00, 0x01, 0x90, 0x03}, 3),
                    RestrictionsOutcome::Succeeded,
                    Concat({kFactsReads, kEntryReads, {0x54, 0x54}}),
                    {"Getting restrictions ... passed.", "Getting repeaters ... passed."}},
        FailureCase{"WrongAckForEntry4",
                    true,
                    AnswerWith(0x52, {0x03, 0x00, 0x01, 0xB7}, 3),
                    RestrictionsOutcome::Failed,
                    Bytes(18, 0x52),
                    {"Unknown responses!Failed."}},
        // An entry the unit keeps otherwise than sent is sent once more, then fails by name.
        FailureCase{
            "EntryReadBackDiffers",
            true,
            AnswerWith(0x2C, {0x06, 0x00, 0x01, 0x90, 0x04, 0x00, 0x09}, 4),
            RestrictionsOutcome::Failed,
            Concat({kSendAndVerify, kSendAndVerify}),
            {"Verifying ...Failed.", "The unit holds other values for FrequencyRestriction5."}},
        FailureCase{"NoSaveAck",
                    true,
                    AnswerWith(0x53, kNothing),
                    RestrictionsOutcome::Failed,
                    Concat({kSendAndVerify, Bytes(3, 0x53)}),
                    {"Asking again (1 of 2) ...", "Asking again (2 of 2) ...Failed."}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RestrictionsExchangeTest, AFailedReadKeepsWhatArrivedButNeitherRefreshesNorSetsZones) {
    sim.Local().SetRestriction(0, SimEntry(8, {{100, 200}}));
    sim.Script(AnswerWith(0x2C, kNothing, 6));
    EXPECT_FALSE(Page().CommitEdit(2, "bad"));
    Run(&RestrictionsPage::Read);
    EXPECT_EQ(TextOf("FrequencyRestriction1"), "8:902500,902600");
    EXPECT_EQ(Page().List().Rows()[0].value, "8:902500,902600");
    EXPECT_FALSE(Page().ZonesEnabled());
    // A Read that passes sets "Zones" from what it learned.
    sim.Script([](const Bytes&) { return std::nullopt; });
    Run(&RestrictionsPage::Read);
    EXPECT_TRUE(Page().ZonesEnabled());
}

TEST_F(RestrictionsExchangeTest, ResetLogsItsRequestOnlyAndDrainsTheReply) {
    Page().Link().SetTrafficLogging(true);
    EXPECT_EQ(Run(&RestrictionsPage::Reset)->outcome, RestrictionsOutcome::Succeeded);
    EXPECT_THAT(StepLines(), ElementsAre("TX:>>>>>", "03 00 00 FF "));
    EXPECT_EQ(sim.Local().ResetCount(), 1);
    EXPECT_EQ(sim.Sent(), (std::vector<Bytes>{{0x03, 0x00, 0x00, 0xFF}}));
}

// The version gates go by what the unit just said, also for a block that keeps no version
// text, rather than by whatever unit was read last.
TEST_F(RestrictionsExchangeTest, TheVersionReplyCountsWithoutAVersionParameter) {
    std::erase_if(block->Parameters(), [](const Parameter& p) { return p.name == "VersionNo"; });
    sim.facts.versionNumber = 44500;
    sim.Local().SetVersion("V3.0");
    int updates = 0;
    Page().SetUpdateListener([&updates] { ++updates; });
    Run(&RestrictionsPage::Read);
    EXPECT_EQ(sim.facts.versionNumber.load(), 30000u);
    EXPECT_EQ(sim.SentCodes(), kFactsReads);
    // Each parsed reply and the end of the worker tell the owner.
    EXPECT_GE(updates, 3);
}

}  // namespace
}  // namespace skelvane
