#pragma once

#include <optional>
#include <string_view>

namespace skelvane {

// Where a radio's channels lie and how the chart's x axis frames them. Channel i (from 1)
// lies at startMhz + (i - 1) * spacingKhz / 1000 MHz.
struct ChannelPlan {
    double startMhz = 902.4;
    int spacingKhz = 280;
    int channelCount = 140;
    int xLowestMhz = 900;
    int xHighestMhz = 932;
    int xDivisions = 32;

    double ChannelMhz(int channel) const { return startMhz + (channel - 1) * spacingKhz / 1000.0; }

    friend bool operator==(const ChannelPlan&, const ChannelPlan&) = default;
};

// The plan of the model a radio reports (its exact text) at the link rate it reports. Some
// link rates have no spacing of their own: they keep `previousSpacingKhz`, the spacing the
// page had before. nullopt for a model the table does not know.
std::optional<ChannelPlan> LookUpChannelPlan(std::string_view model, int linkRate,
                                             int previousSpacingKhz);

}  // namespace skelvane
