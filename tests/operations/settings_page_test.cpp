// The Settings page's operations end to end against the simulated network, and its reply
// parser on replies no unit of the simulator sends.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/format.h"

#include "link/default_sets.h"
#include "link_fixture.h"
#include "operations/settings_page_model.h"

namespace skelvane {
namespace {

using test::Bytes;
using ::testing::ElementsAre;

class SettingsTest : public ::testing::Test {
  protected:
    SettingsTest() : block(test::TemplateBlock(BlockKind::Master, 1)) {}

    SettingsPageModel& Page() {
        if (!page) {
            page = std::make_unique<SettingsPageModel>(*block, sim.ports, "SIM1", sim.facts,
                                                       sim.remoteUa, sim.prompter, sim.clock);
        }
        return *page;
    }
    Millis Run(bool (SettingsPageModel::*button)(), bool local = true) {
        Page().ChooseLocal(local);
        return sim.Run(Page(), button);
    }
    std::uint32_t Value(const char* name) const { return block->FindParameter(name)->value; }
    std::string RowValue(const char* name) {
        return Page().List().Rows()[*Page().List().FindRow(name)].value;
    }
    void UncheckAll() {
        for (std::size_t i = 0; i < Page().List().Rows().size(); ++i) {
            Page().List().SetChecked(i, false);
        }
    }

    test::LinkFixture sim;
    std::unique_ptr<Block> block;
    std::unique_ptr<SettingsPageModel> page;
};

TEST_F(SettingsTest, ReadAllFillsTheBlockFromTheLocalUnit) {
    sim.Local().SetRestriction(2, test::SimEntry(25, {{0, 600}, {12600, 13600}}));
    EXPECT_FALSE(Page().DefaultEnabled());

    // The check, then each of five groups, version, serial number, data mask and sixteen
    // entries read twice: 51 ms each.
    EXPECT_EQ(Run(&SettingsPageModel::ReadAll), Millis{49 * 51});
    EXPECT_EQ(Page().LastOutcome(), SettingsOutcome::Succeeded);
    Bytes codes = {0x29};
    for (const std::uint8_t code : {0x00, 0x02, 0x03, 0x04, 0x05, 0x28, 0x29, 0x2A}) {
        codes.insert(codes.end(), 2, code);
    }
    codes.insert(codes.end(), 32, 0x2C);
    EXPECT_EQ(sim.SentCodes(), codes);
    EXPECT_EQ(sim.Sent().back(), (Bytes{0x04, 0x00, 0x00, 0x2C, 0x0F}));

    for (const Parameter& parameter : block->Parameters()) {
        if (parameter.type != 4 && parameter.readwrite != 0) {
            EXPECT_EQ(parameter.value, sim.Local().Value(parameter.vectors)) << parameter.name;
        }
    }
    EXPECT_EQ(block->FindParameter("VersionNo")->textValue, "V4.45");
    EXPECT_EQ(block->FindParameter("SerialNo")->textValue, "100001");
    EXPECT_EQ(block->FindParameter("DataMask")->textValue, "FFFFFFFF");
    EXPECT_EQ(block->FindParameter("FrequencyRestriction3")->textValue,
              "25:902400,903000,915000,916000");
    EXPECT_EQ(sim.facts.linkRateIndex.load(), 2u);
    EXPECT_EQ(RowValue("LinkRate"), "76.8 kbps");
    EXPECT_TRUE(Page().DefaultEnabled());
    // Neither the entry requests nor their replies are logged.
    const auto lines = Page().Log().Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "TX:>>>>>"), 17);
    EXPECT_EQ(lines.end()[-2], "0B 00 01 8E 46 46 46 46 46 46 46 46 ");
}

