#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "spectrum/model_table.h"

namespace skelvane {
namespace {

struct PlanCase {
    std::string model;
    int linkRate;
    int previousSpacing;
    std::optional<ChannelPlan> plan;
};

std::ostream& operator<<(std::ostream& out, const PlanCase& c) {
    return out << c.model << " at link rate " << c.linkRate;
}

class ModelTableTest : public testing::TestWithParam<PlanCase> {};

TEST_P(ModelTableTest, GivesTheRowOfTheModelAndLinkRate) {
    const PlanCase& c = GetParam();
    EXPECT_EQ(LookUpChannelPlan(c.model, c.linkRate, c.previousSpacing), c.plan);
}

constexpr ChannelPlan Low(double start, int spacing, int count) {
    return ChannelPlan{start, spacing, count, 900, 932, 32};
}
constexpr ChannelPlan High(double start, int spacing, int count) {
    return ChannelPlan{start, spacing, count, 2400, 2482, 42};
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ModelTableTest,
    testing::Values(
        // The X models ignore the link rate, including the rates without a spacing.
        PlanCase{"TAVRIN-X", 0, 280, Low(902.4, 200, 140)},
        PlanCase{"MORVEX-X", 8, 280, High(2401.6, 400, 210)},
        // Link rates 6, 7 and 9 on keep the spacing the page had before (the rows themselves
        // are checked through the Spectrum page).
        PlanCase{"TAVRIN-A", 6, 1500, Low(902.4, 1500, 140)},
        PlanCase{"TAVRIN-A", 7, 280, Low(902.4, 280, 140)},
        PlanCase{"QUILLET-AE", 250, 400, Low(902.4, 400, 140)},
        PlanCase{"MORVEX-A", 9, 50, High(2401.6, 50, 290)},
        // No row: other texts (compared exactly), and link rates below 0.
        PlanCase{"TAVRIN-C", 2, 280, std::nullopt}, PlanCase{"tavrin-a", 2, 280, std::nullopt},
        PlanCase{"TAVRIN-A ", 2, 280, std::nullopt}, PlanCase{"", 2, 280, std::nullopt},
        PlanCase{"TAVRIN-A", -1, 280, std::nullopt}));

}  // namespace
}  // namespace skelvane
