#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/format.h"
#include "base/prompter.h"
#include "document/unit_facts.h"
#include "restrictions/country_band_table.h"
#include "restrictions/restriction_text.h"

namespace skelvane {
namespace {

constexpr std::uint32_t kNorthAmerica = 0;
constexpr std::uint32_t kAustralia = 1;
constexpr std::uint32_t kNewZealand = 2;
constexpr std::uint32_t kNorthAmerica2 = 3;
constexpr std::uint32_t kNewZealand2 = 4;

// A unit in this country at this link rate, an empty table, and the messages shown.
class RestrictionTest : public testing::Test {
  protected:
    void SetBand(std::uint32_t country, std::uint32_t linkRate) {
        facts.countryIndex = country;
        facts.linkRateIndex = linkRate;
    }
    bool Validate(const char* text, int index) {
        return ValidateRestrictionEntry(text, index, table, facts, prompter);
    }

    UnitFacts facts;
    RestrictionTable table;
    RecordingPrompter prompter;
};

template <typename Case>
class RestrictionTableTest : public RestrictionTest, public testing::WithParamInterface<Case> {};

// Offsets of the ranges stored in an entry, up to the first vacant one.
std::vector<std::pair<int, int>> StoredRanges(const RestrictionEntry& entry) {
    std::vector<std::pair<int, int>> ranges;
    for (std::size_t k = 0; k < entry.start.size() && entry.start[k] != kVacant; ++k) {
        ranges.emplace_back(entry.start[k], entry.end[k]);
    }
    return ranges;
}

// The one message a refused text shows.
void ExpectOneMessage(const RecordingPrompter& prompter, const std::string& text,
                      const char* caption = "Error") {
    const auto records = prompter.Records();
    ASSERT_EQ(records.size(), 1u) << text;
    EXPECT_EQ(records[0].text, text);
    EXPECT_EQ(records[0].caption, caption);
    EXPECT_EQ(records[0].icon, MessageIcon::Information);
    EXPECT_EQ(records[0].buttons, MessageButtons::Ok);
}

struct ValidEntryCase {
    const char* text;
    std::uint32_t country;
    std::uint32_t linkRate;
    std::uint16_t ua;
    std::vector<std::pair<int, int>> ranges;
};

using ValidEntryTest = RestrictionTableTest<ValidEntryCase>;

TEST_P(ValidEntryTest, IsAcceptedAndEncoded) {
    const ValidEntryCase& c = GetParam();
    SetBand(c.country, c.linkRate);
    // Leftovers of an earlier validation must not survive.
    table.entries[4].ua = 99;
    table.entries[4].start.fill(1);
    table.entries[4].end.fill(2);

    EXPECT_TRUE(Validate(c.text, 4)) << c.text;
    EXPECT_EQ(prompter.Count(), 0u) << prompter.LastText();
    const RestrictionEntry& entry = table.entries[4];
    EXPECT_EQ(entry.ua, c.ua);
    EXPECT_EQ(StoredRanges(entry), c.ranges);
    for (std::size_t k = c.ranges.size(); k < entry.start.size(); ++k) {
        EXPECT_EQ(entry.start[k], kVacant);
        EXPECT_EQ(entry.end[k], kVacant);
    }
    // No other entry is touched.
    EXPECT_EQ(table.entries[3], RestrictionEntry{});
    EXPECT_EQ(table.entries[5], RestrictionEntry{});
}

INSTANTIATE_TEST_SUITE_P(
    Table, ValidEntryTest,
    testing::Values(
        ValidEntryCase{"0", kNorthAmerica2, 0, 0, {}},
        // Entries without ranges need no band.
        ValidEntryCase{"5:902400", 200, 200, 5, {}},
        ValidEntryCase{"5:902400,927600", kNorthAmerica, 4, 5, {{0, 25200}}},
        ValidEntryCase{
            "5:902400,927600,905000,910000", kNorthAmerica2, 0, 5, {{0, 25200}, {2600, 7600}}},
        ValidEntryCase{"65534:902401,902402", kNorthAmerica2, 0, 65534, {{1, 2}}},
        // C-style numbers: leading blanks, reading stops at the first non-digit.
        ValidEntryCase{"  12abc: 905000x,910000", kNorthAmerica2, 0, 12, {{2600, 7600}}},
        ValidEntryCase{"3:921250,928750", kNewZealand, 0, 3, {{18850, 26350}}},
        // An end value inside the text is not held to six digits; only the last one is.
        ValidEntryCase{
            "5:902400,0927600,910000,920000", kNorthAmerica2, 0, 5, {{0, 25200}, {7600, 17600}}},
        // Nine ranges: the text is valid, the entry takes the first eight, and what follows
        // them is not examined.
        ValidEntryCase{"8:902400,902500,902600,902700,902800,902900,903000,903100,903200,"
                       "903300,903400,903500,903600,903700,903800,903900,904000,904100,x",
                       kNorthAmerica2, 0, 8, [] {
                           std::vector<std::pair<int, int>> ranges;
                           for (int k = 0; k < 8; ++k) {
                               ranges.emplace_back(200 * k, 200 * k + 100);
                           }
                           return ranges;
                       }()}));

struct InvalidEntryCase {
    const char* text;
    int entryIndex;
    std::uint32_t country;
    std::uint32_t linkRate;
    std::string message;
};

using InvalidEntryTest = RestrictionTableTest<InvalidEntryCase>;

TEST_P(InvalidEntryTest, ShowsExactlyOneMessage) {
    const InvalidEntryCase& c = GetParam();
    SetBand(c.country, c.linkRate);
    EXPECT_FALSE(Validate(c.text, c.entryIndex)) << c.text;
    ExpectOneMessage(prompter, c.message);
}

// The messages of the entry with this number (from 1).
std::string WrongFormat(int entry) {
    return Format("Wrong format on entry: %d\nUA:start1,end1,start2,end2,...", entry);
}
std::string UaOutOfRange(int entry) {
    return Format("UA out of range on entry: %d\nUA = 1~65534.", entry);
}
std::string NoBand(std::uint32_t country, std::uint32_t rate, int entry) {
    return Format(
        "No frequency band for country index %u and link rate index %u on entry: %d\n"
        "Country index = 0~6, link rate index = 0~7.",
        country, rate, entry);
}

constexpr std::uint32_t kNA2 = kNorthAmerica2;

INSTANTIATE_TEST_SUITE_P(
    Table, InvalidEntryTest,
    testing::Values(
        InvalidEntryCase{"", 0, kNA2, 0, WrongFormat(1)},
        InvalidEntryCase{"5 902400,927600", 15, kNA2, 0, WrongFormat(16)},
        InvalidEntryCase{"5:902400,927600,905000", 2, kNA2, 0, WrongFormat(3)},
        InvalidEntryCase{"5:902400,92760", 1, kNA2, 0,
                         "Mismatched on entry: 2\nUA:start1,end1,start2,end2,..."},
        InvalidEntryCase{"0:902400,927600", 0, kNA2, 0, UaOutOfRange(1)},
        InvalidEntryCase{"65535:", 6, kNA2, 0, UaOutOfRange(7)},
        // 2^32 + 1 is too large, not 1.
        InvalidEntryCase{"4294967297:", 6, kNA2, 0, UaOutOfRange(7)},
        InvalidEntryCase{"5:902400,903000,910000,910000", 0, kNA2, 0,
                         "StartFreq is greater than EndFreq on entry: 1\nstart < end."},
        InvalidEntryCase{"5:902399,927600", 4, kNorthAmerica, 0,
                         "StartFreq Out of boundary on entry: 5\nFreq = 902400~927600"},
        InvalidEntryCase{"5:921440,928750", 8, kNewZealand2, 2,
                         "EndFreq Out of boundary on entry: 9\nFreq = 921440~928440"},
        // A unit or document naming a country or link rate the table does not have.
        InvalidEntryCase{"5:902400,927600", 3, 7, 0, NoBand(7, 0, 4)},
        InvalidEntryCase{"0", 16, kNorthAmerica, 0, "No restriction entry: 17\nEntry = 1~16."},
        InvalidEntryCase{"0", -1, kNorthAmerica, 0, "No restriction entry: 0\nEntry = 1~16."}));

struct RepeaterCase {
    const char* text;
    const char* message;  // nullptr: valid
    std::vector<std::uint16_t> slots;
};

class RepeaterListTest : public testing::TestWithParam<RepeaterCase> {};

TEST_P(RepeaterListTest, ValidatesAndSorts) {
    const RepeaterCase& c = GetParam();
    RepeaterList list;
    RecordingPrompter prompter;
    const bool ok = ValidateRepeaterList(c.text, list, prompter);
    if (c.message == nullptr) {
        EXPECT_TRUE(ok) << c.text;
        EXPECT_EQ(prompter.Count(), 0u) << prompter.LastText();
        std::vector<std::uint16_t> expected = c.slots;
        expected.resize(kRepeaterSlotCount, kVacant);
        EXPECT_THAT(list.slots, testing::ElementsAreArray(expected)) << c.text;
    } else {
        EXPECT_FALSE(ok) << c.text;
        ExpectOneMessage(prompter, c.message);
    }
}

const char* const kRangeMessage =
    "UA out of range or wrong format on repeater list.\n\nUA1,UA2...,UA16, and\nUA? = 2~65534.";

// Sixteen addresses, the most a unit keeps, in falling order: 2 to 16 and 65534.
const std::string kSixteenBackwards = "16 15 14 13 12 11 10 9 8 7 6 5 4 3 2 65534";
const std::vector<std::uint16_t> kSixteenSorted = {2,  3,  4,  5,  6,  7,  8,  9,
                                                   10, 11, 12, 13, 14, 15, 16, 65534};
const std::string kSeventeen = kSixteenBackwards + ",17";
const std::string kSixteenAndDuplicate = kSixteenBackwards + ",16";

INSTANTIATE_TEST_SUITE_P(
    Table, RepeaterListTest,
    testing::Values(RepeaterCase{"0", nullptr, {}}, RepeaterCase{" , ,, ", nullptr, {}},
                    RepeaterCase{",65534 ,3,", nullptr, {3, 65534}},
                    RepeaterCase{kSixteenBackwards.c_str(), nullptr, kSixteenSorted},
                    RepeaterCase{"1,5", kRangeMessage, {}},
                    RepeaterCase{"5,65535", kRangeMessage, {}},
                    RepeaterCase{"5,abc", kRangeMessage, {}},
                    RepeaterCase{"5,7,5", "Duplicate UA detected.", {}},
                    RepeaterCase{kSeventeen.c_str(), "Maximum 16 repeaters allowed.", {}},
                    // A seventeenth address that repeats one is reported as the duplicate.
                    RepeaterCase{kSixteenAndDuplicate.c_str(), "Duplicate UA detected.", {}}));

struct FreeChannelCase {
    const char* text;
    std::uint32_t country;
    std::uint32_t linkRate;
    int free;
};

using FreeChannelTest = RestrictionTableTest<FreeChannelCase>;

TEST_P(FreeChannelTest, CountsTheChannelsLeft) {
    const FreeChannelCase& c = GetParam();
    SetBand(c.country, c.linkRate);
    ASSERT_TRUE(Validate(c.text, 0)) << c.text;
    const auto band = CountryBandTable::Current(facts);
    ASSERT_TRUE(band.has_value());
    EXPECT_EQ(FreeChannels(table.entries[0], *band), c.free) << c.text;
}

INSTANTIATE_TEST_SUITE_P(Table, FreeChannelTest,
                         testing::Values(FreeChannelCase{"0", kNorthAmerica2, 0, 505},
                                         FreeChannelCase{"7:905000,927600", kNorthAmerica2, 0, 52},
                                         FreeChannelCase{"7:902400,927600", kNorthAmerica2, 0, 0},
                                         // Overlapping ranges count once.
                                         FreeChannelCase{"7:902400,905000,903000,906000",
                                                         kNorthAmerica2, 0, 432},
                                         FreeChannelCase{"5:921250,928440", kNewZealand, 0, 1},
                                         FreeChannelCase{"5:921250,928100", kNewZealand, 0, 3}));

TEST(FreeChannelMapTest, RangesBeyondTheBandStayInsideTheMap) {
    // An entry validated for New Zealand reaches offset 26350, channel 528 at 50 kHz, beyond
    // any channel the 50 kHz bands have; it is cut to the band instead.
    RestrictionEntry entry;
    entry.ua = 5;
    entry.start[0] = 18850;
    entry.end[0] = 26350;
    entry.start[1] = 0;
    entry.end[1] = 65534;
    const auto band = CountryBandTable::Find(kNorthAmerica2, 0);
    ASSERT_TRUE(band.has_value());
    EXPECT_EQ(FreeChannels(entry, *band), 0);
    entry.start[1] = kVacant;
    entry.end[1] = kVacant;
    EXPECT_EQ(FreeChannels(entry, *band), 377);  // channels 1 to 377 stay free
}

struct RoomCase {
    std::uint32_t country;
    std::uint32_t linkRate;
    std::vector<std::pair<int, const char*>> entries;  // index, text
    int refused;  // the entry (from 1) refused for want of room, 0: room enough
};

using CheckRoomTest = RestrictionTableTest<RoomCase>;

TEST_P(CheckRoomTest, RefusesTheFirstEntryWithoutRoom) {
    const RoomCase& c = GetParam();
    SetBand(c.country, c.linkRate);
    for (const auto& [index, text] : c.entries) {
        ASSERT_TRUE(Validate(text, index)) << text;
    }
    EXPECT_EQ(CheckRoom(table, facts, prompter), c.refused == 0);
    if (c.refused == 0) {
        EXPECT_EQ(prompter.Count(), 0u) << prompter.LastText();
    } else {
        ExpectOneMessage(
            prompter,
            Format("Wrong table entry: %d\nNot enough room to create pattern!!", c.refused),
            "Info");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, CheckRoomTest,
    testing::Values(
        RoomCase{kNorthAmerica2, 0, {}, 0},
        RoomCase{kNorthAmerica2,
                 0,
                 {{0, "7:905000,927600"}, {4, "8:902400,927600"}, {9, "9:902400,927600"}},
                 5},
        // New Zealand keeps at least one channel: an entry must leave two.
        RoomCase{kNewZealand, 0, {{15, "5:921250,928200"}}, 0},
        RoomCase{kNewZealand, 0, {{15, "5:921250,928440"}}, 16},
        // Where the whole band is no wider than the minimum, entries that restrict nothing
        // still leave the table sendable (so a unit's table can always be cleared) ...
        RoomCase{kAustralia, 1, {{0, "0"}, {1, "5:"}}, 0},
        // ... while any real restriction there is refused.
        RoomCase{kAustralia, 1, {{2, "5:927000,927600"}}, 3}));

TEST_F(RestrictionTest, CheckRoomWithoutBandRefusesEntriesThatNeedOne) {
    SetBand(kNorthAmerica2, 0);
    ASSERT_TRUE(Validate("7:905000,927600", 2));

    SetBand(kNorthAmerica2, 9);
    RestrictionTable empty;
    EXPECT_TRUE(CheckRoom(empty, facts, prompter));
    EXPECT_EQ(prompter.Count(), 0u);
    EXPECT_FALSE(CheckRoom(table, facts, prompter));
    ExpectOneMessage(prompter, NoBand(3, 9, 3));
}

}  // namespace
}  // namespace skelvane