TEST_F(SettingsTest, ReadAndWriteTakeTheCheckedRowsOnly) {
    UncheckAll();
    Run(&SettingsPageModel::Read);
    EXPECT_EQ(sim.SentCodes(), (Bytes{0x29, 0x14, 0x14, 0x2A, 0x2A}));
    EXPECT_EQ(sim.Sent()[1], (Bytes{0x03, 0x00, 0x00, 0x14}));  // the bare request
    sim.ClearSent();
    Run(&SettingsPageModel::Write);
    EXPECT_EQ(sim.SentCodes(), Bytes{0x29});  // nothing to write
    EXPECT_EQ(Page().LastOutcome(), SettingsOutcome::Succeeded);
    EXPECT_EQ(Page().Log().LastLine().find("Failed."), std::string::npos);

    Page().List().SetChecked(*Page().List().FindRow("NetworkId"), true);
    Page().List().SetChecked(*Page().List().FindRow("SessionTimeout"), true);
    Page().List().SetChecked(*Page().List().FindRow("DataMask"), true);  // a text: no ids
    sim.Local().SeedValue(std::vector<std::uint8_t>{0x66, 0x67, 0x68, 0x69}, 0xCAFE0102);
    sim.ClearSent();
    Run(&SettingsPageModel::Read);
    EXPECT_EQ(sim.Sent()[1], (Bytes{0x09, 0x00, 0x00, 0x14, 0x10, 0x11, 0x66, 0x67, 0x68, 0x69}));
    EXPECT_EQ(sim.Sent()[3], (Bytes{0x03, 0x00, 0x00, 0x2A}));
    EXPECT_EQ(Value("SessionTimeout"), 0xCAFE0102u);
    EXPECT_EQ(Value("TxPower"), 21u);  // not asked for
}

TEST_F(SettingsTest, WriteSendsTheCheckedValuesMostSignificantByteFirst) {
    Run(&SettingsPageModel::Write);
    const auto sent = sim.Sent();
    ASSERT_EQ(sent.size(), 5u);
    EXPECT_EQ(sent[1][3], 0x46);
    EXPECT_EQ(sent[2], (Bytes{0x0B, 0x00, 0x00, 0x51, '0', '0', '0', '0', 'F', 'F', 'F', 'F'}));
    for (const Parameter& parameter : block->Parameters()) {
        if (parameter.type != 4 && parameter.readwrite >= 2) {
            EXPECT_EQ(sim.Local().Value(parameter.vectors), parameter.value) << parameter.name;
        }
    }
    EXPECT_EQ(sim.Local().DataMask(), "0000FFFF");
    // NetworkId 0x0101 then SessionTimeout 5 among the pairs, in list order.
    const Bytes pairs(sent[1].begin() + 4, sent[1].end());
    const Bytes network = {0x10, 0x01, 0x11, 0x01, 0x59, 0x02, 0x66,
                           0x00, 0x67, 0x00, 0x68, 0x00, 0x69, 0x05};
    EXPECT_NE(std::search(pairs.begin(), pairs.end(), network.begin(), network.end()), pairs.end());
}

TEST_F(SettingsTest, AReadStepWithoutReplyEndsTheOperationAndKeepsWhatCame) {
    sim.Local().SetSilentAfter(5);  // the check and both readings of groups 0 and 2
    Run(&SettingsPageModel::ReadAll);
    EXPECT_EQ(Page().LastOutcome(), SettingsOutcome::Failed);
    const auto lines = Page().Log().Lines();
    EXPECT_EQ(lines[lines.size() - 2], "Step failed: ReadGroup 3.");
    EXPECT_EQ(lines.back(),
              "Read All from the unit on the cable failed at 'ReadGroup 3': no valid answer. "
              "Check the lines above and try again; a remote unit also needs a working radio "
              "path to the unit on the cable.");
    EXPECT_EQ(sim.SentCodes(), (Bytes{0x29, 0x00, 0x00, 0x02, 0x02, 0x03, 0x03, 0x03}));
    EXPECT_EQ(Value("LinkRate"), 2u);               // group 0 came
    EXPECT_EQ(RowValue("LinkRate"), "115.2 kbps");  // but the list is not refreshed
    EXPECT_FALSE(Page().DefaultEnabled());
}

TEST_F(SettingsTest, AnEditMadeWhileAWriteRunsStaysPendingAfterIt) {
    PropertyListModel& list = Page().List();
    const std::size_t networkId = *list.FindRow("NetworkId");
    const std::size_t unitAddress = *list.FindRow("UnitAddress");
    ASSERT_TRUE(list.AcceptNumber(networkId, 100u));
    ASSERT_TRUE(list.AcceptNumber(unitAddress, 1u));
    Page().ChooseLocal(true);
    ASSERT_TRUE(Page().Write());
    // The owner takes the worker's results only after this edit.
    ASSERT_TRUE(list.AcceptNumber(networkId, 200u));
    Page().Link().Wait();
    Page().ApplyWorkerResults();
    ASSERT_EQ(Page().LastOutcome(), SettingsOutcome::Succeeded);
    EXPECT_EQ(sim.Local().Value(block->FindParameter("NetworkId")->vectors), 100u);
    EXPECT_EQ(Value("NetworkId"), 200u);
    EXPECT_TRUE(list.Rows()[networkId].pending);
    EXPECT_FALSE(list.Rows()[unitAddress].pending);
    EXPECT_EQ(list.PendingCount(), 1u);
}

