// The Restrictions page's Read, Write and Reset end to end against the simulated network on a
// virtual clock, and its reply handling on replies no simulated unit sends.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/format.h"
#include "link_fixture.h"
#include "operations/restrictions_page.h"
#include "restrictions/zone_presets.h"

namespace skelvane {
namespace {

using test::Bytes;
using Lines = std::vector<std::string>;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

Parameter Text(std::string name, std::string text) {
    Parameter parameter;
    parameter.type = kTextParameterType;
    parameter.name = std::move(name);
    parameter.desc = parameter.name;
    parameter.textValue = std::move(text);
    return parameter;
}

// A radio block with what the page works on, as the templates have it.
std::unique_ptr<Block> RadioBlock(std::uint32_t operatingMode, bool withRepeaters = true) {
    auto block = CreateBlock(static_cast<int>(BlockKind::Remote));
    Parameter mode;
    mode.type = 1;
    mode.name = "OperatingMode";
    mode.value = operatingMode;
    block->AddParameter(mode);
    block->AddParameter(Text("VersionNo", ""));
    for (int i = 1; i <= 16; ++i) {
        block->AddParameter(Text(Format("FrequencyRestriction%d", i), "0"));
    }
    if (withRepeaters) {
        block->AddParameter(Text("RepeaterRegistration", "0"));
    }
    return block;
}

sim::RestrictionEntry SimEntry(std::uint16_t ua, std::vector<std::pair<int, int>> ranges) {
    sim::RestrictionEntry entry;
    entry.ua = ua;
    for (std::size_t k = 0; k < ranges.size(); ++k) {
        entry.start[k] = static_cast<std::uint16_t>(ranges[k].first);
        entry.end[k] = static_cast<std::uint16_t>(ranges[k].second);
    }
    return entry;
}

sim::RepeaterSlots SimRepeaters(std::vector<std::uint16_t> addresses) {
    sim::RepeaterSlots slots;
    slots.fill(0xFFFF);
    std::copy(addresses.begin(), addresses.end(), slots.begin());
    return slots;
}

// The unit on the cable with some requests answered by a script instead: a script returning
// bytes sends them (none: no answer), nullopt leaves the request to the unit.
class ScriptedPort final : public sim::PortHandler {
  public:
    using Script = std::function<std::optional<Bytes>(const Bytes& request)>;
    explicit ScriptedPort(Script script) : script_(std::move(script)) {}

    void OnBytes(sim::PortContext& port, std::span<const std::uint8_t> bytes) override {
        pending_.insert(pending_.end(), bytes.begin(), bytes.end());
        while (!pending_.empty() && pending_.size() >= pending_[0] + 1u) {
            Bytes frame(pending_.begin(), pending_.begin() + pending_[0] + 1);
            pending_.erase(pending_.begin(), pending_.begin() + pending_[0] + 1);
            if (std::optional<Bytes> reply = script_(frame)) {
                if (!reply->empty()) {
                    port.Send(std::move(*reply));
                }
            } else {
                port.RouteFrame(std::move(frame));
            }
        }
    }

  private:
    Script script_;
    Bytes pending_;
};

std::optional<Bytes> Answer(const Bytes& request, std::uint8_t code, Bytes reply, int entry = -1) {
    if (request[3] == code && (entry < 0 || (request.size() > 4 && request[4] == entry))) {
        return reply;
    }
    return std::nullopt;
}

class RestrictionsExchangeTest : public ::testing::Test {
  protected:
    RestrictionsExchangeTest() {
        // Every unit in "North America2" at link rate 0, the band the zones are made for.
        for (sim::Unit* unit : network->Remotes()) {
            unit->SetRegister(0x59, 3);
            unit->SetRegister(0x0E, 0);
        }
        network->Local().SetRegister(0x59, 3);
        network->Local().SetRegister(0x0E, 0);
    }

