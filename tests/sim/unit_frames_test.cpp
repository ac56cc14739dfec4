#include <gtest/gtest.h>

#include "sim_fixture.h"

namespace skelvane {
namespace {

using test::Bytes;
using test::TextBytes;

Bytes Concat(Bytes head, const Bytes& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

// The built-in network, connected at the diagnostic speed.
class UnitFramesTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(sim.Connect()); }
    test::SimFixture sim;
};

// Hand-written requests of the diagnostic protocol and what the built-in network answers:
// a Master of UA 1 on the cable, a Repeater of UA 2, Remotes 300 (01 2C) and 301 (01 2D).
struct FrameCase {
    const char* name;
    Bytes request;
    Bytes reply;  // empty: no answer
};

class FrameTableTest : public UnitFramesTest, public ::testing::WithParamInterface<FrameCase> {};

TEST_P(FrameTableTest, AnswersAsTheProtocolTablesSay) {
    EXPECT_EQ(sim.Exchange(GetParam().request), GetParam().reply);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, FrameTableTest,
    ::testing::Values(
        FrameCase{"SerialNumberOfTheUnitOnTheCable",
                  {0x03, 0x00, 0x00, 0x29},
                  Concat({0x09, 0x00, 0x01, 0x8D}, TextBytes("100001"))},
        FrameCase{"VersionOfRemote300",
                  {0x03, 0x01, 0x2C, 0x28},
                  Concat({0x08, 0x01, 0x2C, 0x8C}, TextBytes("V4.45"))},
        FrameCase{"OwnUaIsTheUnitOnTheCable",
                  {0x03, 0x00, 0x01, 0x28},
                  Concat({0x08, 0x00, 0x01, 0x8C}, TextBytes("V4.45"))},
        FrameCase{"ReadRegistersLinkRateAndCountry",
                  {0x05, 0x00, 0x00, 0x14, 0x0E, 0x59},
                  {0x07, 0x00, 0x01, 0x64, 0x0E, 0x02, 0x59, 0x00}},
        FrameCase{"BareReadRegisters", {0x03, 0x00, 0x00, 0x14}, {0x03, 0x00, 0x01, 0x64}},
        FrameCase{"WakeUp", {0x03, 0x00, 0x00, 0x4A}, {0x03, 0x00, 0x01, 0xAE}},
        FrameCase{"NoDefaultSet3", {0x04, 0x00, 0x00, 0x2F, 0x03}, {}},
        FrameCase{"EmptyRestrictionEntry",
                  {0x04, 0x00, 0x00, 0x2C, 0x00},
                  {0x0A, 0x00, 0x01, 0x90, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}},
        FrameCase{"RestrictionIndexOutOfRange", {0x04, 0x00, 0x00, 0x2C, 0x10}, {}},
        FrameCase{
            "EmptyRepeaterList", {0x03, 0x00, 0x00, 0x54}, {0x05, 0x00, 0x01, 0xB8, 0xFF, 0xFF}},
        FrameCase{"UnknownUa", {0x03, 0x30, 0x39, 0x29}, {}},
        FrameCase{"UnknownCode", {0x03, 0x00, 0x00, 0x77}, {}},
        FrameCase{"ResetIsNotAnswered", {0x03, 0x00, 0x00, 0xFF}, {}},
        FrameCase{"LengthBelowThree", {0x02, 0x00, 0x00}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UnitFramesTest, ReadGroupAnswersItsThirtyTwoRegisters) {
    for (std::uint8_t group = 0; group <= 6; ++group) {
        const Bytes reply = sim.Exchange({0x03, 0x00, 0x00, group});
        ASSERT_EQ(reply.size(), 68u) << "group " << int(group);
        EXPECT_EQ(reply[0], 0x43);
        EXPECT_EQ(reply[3], 0x64);
        for (std::size_t i = 0; i < 32; ++i) {
            EXPECT_EQ(reply[4 + 2 * i], group * 0x20 + i);
        }
    }
}

TEST_F(UnitFramesTest, WrittenRegistersReadBack) {
    EXPECT_EQ(sim.Exchange({0x07, 0x01, 0x2C, 0x46, 0x10, 0xBE, 0x11, 0xEF}),
              (Bytes{0x03, 0x01, 0x2C, 0xAA}));
    EXPECT_EQ(sim.Exchange({0x05, 0x01, 0x2C, 0x14, 0x10, 0x11}),
              (Bytes{0x07, 0x01, 0x2C, 0x64, 0x10, 0xBE, 0x11, 0xEF}));
    const std::uint8_t ids[] = {0x10, 0x11};
    EXPECT_EQ(sim.network->FindRemote(300)->Value(ids), 0xBEEFu);
    // The unit on the cable keeps its own value.
    EXPECT_EQ(sim.network->Local().Value(ids), 0x1234u);
}

TEST_F(UnitFramesTest, DefaultsRestoreTheSeededRegisters) {
    sim.Exchange({0x05, 0x00, 0x00, 0x46, 0x0E, 0x07});
    EXPECT_EQ(sim.network->Local().Register(0x0E), 7);
    EXPECT_EQ(sim.Exchange({0x04, 0x00, 0x00, 0x2F, 0x09}), (Bytes{0x03, 0x00, 0x01, 0x93}));
    EXPECT_EQ(sim.network->Local().Register(0x0E), 2);
    EXPECT_EQ(sim.network->Local().LastDefaultSet(), 9);
}

TEST_F(UnitFramesTest, DataMaskIsWrittenAndCutTo32Characters) {
    EXPECT_EQ(sim.Exchange(Concat({0x06, 0x00, 0x00, 0x51}, TextBytes("ABC"))),
              (Bytes{0x03, 0x00, 0x01, 0xB5}));
    EXPECT_EQ(sim.Exchange({0x03, 0x00, 0x00, 0x2A}),
              Concat({0x06, 0x00, 0x01, 0x8E}, TextBytes("ABC")));
    const std::string longMask(40, 'M');
    sim.Exchange(Concat({static_cast<std::uint8_t>(3 + longMask.size()), 0x00, 0x00, 0x51},
                        TextBytes(longMask)));
    EXPECT_EQ(sim.network->Local().DataMask(), std::string(32, 'M'));
}

TEST_F(UnitFramesTest, RestrictionsAreKeptOnlyWhenSavedToMemory) {
    sim.network->Local().SetResetTime(Millis{300});
    // Entry 3: UA 25, 902400..903000 and 915000..916000, the other six ranges vacant.
    Bytes send = {0x26, 0x00, 0x00, 0x52, 0x03, 0x00, 0x19, 0x00,
                  0x00, 0x02, 0x58, 0x31, 0x38, 0x35, 0x20};
    for (int k = 2; k < 8; ++k) {
        send.insert(send.end(), {0xFF, 0xFF, 0xFF, 0xFF});
    }
    ASSERT_EQ(send.size(), 39u);
    const Bytes entry = {0x12, 0x00, 0x01, 0x90, 0x03, 0x00, 0x19, 0x00, 0x00, 0x02,
                         0x58, 0x31, 0x38, 0x35, 0x20, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(sim.Exchange(send), (Bytes{0x03, 0x00, 0x01, 0xB6}));
    EXPECT_EQ(sim.Exchange({0x04, 0x00, 0x00, 0x2C, 0x03}), entry);

    // A reset forgets what was not saved, and the unit is deaf while it restarts.
    EXPECT_EQ(sim.Exchange({0x03, 0x00, 0x00, 0xFF}, Millis{100}), Bytes{});
    EXPECT_EQ(sim.Exchange({0x03, 0x00, 0x00, 0x29}, Millis{100}), Bytes{});
    sim.Collect(Millis{200});
    EXPECT_EQ(sim.Exchange({0x04, 0x00, 0x00, 0x2C, 0x03})[6], 0x00);
    EXPECT_EQ(sim.network->Local().ResetCount(), 1);

    sim.Exchange(send);
    EXPECT_EQ(sim.Exchange({0x03, 0x00, 0x00, 0x53}), (Bytes{0x03, 0x00, 0x01, 0xB7}));
    sim.Exchange({0x03, 0x00, 0x00, 0xFF});
    EXPECT_EQ(sim.Exchange({0x04, 0x00, 0x00, 0x2C, 0x03}), entry);
}

TEST_F(UnitFramesTest, RepeaterListIsSentAndReadBack) {
    Bytes send = {0x23, 0x01, 0x2C, 0x54, 0x00, 0x02, 0x00, 0x05, 0x00, 0x07, 0x00, 0x09};
    for (int i = 4; i < 16; ++i) {
        send.insert(send.end(), {0xFF, 0xFF});
    }
    const Bytes list = {0x0D, 0x01, 0x2C, 0xB8, 0x00, 0x02, 0x00,
                        0x05, 0x00, 0x07, 0x00, 0x09, 0xFF, 0xFF};
    EXPECT_EQ(sim.Exchange(send), list);
    EXPECT_EQ(sim.Exchange({0x03, 0x01, 0x2C, 0x54}), list);
    // A list of the wrong size is not a list.
    EXPECT_EQ(sim.Exchange({0x05, 0x01, 0x2C, 0x54, 0x00, 0x03}), Bytes{});
}

// Firmware older than 3.108 knows no restriction codes, older than 3.232 no repeater code;
// the version is compared in decimal, so 3.1079 is older than 3.108.
struct FirmwareCase {
    const char* version;
    bool restrictions;
    bool repeaters;
};

class FirmwareTest : public UnitFramesTest, public ::testing::WithParamInterface<FirmwareCase> {};

TEST_P(FirmwareTest, OlderFirmwareLacksCodes) {
    sim.network->FindRemote(301)->SetVersion(GetParam().version);
    EXPECT_EQ(!sim.Exchange({0x04, 0x01, 0x2D, 0x2C, 0x00}).empty(), GetParam().restrictions);
    EXPECT_EQ(!sim.Exchange({0x03, 0x01, 0x2D, 0x53}).empty(), GetParam().restrictions);
    EXPECT_EQ(!sim.Exchange({0x03, 0x01, 0x2D, 0x54}).empty(), GetParam().repeaters);
    EXPECT_FALSE(sim.Exchange({0x03, 0x01, 0x2D, 0x29}).empty());
}

INSTANTIATE_TEST_SUITE_P(Versions, FirmwareTest,
                         ::testing::Values(FirmwareCase{"V3.1079", false, false},
                                           FirmwareCase{"V3.108", true, false},
                                           FirmwareCase{"V3.2319", true, false},
                                           FirmwareCase{"V3.232", true, true}),
                         [](const auto& info) { return "Version" + std::to_string(info.index); });

TEST_F(UnitFramesTest, FramesAreFoundAgainAfterGarbage) {
    // Half a frame, then silence: the unit drops it and reads the next frame whole.
    sim.Exchange({0x05, 0x00}, Millis{300});
    EXPECT_EQ(sim.Exchange({0x03, 0x00, 0x00, 0x4A}), (Bytes{0x03, 0x00, 0x01, 0xAE}));
    // Two frames in one write are both answered.
    EXPECT_EQ(sim.Exchange({0x03, 0x00, 0x00, 0x4A, 0x04, 0x00, 0x00, 0x2F, 0x01}),
              (Bytes{0x03, 0x00, 0x01, 0xAE, 0x03, 0x00, 0x01, 0x93}));
}

TEST(UnitSpeedTest, NothingIsUnderstoodAtTheWrongSpeed) {
    test::SimFixture sim;
    ASSERT_TRUE(sim.port.Open("SIM1"));  // still at 9600
    EXPECT_EQ(sim.Exchange({0x03, 0x00, 0x00, 0x29}), Bytes{});
    ASSERT_TRUE(sim.port.SetBaudRate(115200));
    EXPECT_FALSE(sim.Exchange({0x03, 0x00, 0x00, 0x29}).empty());
}

}  // namespace
}  // namespace skelvane