TEST_F(SettingsTest, AReplyFromAnotherUnitIsNotTakenForTheOneAsked) {
    block = test::TemplateBlock(BlockKind::Remote, 300);
    sim.Remote(300).SetAnswerUa(301);
    Run(&SettingsPageModel::Version, false);
    EXPECT_EQ(Page().LastOutcome(), SettingsOutcome::NotConnected);
    EXPECT_EQ(Page().UnitAddress(), 300);
    EXPECT_EQ(block->FindParameter("VersionNo")->textValue, "");
}

// Replies that do not answer the request fail their try; the request is asked again, and
// the value of a bad reply is never stored.
TEST_F(SettingsTest, ABadAnswerIsAskedAgainAndNeverStored) {
    UncheckAll();
    Page().List().SetChecked(*Page().List().FindRow("HopPattern"), true);  // register 0x0B
    sim.Local().SetRegister(0x0B, 24);
    // How many replies are bad before good ones come, and what they hold.
    const std::tuple<int, Bytes, SettingsOutcome> answers[] = {
        {2, {0x0B, 20, 0x0B, 20}, SettingsOutcome::Succeeded},  // a register twice
        {1, {0x0B, 20, 0x0C}, SettingsOutcome::Succeeded},      // a lone byte
        {3, {0x0B, 20, 0x0C, 1}, SettingsOutcome::Failed}};
    for (const auto& [badTries, payload, outcome] : answers) {
        block->FindParameter("HopPattern")->value = 9;
        auto bad = std::make_shared<int>(badTries);
        sim.Local().SetFrameHandler(
            0x14, [bad, reply = payload](sim::Unit& unit, const sim::Frame& frame) {
                if ((*bad)-- > 0) {
                    return std::optional<sim::Reply>(sim::Reply{0x64, reply});
                }
                std::vector<std::uint8_t> pairs;
                for (const std::uint8_t id : frame.payload) {
                    pairs.insert(pairs.end(), {id, unit.Register(id)});
                }
                return std::optional<sim::Reply>(sim::Reply{0x64, pairs});
            });
        Run(&SettingsPageModel::Read);
        EXPECT_EQ(Page().LastOutcome(), outcome) << badTries;
        EXPECT_EQ(Value("HopPattern"), outcome == SettingsOutcome::Succeeded ? 24u : 9u);
    }
}

TEST_F(SettingsTest, WriteRefusesAValueItsParameterDoesNotAllowBeforeSendingAnything) {
    Page().ChooseLocal(true);
    block->FindParameter("LinkRate")->value = 7;  // choices 0, 1, 2
    EXPECT_FALSE(Page().Write());
    EXPECT_EQ(sim.prompter.LastText(),
              "LinkRate: Value '7' is not one of <0, 1, 2>\r\nNothing was written.");
    EXPECT_TRUE(sim.Sent().empty());
}

TEST_F(SettingsTest, AWriteTheUnitDoesNotTakeIsSentTwiceThenFailsNamingTheParameter) {
    // The unit acknowledges every write but keeps register 0x0B as it was.
    sim.Local().SetFrameHandler(0x46, [](sim::Unit& unit, const sim::Frame& frame) {
        for (std::size_t at = 0; at + 1 < frame.payload.size(); at += 2) {
            if (frame.payload[at] != 0x0B) {  // HopPattern
                unit.SetRegister(frame.payload[at], frame.payload[at + 1]);
            }
        }
        return std::optional<sim::Reply>(sim::Reply{0x46 + 0x64, {}});
    });
    block->FindParameter("HopPattern")->value = 20;
    Run(&SettingsPageModel::Write);
    EXPECT_EQ(Page().LastOutcome(), SettingsOutcome::Failed);
    const Bytes codes = sim.SentCodes();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 0x46), 2);
    EXPECT_THAT(Page().Log().Lines(),
                ::testing::Contains("The unit holds other values for HopPattern."));

    // Without the read-back the same write passes.
    Page().SetVerify(false);
    Run(&SettingsPageModel::Write);
    EXPECT_EQ(Page().LastOutcome(), SettingsOutcome::Succeeded);
}

