#include <gtest/gtest.h>

#include <string>

#include "base/prompter.h"
#include "restrictions/country_band_table.h"
#include "restrictions/restriction_text.h"
#include "restrictions/zone_presets.h"

namespace skelvane {
namespace {

TEST(ZonePresetTest, EveryPatternFitsNorthAmerica2AtLinkRate0) {
    UnitFacts facts;
    facts.countryIndex = 3;
    facts.linkRateIndex = 0;
    const auto band = CountryBandTable::Current(facts);
    ASSERT_TRUE(band.has_value());
    for (int zone = 0; zone < kZoneCount; ++zone) {
        for (const int ua : {1, 7, 65534}) {
            RestrictionTable table;
            RecordingPrompter prompter;
            const std::string text = ZoneEntryText(zone, ua);
            EXPECT_TRUE(ValidateRestrictionEntry(text, zone, table, facts, prompter))
                << text << ": " << prompter.LastText();
            EXPECT_EQ(table.entries[static_cast<std::size_t>(zone)].ua, ua);
            EXPECT_TRUE(CheckRoom(table, facts, prompter)) << text;
            // The unit keeps its zone: every channel of it is free.
            const auto& pattern = ZonePatterns()[static_cast<std::size_t>(zone)];
            const int zoneChannels =
                static_cast<int>((pattern.keepHighKhz - pattern.keepLowKhz) / 50 + 1);
            EXPECT_GE(FreeChannels(table.entries[static_cast<std::size_t>(zone)], *band),
                      zoneChannels)
                << text;
        }
    }
    EXPECT_EQ(ZoneEntryText(kZoneCount, 1), "");  // no zone
    EXPECT_EQ(ZoneEntryText(-1, 1), "");
}

TEST(ZonePresetTest, ZonesButtonOnlyForNorthAmerica2AtLinkRate0) {
    struct Case {
        std::uint32_t country, linkRate;
        bool enabled;
    };
    for (const Case c : {Case{3, 0, true}, Case{3, 1, false}, Case{0, 0, false}, Case{1, 0, false},
                         Case{7, 0, false}, Case{3, 8, false}}) {
        UnitFacts facts;
        facts.countryIndex = c.country;
        facts.linkRateIndex = c.linkRate;
        EXPECT_EQ(ZonesButtonEnabled(facts), c.enabled) << c.country << "/" << c.linkRate;
    }
}

}  // namespace
}  // namespace skelvane
