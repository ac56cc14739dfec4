#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "document/unit_facts.h"

namespace skelvane {

// Frequency bounds of one country at one link rate.
struct CountryBand {
    std::uint32_t lowestKhz = 0;
    std::uint32_t highestKhz = 0;
    std::uint16_t minFreeChannels = 0;
    std::uint16_t spacingKhz = 0;
};

inline constexpr int kCountryCount = 7;
inline constexpr int kLinkRateCount = 8;

struct CountryRow {
    std::string_view name;
    int index = 0;
    std::array<CountryBand, kLinkRateCount> bands{};
};

// The bands the 900 MHz units may use, by country index (the "CountryCode" register) and
// link-rate index (the "LinkRate" register).
class CountryBandTable {
  public:
    static const std::array<CountryRow, kCountryCount>& Rows();

    // The band of a country and link rate; nullopt when either index is outside the table
    // (a unit or a document may report any register value).
    static std::optional<CountryBand> Find(std::uint32_t countryIndex, std::uint32_t linkRateIndex);

    // The band selected by what the program last learned about the unit.
    static std::optional<CountryBand> Current(const UnitFacts& facts) {
        return Find(facts.countryIndex.load(), facts.linkRateIndex.load());
    }
};

}  // namespace skelvane