TEST_F(SettingsTest, LeavingAfterALocalReadHandsTheLocalUnitsAddressToDiagnostics) {
    block->FindParameter("UnitAddress")->value = 77;
    Run(&SettingsPageModel::SerialNumber);
    Page().Leave();
    // The address Diagnostics takes when it is activated.
    EXPECT_EQ(sim.remoteUa.Get(), 1);
}

TEST_F(SettingsTest, VersionEnablesDefaultFrom445) {
    const std::tuple<const char*, std::uint32_t, bool> versions[] = {
        {"V4.45", 44500, true},
        {"V4.44", 44400, false},
        {"V-4.45", 0, false},
        {"V99999999", 0xFFFFFFFFu, true},
        {"4", 0, false}};
    for (const auto& [text, number, defaultEnabled] : versions) {
        sim.Local().SetVersion(text);
        Run(&SettingsPageModel::Version);
        EXPECT_EQ(sim.facts.versionNumber.load(), number) << text;
        EXPECT_EQ(Page().DefaultEnabled(), defaultEnabled) << text;
    }
}

TEST_F(SettingsTest, DefaultSendsTheChosenSetCancelNothingAndResetTheBareRequest) {
    EXPECT_FALSE(Page().Default(std::nullopt));
    EXPECT_TRUE(sim.Sent().empty());
    Page().ChooseLocal(true);
    ASSERT_TRUE(Page().Default(DefaultSetIndex("F4")));
    Page().Link().Wait();
    EXPECT_EQ(sim.Sent().back(), (Bytes{0x04, 0x00, 0x00, 0x2F, 0x04}));
    EXPECT_EQ(sim.Local().LastDefaultSet(), 4);
    EXPECT_EQ(Page().LastOutcome(), SettingsOutcome::Succeeded);
    EXPECT_EQ(Page().Log().LastLine(), "Factory defaults on the unit on the cable done in 0.1 s.");

    Run(&SettingsPageModel::Reset);
    EXPECT_EQ(sim.Sent().back(), (Bytes{0x03, 0x00, 0x00, 0xFF}));
    EXPECT_EQ(sim.Local().ResetCount(), 1);
    EXPECT_EQ(Page().LastOutcome(), SettingsOutcome::Succeeded);
}

TEST_F(SettingsTest, AWriteThatCannotGoOutFails) {
    sim.network->SetVanishAfter(1);  // the port goes after the connection check
    Run(&SettingsPageModel::Write);
    EXPECT_EQ(Page().LastOutcome(), SettingsOutcome::Failed);
    EXPECT_EQ(Page().Log().Lines().end()[-2], "Step failed: WriteRegisters.");
    EXPECT_EQ(Page().Log().LastLine(),
              "Write to the unit on the cable failed at 'WriteRegisters': the port went away. "
              "Check that the cable or USB adapter is still plugged in.");
    // The port is back: the next run opens it again and works.
    sim.network->SetVanishAfter(-1);
    sim.network->SetVanished(false);
    Run(&SettingsPageModel::Write);
    EXPECT_EQ(Page().LastOutcome(), SettingsOutcome::Succeeded);
}

TEST_F(SettingsTest, ManyRegistersAreSplitOverFramesThatFit) {
    sim.Local().SetLiveValues({});
    block = CreateBlock(static_cast<int>(BlockKind::Master));
    for (int i = 0; i < 200; ++i) {
        block->AddParameter(test::RangeParameter(Format("R%d", i), 1,
                                                 {static_cast<std::uint8_t>(i)}, 0xA5, 0, 255));
    }
    Run(&SettingsPageModel::Write);
    auto sent = sim.Sent();
    ASSERT_EQ(sent.size(), 5u);       // with the two read-back requests
    EXPECT_EQ(sent[1].size(), 256u);  // 126 pairs
    EXPECT_EQ(sent[2].size(), 4u + 2 * 74);
    EXPECT_EQ(sent[3].size(), 4u + 126);  // the read-back asks for the ids in pieces too
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(sim.Local().Register(static_cast<std::uint8_t>(i)), 0xA5) << i;
    }
}

}  // namespace
}  // namespace skelvane
