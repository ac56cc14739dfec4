#include "spectrum/model_table.h"

#include <array>

namespace skelvane {
namespace {

// The two bands: 900 MHz radios drawn over 900 to 932 MHz in 32 divisions, 2.4 GHz radios
// over 2400 to 2482 MHz in 42.
constexpr int kLowBandFrom = 900;
constexpr int kLowBandTo = 932;
constexpr int kLowBandDivisions = 32;
constexpr int kHighBandFrom = 2400;
constexpr int kHighBandTo = 2482;
constexpr int kHighBandDivisions = 42;

constexpr std::array<std::string_view, 5> kLowBandFamily = {"TAVRIN-A", "TAVRIN-AE", "TAVRIN-B",
                                                            "TAVRIN-BE", "QUILLET-AE"};
constexpr std::array<std::string_view, 4> kHighBandFamily = {"MORVEX-A", "MORVEX-AE", "MORVEX-B",
                                                             "MORVEX-BE"};

// Start, spacing (0: keep the previous one) and channel count of one link rate.
struct RatePlan {
    double startMhz;
    int spacingKhz;
    int channelCount;
};

template <std::size_t N>
bool InFamily(const std::array<std::string_view, N>& family, std::string_view model) {
    for (const std::string_view name : family) {
        if (name == model) {
            return true;
        }
    }
    return false;
}

RatePlan LowBandRate(int linkRate) {
    switch (linkRate) {
        case 0:
            return {902.4, 50, 520};
        case 1:
        case 2:
        case 3:
            return {902.4, 280, 140};
        case 4:
        case 5:
            return {902.4, 400, 70};
        case 8:
            return {903.75, 1500, 20};
        default:
            return {902.4, 0, 140};
    }
}

RatePlan HighBandRate(int linkRate) {
    switch (linkRate) {
        case 0:
            return {2401.6, 50, 1530};
        case 1:
        case 2:
        case 3:
            return {2401.6, 280, 290};
        case 4:
        case 5:
            return {2401.6, 400, 200};
        case 8:
            return {2402.5, 1500, 56};
        default:
            return {2401.6, 0, 290};
    }
}

ChannelPlan Plan(const RatePlan& rate, int previousSpacingKhz, bool highBand) {
    ChannelPlan plan;
    plan.startMhz = rate.startMhz;
    plan.spacingKhz = rate.spacingKhz != 0 ? rate.spacingKhz : previousSpacingKhz;
    plan.channelCount = rate.channelCount;
    plan.xLowestMhz = highBand ? kHighBandFrom : kLowBandFrom;
    plan.xHighestMhz = highBand ? kHighBandTo : kLowBandTo;
    plan.xDivisions = highBand ? kHighBandDivisions : kLowBandDivisions;
    return plan;
}

}  // namespace

std::optional<ChannelPlan> LookUpChannelPlan(std::string_view model, int linkRate,
                                             int previousSpacingKhz) {
    if (model == "TAVRIN-X") {
        return Plan({902.4, 200, 140}, previousSpacingKhz, false);
    }
    if (model == "MORVEX-X") {
        return Plan({2401.6, 400, 210}, previousSpacingKhz, true);
    }
    // Negative link rates are no rate at all ("9 and above" counts upwards only).
    if (linkRate < 0) {
        return std::nullopt;
    }
    if (InFamily(kLowBandFamily, model)) {
        return Plan(LowBandRate(linkRate), previousSpacingKhz, false);
    }
    if (InFamily(kHighBandFamily, model)) {
        return Plan(HighBandRate(linkRate), previousSpacingKhz, true);
    }
    return std::nullopt;
}

}  // namespace skelvane
