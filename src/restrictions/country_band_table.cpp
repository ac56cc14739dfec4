#include "restrictions/country_band_table.h"

namespace skelvane {
namespace {

using Spacings = std::array<std::uint16_t, kLinkRateCount>;

constexpr Spacings kCommonSpacing{280, 280, 280, 280, 400, 400, 500, 500};
constexpr Spacings kAustraliaSpacing{50, 250, 250, 250, 250, 250, 250, 250};
constexpr Spacings kNorthAmerica2Spacing{50, 280, 280, 280, 400, 400, 500, 500};

// Within a country only the spacing depends on the link rate.
constexpr CountryRow MakeRow(std::string_view name, int index, std::uint32_t lowest,
                             std::uint32_t highest, std::uint16_t minFree,
                             const Spacings& spacings) {
    CountryRow row{name, index, {}};
    for (int rate = 0; rate < kLinkRateCount; ++rate) {
        row.bands[static_cast<std::size_t>(rate)] =
            CountryBand{lowest, highest, minFree, spacings[static_cast<std::size_t>(rate)]};
    }
    return row;
}

constexpr std::array<CountryRow, kCountryCount> kRows{
    MakeRow("North America", 0, 902400, 927600, 50, kCommonSpacing),
    MakeRow("Australia", 1, 915250, 927600, 50, kAustraliaSpacing),
    MakeRow("New Zealand", 2, 921250, 928750, 1, kCommonSpacing),
    MakeRow("North America2", 3, 902400, 927600, 50, kNorthAmerica2Spacing),
    MakeRow("New Zealand2", 4, 921440, 928440, 15, kCommonSpacing),
    MakeRow("New Zealand3", 5, 921440, 928440, 7, kCommonSpacing),
    MakeRow("New Zealand4", 6, 921440, 928440, 5, kCommonSpacing),
};

}  // namespace

const std::array<CountryRow, kCountryCount>& CountryBandTable::Rows() {
    return kRows;
}

std::optional<CountryBand> CountryBandTable::Find(std::uint32_t countryIndex,
                                                  std::uint32_t linkRateIndex) {
    if (countryIndex >= static_cast<std::uint32_t>(kCountryCount) ||
        linkRateIndex >= static_cast<std::uint32_t>(kLinkRateCount)) {
        return std::nullopt;
    }
    return kRows[countryIndex].bands[linkRateIndex];
}

}  // namespace skelvane
