// The Diagnostics page end to end against the simulated network, its value formats, the
// custom parameter and the factory default sets table.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "link_fixture.h"
#include "operations/diagnostics_page_model.h"
#include "support/wait_until.h"

namespace skelvane {
namespace {

using test::Bytes;
using ::testing::ElementsAre;
using Field = DiagnosticsPageModel::Field;

// The Read test shows the usual values; here the edges of the conversions.
TEST(FormatDiagValueTest, ShowsTheValueAsThePageDoes) {
    EXPECT_EQ(FormatDiagValue("DiagTemperature", 0), "-55");
    EXPECT_EQ(FormatDiagValue("diagtxpackets", 4000000000u), "4000000000");
    EXPECT_EQ(FormatDiagValue("DiagSomethingElse", 1), std::nullopt);
}

class DiagnosticsTest : public ::testing::Test {
  protected:
    DiagnosticsTest() : block(test::TemplateBlock(BlockKind::Master, 1)) {
        // Fixed values instead of the unit's live ones, so what is shown can be checked.
        sim.Local().SetLiveValues({});
        std::uint32_t value = 3;
        for (const sim::LiveValue& live : sim::DefaultLiveValues()) {
            sim.Local().SeedValue(live.ids, value++);
        }
        sim.Local().SeedValue(std::vector<std::uint8_t>{0xC0, 0xC1}, 1500);  // VSWR
        sim.Local().SeedValue(std::vector<std::uint8_t>{0xC4}, 95);          // RSSI
        sim.Local().SeedValue(std::vector<std::uint8_t>{0xC5, 0xC6}, 850);   // voltage
        sim.Local().SeedValue(std::vector<std::uint8_t>{0xC7}, 30);          // temperature
        block->AddParameter(test::TextParameter("Comment", "", 0));
        page = std::make_unique<DiagnosticsPageModel>(*block, sim.ports, "SIM1", sim.remoteUa,
                                                      sim.prompter, sim.clock);
        page->SetPassListener([this](std::uint64_t pass, bool) {
            if (pass >= stopAfter) {
                page->Stop();
            }
        });
    }

    Millis Run(bool (DiagnosticsPageModel::*button)()) { return sim.Run(*page, button); }
    std::vector<std::string> Shown() const {
        std::vector<std::string> values;
        for (const auto& row : page->Rows()) {
            values.push_back(row.value);
        }
        return values;
    }
    // The custom parameter's size, id1 to id4 and value.
    void Custom(const std::array<const char*, 6>& fields) {
        for (std::size_t k = 0; k < fields.size(); ++k) {
            page->SetFieldText(static_cast<Field>(k), fields[k]);
        }
    }