    RestrictionsPage& Page(std::string port = "SIM1") {
        if (!page) {
            page = std::make_unique<RestrictionsPage>(*block, ports, std::move(port), facts, state,
                                                      remoteUa, prompter, clock);
            page->Link().SetTrafficLogging(false);
        }
        return *page;
    }
    // Runs one button's operation to its end and applies the results.
    std::optional<RestrictionsReport> Run(bool (RestrictionsPage::*button)()) {
        EXPECT_TRUE((Page().*button)());
        Page().Link().Wait();
        Page().ApplyWorkerResults();
        return Page().LastReport();
    }
    Bytes SentCodes() { return sim.SentCodes(); }
    std::vector<Bytes> Sent() { return sim.Sent(); }
    // The log after the connect lines.
    // The lines between the connect sequence and the summary line.
    Lines StepLines() {
        Lines lines = Page().Log().Lines();
        if (!lines.empty() && lines.back().starts_with("Restrictions ")) {
            lines.pop_back();
        }
        EXPECT_THAT(Lines(lines.begin(), lines.begin() + std::min<std::size_t>(3, lines.size())),
                    ElementsAreArray(test::OpenLines()));
        return Lines(lines.begin() + std::min<std::size_t>(3, lines.size()), lines.end());
    }
    std::string TextOf(const std::string& name) { return block->FindParameter(name)->textValue; }
    void Script(ScriptedPort::Script script) {
        network->Local().SetPortHandler(sim::UnitMode::Diagnostic,
                                        std::make_shared<ScriptedPort>(std::move(script)));
    }
    void ClearSent() { sim.ClearSent(); }
    // The unit runs `version`, and the program knows that and the unit's band, as after a Read.
    void UseVersion(sim::Unit& unit, const char* version) {
        unit.SetVersion(version);
        facts.versionNumber = unit.VersionNumber();
        facts.countryIndex = 3;
    }