    test::LinkFixture sim;
    std::unique_ptr<Block> block;
    std::unique_ptr<DiagnosticsPageModel> page;
    std::uint64_t stopAfter = 1;
};

TEST_F(DiagnosticsTest, ReadShowsTheThirteenValuesAndPollsAboutOnceASecond) {
    page->SetPollChecked(true);
    stopAfter = 3;
    // Each group is read twice, 51 ms a reading; values that agree stand.
    EXPECT_EQ(Run(&DiagnosticsPageModel::Read), Millis{3 * 4 * 51 + 2 * 1000});
    EXPECT_EQ(sim.SentCodes(), (Bytes{1, 1, 6, 6, 1, 1, 6, 6, 1, 1, 6, 6}));
    EXPECT_EQ(sim.Sent()[0], (Bytes{0x03, 0x00, 0x00, 0x01}));
    EXPECT_THAT(Shown(), ElementsAre("3", "4", "5", "6", "7", "8", "9", "1.50", "11", "12", "-95",
                                     "120.18", "-25", ""));
    EXPECT_EQ(page->Rows().back().name, "Comment");
    EXPECT_EQ(block->FindParameter("DiagRSSI")->value, 95u);
    EXPECT_TRUE(page->Log().Lines()[3].starts_with("TX:>>>>>"));
}

// A group without reply fails the pass; polling goes on after group 1, not after group 6.
// The parameter: the group, and the requests sent (each is asked three times).
class NoReplyTest : public DiagnosticsTest,
                    public ::testing::WithParamInterface<std::pair<std::uint8_t, Bytes>> {};

TEST_P(NoReplyTest, FailsThePass) {
    sim.Local().SetFrameHandler(GetParam().first, [](sim::Unit&, const sim::Frame&) {
        return std::optional<sim::Reply>();
    });
    page->SetPollChecked(true);
    stopAfter = 2;
    Run(&DiagnosticsPageModel::Read);
    EXPECT_EQ(sim.SentCodes(), GetParam().second);
    EXPECT_EQ(page->Log().Lines().end()[-2], "Values missing in this pass.");
    EXPECT_EQ(Shown()[12], "");  // a value of group 6: none shown
}

INSTANTIATE_TEST_SUITE_P(Groups, NoReplyTest,
                         ::testing::Values(std::pair<std::uint8_t, Bytes>{1, {1, 1, 1, 1, 1, 1}},
                                           std::pair<std::uint8_t, Bytes>{6, {1, 1, 6, 6, 6}}));

TEST_F(DiagnosticsTest, AValueLeftOutOfAReplyShowsNoNumberAndFailsThePass) {
    // Group 6 answers without the temperature (0xC7).
    sim.Local().SetFrameHandler(0x06, [](sim::Unit& unit, const sim::Frame&) {
        sim::Reply reply{0x64, {}};
        for (std::uint8_t id = 0xC0; id < 0xC7; ++id) {
            reply.payload.insert(reply.payload.end(), {id, unit.Register(id)});
        }
        return std::optional<sim::Reply>(reply);
    });
    bool passOk = true;
    page->SetPassListener([&](std::uint64_t, bool ok) { passOk = ok; });
    Run(&DiagnosticsPageModel::Read);
    EXPECT_FALSE(passOk);
    EXPECT_EQ(page->Log().Lines().end()[-2], "Values missing in this pass.");
    for (const DiagnosticsPageModel::Row& row : page->Rows()) {
        if (row.hasValue) {
            EXPECT_EQ(row.missing, row.name == "DiagTemperature") << row.name;
            EXPECT_EQ(row.value.empty(), row.missing) << row.name;
        }
    }
}

TEST_F(DiagnosticsTest, SetAndGetATwoByteCustomValue) {
    Custom({"2", "33", "32", "0", "0", "4660"});  // id1 0x21, id2 0x20
    Run(&DiagnosticsPageModel::Set);
    EXPECT_EQ(sim.Sent().back(), (Bytes{0x07, 0x00, 0x00, 0x46, 0x21, 0x34, 0x20, 0x12}));
    EXPECT_EQ(sim.Local().Register(0x21), 0x34);
    EXPECT_EQ(sim.Local().Register(0x20), 0x12);
    EXPECT_EQ(page->Log().Lines().end()[-2], "03 00 01 AA ");  // the reply is logged
    EXPECT_EQ(page->Log().LastLine(), "Set on the unit on the cable done in 0.0 s.");

    page->SetFieldText(Field::Value, "0");
    Run(&DiagnosticsPageModel::Get);
    EXPECT_EQ(sim.Sent().back(), (Bytes{0x05, 0x00, 0x00, 0x14, 0x21, 0x20}));
    EXPECT_EQ(page->FieldText(Field::Value), "4660");
    // The registers also reach the parameter that holds them ([0x20, 0x21]); its first id
    // came last and cleared the low byte that came before it.
    EXPECT_EQ(block->FindParameter("DiagSyncLost")->value, 0x1200u);
}

TEST_F(DiagnosticsTest, SetTakesTheLeadingDigitsOfTheValueField) {
    Custom({"1", "16", "0", "0", "0", "42"});
    page->SetPollChecked(true);
    stopAfter = 2;
    page->SetPassListener([this](std::uint64_t pass, bool) {
        page->SetFieldText(Field::Value, "77xyz");  // typed while the worker runs
        if (pass >= stopAfter) {
            page->Stop();
        }
    });
    Run(&DiagnosticsPageModel::Set);
    EXPECT_THAT(sim.Sent(), ElementsAre(Bytes{0x05, 0x00, 0x00, 0x46, 0x10, 42},
                                        Bytes{0x05, 0x00, 0x00, 0x46, 0x10, 77}));
}

struct FieldCase {
    const char* name;
    std::array<const char*, 6> fields;  // size, id1..id4, value
    std::optional<Field> focused;
    Bytes getFrame;  // what Get then sends
};

class FieldTest : public DiagnosticsTest, public ::testing::WithParamInterface<FieldCase> {};

TEST_P(FieldTest, AWrongFieldBeepsAndTheFieldsAfterItAreNotRead) {
    page->SetPollChecked(true);  // read last, so a wrong field leaves polling off
    stopAfter = 5;
    Custom(GetParam().fields);
    Run(&DiagnosticsPageModel::Get);
    EXPECT_EQ(page->FocusedField(), GetParam().focused);
    EXPECT_EQ(sim.prompter.Beeps(), GetParam().focused ? 1 : 0);
    EXPECT_EQ(sim.Sent().front(), GetParam().getFrame);
    EXPECT_EQ(sim.Sent().size(), GetParam().focused ? 1u : 5u);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, FieldTest,
    ::testing::Values(
        FieldCase{
            "AllFine", {" 2 ", "7", "8", "0", "0", "1"}, std::nullopt, {0x05, 0, 0, 0x14, 7, 8}},
        FieldCase{"SizeFive", {"5", "7", "8", "0", "0", "1"}, Field::Size, {0x04, 0, 0, 0x14, 0}},
        // A size other than 1, 2 or 4 is taken but asks for no ids.
        FieldCase{"SizeThree", {"3", "1", "2", "3", "0", "1"}, std::nullopt, {0x03, 0, 0, 0x14}},
        FieldCase{
            "IdTooLarge", {"2", "7", "256", "0", "0", "1"}, Field::Id2, {0x05, 0, 0, 0x14, 7, 0}},
        FieldCase{"ValueNotANumber",
                  {"4", "1", "2", "3", "4", "x"},
                  Field::Value,
                  {0x07, 0, 0, 0x14, 1, 2, 3, 4}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DiagnosticsTest, LeavingThePageStopsPollingAfterThePass) {
    page->SetPollChecked(true);
    stopAfter = 1000;
    page->SetPassListener([this](std::uint64_t pass, bool) {
        if (pass == 2) {
            page->Leave();
        }
    });
    Run(&DiagnosticsPageModel::Read);
    EXPECT_EQ(page->Passes(), 2u);
    EXPECT_FALSE(page->PollChecked());
}

TEST_F(DiagnosticsTest, ClosingEndsAWorkerThatPollsForever) {
    page->SetPollChecked(true);
    page->SetPassListener({});
    ASSERT_TRUE(page->Read());
    ASSERT_TRUE(test::WaitUntil([this] { return page->Passes() >= 3; }));
    EXPECT_FALSE(page->ReadEnabled());
    page->Close();
    EXPECT_TRUE(page->ReadEnabled());
    EXPECT_FALSE(sim.hub.IsInUse("SIM1"));
}

}  // namespace
}  // namespace skelvane