    test::LinkFixture sim;
    VirtualClock& clock = sim.clock;
    std::shared_ptr<sim::Network>& network = sim.network;
    PortFactory& ports = sim.ports;
    UnitFacts& facts = sim.facts;
    CurrentRemoteUa& remoteUa = sim.remoteUa;
    RecordingPrompter& prompter = sim.prompter;
    RestrictionState state;
    std::unique_ptr<Block> block = RadioBlock(0);
    std::unique_ptr<RestrictionsPage> page;
};

const Bytes kSixteenEntryReads(16, 0x2C);

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

struct VersionCase {
    const char* version;
    Bytes codes;
    Lines lines;
    bool restrictions;
    bool repeaters;
};

class ReadVersionTest : public RestrictionsExchangeTest,
                        public ::testing::WithParamInterface<VersionCase> {};

TEST_P(ReadVersionTest, ReadGoesAsFarAsTheFirmwareKeepsTheLists) {
    const VersionCase& c = GetParam();
    network->Local().SetVersion(c.version);
    network->Local().SetRestriction(1, SimEntry(25, {{0, 600}}));
    network->Local().SetRepeaters(SimRepeaters({2, 40}));
    const auto report = Run(&RestrictionsPage::Read);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->outcome, RestrictionsOutcome::Succeeded);
    EXPECT_EQ(report->restrictions, c.restrictions);
    EXPECT_EQ(report->repeaters, c.repeaters);
    EXPECT_EQ(SentCodes(), c.codes);
    EXPECT_EQ(StepLines(), c.lines);
    EXPECT_EQ(TextOf("VersionNo"), c.version);
    EXPECT_EQ(facts.versionNumber.load(), network->Local().VersionNumber());
    EXPECT_EQ(TextOf("FrequencyRestriction2"), c.restrictions ? "25:902400,903000" : "0");
    EXPECT_EQ(TextOf("RepeaterRegistration"), c.repeaters ? "2,40" : "0");
    EXPECT_EQ(Page().List().Rows()[1].value, TextOf("FrequencyRestriction2"));
}

const Lines kFactLines = {"Getting country code ... passed.", "Getting version ... passed."};
const Lines kNoRestrictions = {"Freqency: not supported in this version."};
const Lines kEntriesRead = {"Getting restrictions ... passed."};
const Lines kNoRepeaters = {"Repeater list: not supported in this version."};

Lines Join(std::initializer_list<Lines> parts) {
    Lines all;
    for (const Lines& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

INSTANTIATE_TEST_SUITE_P(
    Versions, ReadVersionTest,
    ::testing::Values(
        VersionCase{"V3.1079", {0x14, 0x28}, Join({kFactLines, kNoRestrictions}), false, false},
        VersionCase{"V3.108", Concat({{0x14, 0x28}, kSixteenEntryReads}),
                    Join({kFactLines, kEntriesRead, kNoRepeaters}), true, false},
        VersionCase{"V3.2319", Concat({{0x14, 0x28}, kSixteenEntryReads}),
                    Join({kFactLines, kEntriesRead, kNoRepeaters}), true, false},
        VersionCase{"V3.2320", Concat({{0x14, 0x28}, kSixteenEntryReads, {0x54}}),
                    Join({kFactLines, kEntriesRead, {"Getting repeaters ... passed."}}), true,
                    true}));

TEST_F(RestrictionsExchangeTest, ReadFromARemoteFillsTheBlockOnceTheOwnerApplies) {
    block = RadioBlock(2);
    block->FindParameter("FrequencyRestriction4")->textValue = "9:902400,927600";
    sim::Unit& unit = *network->FindRemote(300);
    unit.SetRestriction(0, SimEntry(5, {{0, 2500}, {5100, 25200}}));
    unit.SetRestriction(3, SimEntry(0, {}));
    unit.SetRepeaters(SimRepeaters({2, 9, 301}));
    remoteUa.Set(300);
    Page().Activate();
    EXPECT_FALSE(Page().LocalChosen());
    EXPECT_FALSE(Page().ZonesEnabled());  // nothing known of the unit yet

    const Millis start = clock.Now();
    ASSERT_TRUE(Page().Read());
    Page().Link().Wait();
    // Nineteen requests, each followed by the 200 ms a Remote needs.
    EXPECT_GE(clock.Now() - start, Millis{19 * 200});
    EXPECT_EQ(TextOf("FrequencyRestriction1"), "0");  // the worker had a copy
    ASSERT_TRUE(Page().ApplyWorkerResults());

    EXPECT_EQ(TextOf("FrequencyRestriction1"), "5:902400,904900,907500,927600");
    EXPECT_EQ(TextOf("FrequencyRestriction4"), "0");  // the unit's entry names no unit
    EXPECT_EQ(TextOf("RepeaterRegistration"), "2,9,301");
    EXPECT_EQ(Page().List().Rows()[0].value, "5:902400,904900,907500,927600");
    EXPECT_EQ(Page().List().Rows()[16].value, "2,9,301");
    for (const Bytes& frame : Sent()) {
        EXPECT_EQ(frame[1] << 8 | frame[2], 300);
    }
    EXPECT_EQ(Sent()[0], (Bytes{0x05, 0x01, 0x2C, 0x14, 0x59, 0x0E}));
    EXPECT_EQ(Sent()[17], (Bytes{0x04, 0x01, 0x2C, 0x2C, 0x0F}));
    EXPECT_EQ(facts.countryIndex.load(), 3u);
    EXPECT_EQ(facts.linkRateIndex.load(), 0u);
    EXPECT_TRUE(Page().ZonesEnabled());
    Page().Leave();
    EXPECT_FALSE(Page().ZonesEnabled());
}

TEST_F(RestrictionsExchangeTest, LocalRequestsCarryUaZeroAndTheReplyGivesTheAddress) {
    block = RadioBlock(2);
    remoteUa.Set(300);
    Page().Activate();
    EXPECT_EQ(Page().RemoteUa(), 300);
    Page().ChooseLocal(true);
    block->FindParameter("RepeaterRegistration")->textValue = "7";
    Page().Link().SetTrafficLogging(true);
    Run(&RestrictionsPage::Read);
    ASSERT_EQ(Sent().size(), 19u);
    for (const Bytes& frame : Sent()) {
        EXPECT_EQ(frame[1] << 8 | frame[2], 0);
    }
    EXPECT_EQ(Page().RemoteUa(), 1);
    // The unit on the cable has no repeater registered: the block keeps its list.
    EXPECT_EQ(TextOf("RepeaterRegistration"), "7");
    // Every exchange is logged, the entry reads too; the step result follows the last reply.
    const Lines lines = Page().Log().Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "TX:>>>>>"), 19);
    EXPECT_THAT(Lines(lines.end() - 6, lines.end() - 1),
                ElementsAre("Getting repeaters ...", "TX:>>>>>", "03 00 00 54 ", "RX:<<<<<",
                            "05 00 01 B8 FF FF  passed."));
}

// The block's entries hold zone patterns; the unit takes them and saves them, and a Read into
// a fresh block gives the same texts back.
TEST_F(RestrictionsExchangeTest, WriteSendsZonePatternsThatReadBackUnchanged) {
    block = RadioBlock(2);
    for (int zone = 0; zone < kZoneCount; ++zone) {
        block->FindParameter(Format("FrequencyRestriction%d", zone + 1))->textValue =
            ZoneEntryText(zone, 300 + zone);
    }
    block->FindParameter("RepeaterRegistration")->textValue = "9 2,,301";
    remoteUa.Set(300);
    Page().Activate();
    ASSERT_EQ(Run(&RestrictionsPage::ReadUnitFacts)->outcome, RestrictionsOutcome::Succeeded);
    EXPECT_EQ(Run(&RestrictionsPage::Write)->outcome, RestrictionsOutcome::Succeeded);
    EXPECT_EQ(prompter.Count(), 0u) << prompter.LastText();
    const Lines lines = StepLines();
    EXPECT_THAT(Lines(lines.end() - 3, lines.end()),
                ElementsAre("Sending repeaters ... passed.", "Verifying ... passed.",
                            "Saving to memory... passed."));
    EXPECT_EQ(SentCodes(),
              Concat({{0x14, 0x28}, Bytes(16, 0x52), {0x54}, Bytes(16, 0x2C), {0x54, 0x53}}));
    // Entry 1 (zone 1, UA 300): 905000 to 927600, the rest vacant.
    Bytes entry = {0x26, 0x01, 0x2C, 0x52, 0x00, 0x01, 0x2C, 0x0A, 0x28, 0x62, 0x70};
    entry.resize(39, 0xFF);
    EXPECT_EQ(Sent()[2], entry);
    Bytes repeaters = {0x23, 0x01, 0x2C, 0x54, 0x00, 0x02, 0x00, 0x09, 0x01, 0x2D};
    repeaters.resize(36, 0xFF);
    EXPECT_EQ(Sent()[18], repeaters);
    const sim::Unit& unit = *network->FindRemote(300);
    EXPECT_EQ(unit.SavedRestriction(0), SimEntry(300, {{2600, 25200}}));
    EXPECT_EQ(unit.SavedRestriction(9), sim::RestrictionEntry());
    EXPECT_EQ(unit.SavedRepeaters(), SimRepeaters({2, 9, 301}));

    auto fresh = RadioBlock(2);
    RestrictionsPage reader(*fresh, ports, "SIM1", facts, state, remoteUa, prompter, clock);
    reader.Activate();
    ASSERT_TRUE(reader.Read());
    reader.Link().Wait();
    reader.ApplyWorkerResults();
    for (int i = 1; i <= 16; ++i) {
        const std::string name = Format("FrequencyRestriction%d", i);
        EXPECT_EQ(fresh->FindParameter(name)->textValue, TextOf(name)) << name;
    }
    EXPECT_EQ(fresh->FindParameter("RepeaterRegistration")->textValue, "2,9,301");
}

struct WriteGateCase {
    const char* version;
    Bytes codes;
    Lines lines;
};

class WriteGateTest : public RestrictionsExchangeTest,
                      public ::testing::WithParamInterface<WriteGateCase> {};

TEST_P(WriteGateTest, WriteGoesByTheVersionLearnedBefore) {
    UseVersion(network->Local(), GetParam().version);
    block->FindParameter("FrequencyRestriction1")->textValue = "4:920000,927600";
    block->FindParameter("RepeaterRegistration")->textValue = "3";
    EXPECT_EQ(Run(&RestrictionsPage::Write)->outcome, RestrictionsOutcome::Succeeded);
    EXPECT_EQ(SentCodes(), GetParam().codes);
    EXPECT_EQ(StepLines(), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Versions, WriteGateTest,
    ::testing::Values(WriteGateCase{"V3.1079", {}, kNoRestrictions},
                      WriteGateCase{"V3.108",
                                    Concat({Bytes(16, 0x52), Bytes(16, 0x2C), {0x53}}),
                                    {"Sending restrictions ... passed.", kNoRepeaters[0],
                                     "Verifying ... passed.", "Saving to memory... passed."}},
                      WriteGateCase{
                          "V3.232",
                          Concat({Bytes(16, 0x52), {0x54}, Bytes(16, 0x2C), {0x54, 0x53}}),
                          {"Sending restrictions ... passed.", "Sending repeaters ... passed.",
                           "Verifying ... passed.", "Saving to memory... passed."}}));

TEST_F(RestrictionsExchangeTest, AWriteBeforeAnyReadKnowsNoVersion) {
    EXPECT_EQ(Run(&RestrictionsPage::Write)->restrictions, false);
    EXPECT_EQ(StepLines(), kNoRestrictions);
    EXPECT_TRUE(Sent().empty());
}

struct RefusalCase {
    const char* name;
    int entry;  // 1 to 16, or 0 for the repeater list
    const char* text;
    const char* message;
    const char* caption;
    Bytes codes;
    const char* lastLine;
};

class WriteRefusalTest : public RestrictionsExchangeTest,
                         public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(WriteRefusalTest, AnInvalidTextStopsItsStepBeforeAnythingOfItIsSent) {
    const RefusalCase& c = GetParam();
    UseVersion(network->Local(), "V4.45");
    block->FindParameter("FrequencyRestriction2")->textValue = "7:905000,927600";
    block
        ->FindParameter(c.entry > 0 ? Format("FrequencyRestriction%d", c.entry)
                                    : std::string("RepeaterRegistration"))
        ->textValue = c.text;
    const auto report = Run(&RestrictionsPage::Write);
    EXPECT_EQ(report->outcome, RestrictionsOutcome::Failed);
    ASSERT_EQ(prompter.Count(), 1u);
    EXPECT_EQ(prompter.LastText(), c.message);
    EXPECT_EQ(prompter.Records()[0].caption, c.caption);
    EXPECT_EQ(SentCodes(), c.codes);
    EXPECT_EQ(StepLines().back(), c.lastLine);
    // Nothing was saved to the unit's memory.
    EXPECT_EQ(network->Local().SavedRestriction(1), sim::RestrictionEntry());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, WriteRefusalTest,
    ::testing::Values(RefusalCase{"InvalidEntry5",
                                  5,
                                  "5:902400,92760",
                                  "Mismatched on entry: 5\nUA:start1,end1,start2,end2,...",
                                  "Error",
                                  {},
                                  "Sending restrictions ...Failed."},
                      RefusalCase{"NoRoom",
                                  10,
                                  "6:902400,927600",
                                  "Wrong table entry: 10\nNot enough room to create pattern!!",
                                  "Info",
                                  {},
                                  "Sending restrictions ...Failed."},
                      RefusalCase{"BadRepeaterList", 0, "5,5", "Duplicate UA detected.", "Error",
                                  Bytes(16, 0x52), "Sending repeaters ...Failed."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RestrictionsExchangeTest, ABlockWithoutARepeaterListSendsOnlyABuiltOne) {
    block = RadioBlock(0, false);
    UseVersion(network->Local(), "V4.45");
    Run(&RestrictionsPage::Write);
    EXPECT_EQ(SentCodes(), Concat({Bytes(16, 0x52), Bytes(16, 0x2C), {0x53}}));
    EXPECT_EQ(StepLines()[1], "Repeater list: none in this block, not sent.");
    EXPECT_EQ(network->Local().SavedRepeaters(), SimRepeaters({}));

    // Once a list was built in this run, it is the one sent.
    RepeaterList list;
    list.slots.fill(kVacant);
    list.slots[0] = 77;
    state.SetRepeaters(list);
    ClearSent();
    Run(&RestrictionsPage::Write);
    EXPECT_EQ(SentCodes(), Concat({Bytes(16, 0x52), {0x54}, Bytes(16, 0x2C), {0x54, 0x53}}));
    EXPECT_EQ(network->Local().SavedRepeaters(), SimRepeaters({77}));
}

struct FailureCase {
    const char* name;
    int operation;
    ScriptedPort::Script script;
    RestrictionsOutcome outcome;
    Bytes codes;
    Lines tail;  // the last lines of the log
};

class FailureTest : public RestrictionsExchangeTest,
                    public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FailureTest, TheStepReportsWhatTheUnitDid) {
    const FailureCase& c = GetParam();
    if (c.operation == restrictions_op::kWrite) {
        UseVersion(network->Local(), "V4.45");
    }
    Script(c.script);
    const auto report = Run(c.operation == restrictions_op::kRead ? &RestrictionsPage::Read
                                                                  : &RestrictionsPage::Write);
    EXPECT_EQ(report->outcome, c.outcome);
    EXPECT_EQ(SentCodes(), c.codes);
    const Lines lines = StepLines();
    ASSERT_GE(lines.size(), c.tail.size());
    EXPECT_EQ(Lines(lines.end() - static_cast<long>(c.tail.size()), lines.end()), c.tail);
}

const Bytes kNothing;

INSTANTIATE_TEST_SUITE_P(
    Replies, FailureTest,
    ::testing::Values(
        FailureCase{"NoCountryReply",
                    restrictions_op::kRead,
                    [](const Bytes& r) { return Answer(r, 0x14, kNothing); },
                    RestrictionsOutcome::Failed,
                    {0x14, 0x14, 0x14},
                    {"Asking again (2 of 2) ...Failed."}},
        // A reply whose length byte does not match, or whose code is not the one asked for,
        // fails its try; three of them fail the step.
        FailureCase{"MalformedVersion",
                    restrictions_op::kRead,
                    [](const Bytes& r) {
                        return Answer(r, 0x28, {0x05, 0x00, 0x01, 0x8C, 0x56});
                    },
                    RestrictionsOutcome::Failed,
                    {0x14, 0x28, 0x28, 0x28},
                    {"Errors in the responses!", "Asking again (2 of 2) ...",
                     "Errors in the responses!Failed."}},
        FailureCase{
            "UnknownCode",
            restrictions_op::kRead,
            [](const Bytes& r) {
                return Answer(r, 0x14, {0x03, 0x00, 0x01, 0x77});
            },
            RestrictionsOutcome::Failed,
            {0x14, 0x14, 0x14},
            {"Unknown responses!", "Asking again (2 of 2) ...", "Unknown responses!Failed."}},
        // An entry the unit leaves unanswered fails the step, even when later ones came.
        FailureCase{"NoReplyToEntry7",
                    restrictions_op::kRead,
                    [](const Bytes& r) { return Answer(r, 0x2C, kNothing, 6); },
                    RestrictionsOutcome::Failed,
                    Concat({{0x14, 0x28}, kSixteenEntryReads, Bytes(2, 0x2C)}),
                    {"Asking again (2 of 2) ...Failed."}},
        FailureCase{"TooShortEntryReply",
                    restrictions_op::kRead,
                    [](const Bytes& r) {
                        return Answer(r, 0x2C, {0x04, 0x00, 0x01, 0x90, 0x03}, 3);
                    },
                    RestrictionsOutcome::Succeeded,
                    Concat({{0x14, 0x28}, kSixteenEntryReads, {0x54}}),
                    {"Getting restrictions ... passed.", "Getting repeaters ... passed."}},
        FailureCase{"WrongAckForEntry4",
                    restrictions_op::kWrite,
                    [](const Bytes& r) {
                        return Answer(r, 0x52, {0x03, 0x00, 0x01, 0xB7}, 3);
                    },
                    RestrictionsOutcome::Failed,
                    Bytes(18, 0x52),
                    {"Unknown responses!Failed."}},
        FailureCase{"NoAckForTheLastEntry",
                    restrictions_op::kWrite,
                    [](const Bytes& r) { return Answer(r, 0x52, kNothing, 15); },
                    RestrictionsOutcome::Failed,
                    Bytes(18, 0x52),
                    {"Asking again (2 of 2) ...Failed."}},
        FailureCase{"ShortRepeaterAck",
                    restrictions_op::kWrite,
                    [](const Bytes& r) {
                        return Answer(r, 0x54, {0x02, 0x00, 0x01});
                    },
                    RestrictionsOutcome::Failed,
                    Concat({Bytes(16, 0x52), Bytes(3, 0x54)}),
                    {"Errors in the responses!Failed."}},
        FailureCase{"NoSaveAck",
                    restrictions_op::kWrite,
                    [](const Bytes& r) { return Answer(r, 0x53, kNothing); },
                    RestrictionsOutcome::Failed,
                    Concat({Bytes(16, 0x52), {0x54}, Bytes(16, 0x2C), {0x54}, Bytes(3, 0x53)}),
                    {"Asking again (1 of 2) ...", "Asking again (2 of 2) ...Failed."}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RestrictionsExchangeTest, AFailedReadKeepsWhatArrivedButNeitherRefreshesNorSetsZones) {
    network->Local().SetRestriction(0, SimEntry(8, {{100, 200}}));
    Script([](const Bytes& r) { return Answer(r, 0x2C, kNothing, 6); });
    ASSERT_EQ(Page().List().Rows()[2].name, "FrequencyRestriction3");
    EXPECT_FALSE(Page().CommitEdit(2, "bad"));
    EXPECT_EQ(Page().List().Rows()[2].value, "0");  // a refused text is not shown
    Run(&RestrictionsPage::Read);
    EXPECT_EQ(TextOf("FrequencyRestriction1"), "8:902500,902600");
    EXPECT_EQ(Page().List().Rows()[0].value, "8:902500,902600");
    EXPECT_FALSE(Page().ZonesEnabled());
    // A Read that passes refreshes every row and sets "Zones" from what it learned.
    Script([](const Bytes&) { return std::nullopt; });
    Run(&RestrictionsPage::Read);
    EXPECT_EQ(Page().List().Rows()[2].value, "0");
    EXPECT_TRUE(Page().ZonesEnabled());
}

TEST_F(RestrictionsExchangeTest, ResetLogsItsRequestOnlyAndDrainsTheReply) {
    Page().Link().SetTrafficLogging(true);
    Script([](const Bytes& r) { return Answer(r, 0xFF, {0x03, 0x00, 0x01, 0xFF}); });
    EXPECT_EQ(Run(&RestrictionsPage::Reset)->outcome, RestrictionsOutcome::Succeeded);
    EXPECT_THAT(StepLines(), ElementsAre("TX:>>>>>", "03 00 00 FF "));
    Script([](const Bytes&) { return std::nullopt; });
    ClearSent();
    Run(&RestrictionsPage::Reset);
    EXPECT_EQ(network->Local().ResetCount(), 1);
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x03, 0x00, 0x00, 0xFF}}));
}

TEST_F(RestrictionsExchangeTest, APortThatCannotBeOpenedEndsTheWorker) {
    const auto report = [&](const char* port) {
        page.reset();
        Page(port);
        return Run(&RestrictionsPage::Read);
    };
    EXPECT_EQ(report("SIM9")->outcome, RestrictionsOutcome::NotConnected);
    EXPECT_THAT(Page().Log().Lines(),
                ElementsAre(" ", "Opening serial port SIM9 ... failed.",
                            ::testing::StartsWith("Restrictions read from the unit on the cable "
                                                  "failed at 'Opening serial port SIM9'")));
    EXPECT_TRUE(Page().ActionsEnabled());
    EXPECT_EQ(report("")->outcome, RestrictionsOutcome::NotConnected);
    EXPECT_THAT(Page().Log().Lines(), ElementsAre(" "));
    EXPECT_TRUE(Sent().empty());
}

// The version gates go by what the unit just said, also for a block that keeps no version
// text, rather than by whatever unit was read last.
TEST_F(RestrictionsExchangeTest, TheVersionReplyCountsWithoutAVersionParameter) {
    auto& parameters = block->Parameters();
    parameters.erase(parameters.begin() + 1);
    ASSERT_EQ(block->FindParameter("VersionNo"), nullptr);
    facts.versionNumber = 44500;
    network->Local().SetVersion("V3.0");
    int updates = 0;
    Page().SetUpdateListener([&updates] { ++updates; });
    Run(&RestrictionsPage::Read);
    EXPECT_EQ(facts.versionNumber.load(), 30000u);
    EXPECT_EQ(SentCodes(), (Bytes{0x14, 0x28}));
    // Each parsed reply and the end of the worker tell the owner.
    EXPECT_GE(updates, 3);
}

}  // namespace
}  // namespace skelvane
