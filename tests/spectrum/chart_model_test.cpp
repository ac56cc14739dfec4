#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "base/prompter.h"
#include "spectrum/chart_model.h"

namespace skelvane {
namespace {

// A fixed-pitch font: 6 pixels a character, 10 high (the title 12 a character, 20 high).
TextExtent FakeMeasure(std::string_view text, ChartFont font) {
    const int pitch = font == ChartFont::Title ? 12 : 6;
    return TextExtent{static_cast<int>(text.size()) * pitch, font == ChartFont::Title ? 20 : 10};
}

// Client 700 x 320: frame (2, 2, 698, 318), w = 696, h = 316, so the plot is
// left 2 + 69 - 4 = 67, right 698 - 17 = 681, top 2 + 7 = 9, bottom 318 - 31 - 16 = 271:
// 614 by 262 pixels. Ranges of 0..1228 and 0..131 then give exactly 2 and 0.5 per pixel.
class ChartModelTest : public testing::Test {
  protected:
    void SetUp() override { chart.Attach(700, 320); }

    void UseExactScales() { chart.SetRanges(0, 1228, 0, 131); }

    void SpectrumSetup(int points) {
        chart.SetRanges(900, 932, -120, -30);
        chart.SetDivisions(32, 19);
        chart.SetLabelSteps(1, 1);
        const Rgb colours[] = {
            {255, 255, 255}, {255, 0, 255}, {0, 0, 255}, {255, 0, 0}, {0, 255, 0}};
        const char* names[] = {"", "MeanHold", "MeanValue", "MaxHold", "MaxValue"};
        for (int s = 0; s < ChartModel::kSeriesCount; ++s) {
            ASSERT_TRUE(chart.SetSeries(s, colours[s], names[s]));
        }
        ASSERT_TRUE(chart.AllocatePoints(points, prompter));
    }

    ChartModel chart;
    RecordingPrompter prompter;
};

// The frame, plot and scene positions are checked through the composed scene below.
TEST_F(ChartModelTest, TheScalesFollowANewClientSize) {
    UseExactScales();
    // Frame width 1310 gives the plot 129 to 1312 - 32.
    chart.Attach(1314, 320);
    EXPECT_EQ(chart.Plot(), (PixelRect{129, 9, 1280, 271}));
    EXPECT_DOUBLE_EQ(chart.XPerPixel(), 1228.0 / 1151.0);
    EXPECT_EQ(chart.YPerPixel(), 0.5);
}

struct MapCase {
    double x, y;
    PixelPoint pixel;
};

class ChartMapTest : public ChartModelTest, public testing::WithParamInterface<MapCase> {};

TEST_P(ChartMapTest, CutsToWholePixels) {
    UseExactScales();
    const MapCase& c = GetParam();
    EXPECT_EQ(chart.Map(c.x, c.y), c.pixel) << c.x << ", " << c.y;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ChartMapTest,
    testing::Values(MapCase{1228, 131, {681, 9}},
                    MapCase{3.99, 0.99, {68, 270}},  // just below 2 pixels
                    MapCase{-3, -0.75, {66, 272}},   // cut toward zero below the range
                    MapCase{1e300, -1e300, {67 + 1000000, 271 + 1000000}}));

TEST_F(ChartModelTest, PointsOutsideTheRangesAreHeldAtTheEdges) {
    SpectrumSetup(140);
    struct Case {
        double x, y, storedX, storedY;
    };
    int index = 0;
    for (const Case c :
         {Case{902.4, -125, 902.4, -120}, Case{950, -10, 932, -30}, Case{-1e9, 1e9, 900, -30}}) {
        ASSERT_TRUE(chart.SetPoint(c.x, c.y, index, 2));
        const auto point = chart.GetPoint(index, 2);
        ASSERT_TRUE(point.has_value());
        EXPECT_EQ(point->x, c.storedX);
        EXPECT_EQ(point->y, c.storedY);
        ++index;
    }
}

TEST_F(ChartModelTest, RefusesPointsOutsideTheStorage) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(chart.SetPoint(1, 1, 0, 1));  // nothing allocated yet
    EXPECT_FALSE(chart.GetPoint(0, 1).has_value());
    SpectrumSetup(20);
    struct Case {
        double x, y;
        int point, series;
    };
    for (const Case c : {Case{0, 0, 20, 1}, Case{0, 0, -1, 1}, Case{0, 0, 0, 5}, Case{0, 0, 0, -1},
                         Case{0, 0, 0, 59}, Case{nan, 0, 0, 1}, Case{0, inf, 0, 1}}) {
        EXPECT_FALSE(chart.SetPoint(c.x, c.y, c.point, c.series)) << c.point << "/" << c.series;
        EXPECT_EQ(chart.LastPointIndex(), 0);
        EXPECT_FALSE(chart.SeriesHasPoints(c.series));
    }
    EXPECT_FALSE(chart.GetPoint(20, 1).has_value());
    EXPECT_FALSE(chart.GetPoint(0, 5).has_value());
    EXPECT_TRUE(chart.SetPoint(910, -80, 19, 4));
    EXPECT_EQ(chart.LastPointIndex(), 19);
    EXPECT_TRUE(chart.SeriesHasPoints(4));
    chart.ReleasePoints();
    EXPECT_FALSE(chart.SetPoint(910, -80, 0, 4));
    EXPECT_EQ(chart.PointCount(), 0);
    EXPECT_EQ(prompter.Count(), 0u);
}

TEST_F(ChartModelTest, AllocatesOnlyWhenReleasedAndWithinTheLimit) {
    for (const int count : {-1, ChartModel::kMaxPoints + 1}) {
        RecordingPrompter local;
        EXPECT_FALSE(chart.AllocatePoints(count, local));
        EXPECT_FALSE(chart.Allocated());
        ASSERT_EQ(local.Count(), 1u);
        EXPECT_EQ(local.Records()[0].text, "Can not allocate serie");
        EXPECT_EQ(local.Records()[0].caption, "");
    }
    SpectrumSetup(140);
    EXPECT_FALSE(chart.AllocatePoints(20, prompter));
    EXPECT_EQ(chart.PointCount(), 140);
    chart.ReleasePoints();
    EXPECT_TRUE(chart.AllocatePoints(20, prompter));
    EXPECT_EQ(chart.PointCount(), 20);
    // New points lie at the lower corner of the ranges, inside the plot.
    const auto point = chart.GetPoint(19, 3);
    ASSERT_TRUE(point.has_value());
    EXPECT_EQ(point->x, 900);
    EXPECT_EQ(point->y, -120);
    EXPECT_EQ(prompter.Count(), 0u);
}

TEST_F(ChartModelTest, LabelValuesOfTheSpectrumAxes) {
    SpectrumSetup(140);
    const auto texts = [](const std::vector<double>& values) {
        std::vector<std::string> result;
        for (const double value : values) {
            result.push_back(ChartModel::LabelText(value));
        }
        return result;
    };
    std::vector<std::string> x;
    for (int mhz = 900; mhz <= 932; ++mhz) {
        x.push_back("  " + std::to_string(mhz));
    }
    EXPECT_EQ(texts(chart.XLabelValues()), x);
    EXPECT_THAT(texts(chart.YLabelValues()),
                testing::ElementsAre(" -120", " -115", " -111", " -106", " -101", "  -96", "  -92",
                                     "  -87", "  -82", "  -77", "  -73", "  -68", "  -63", "  -58",
                                     "  -54", "  -49", "  -44", "  -39", "  -35", "  -30"));
    // A step of 2 labels every second mark; with 19 divisions the last mark has none.
    chart.SetLabelSteps(4, 2);
    EXPECT_EQ(chart.XLabelValues().size(), 9u);
    ASSERT_EQ(chart.YLabelValues().size(), 10u);
    EXPECT_EQ(ChartModel::LabelText(chart.YLabelValues().back()), "  -35");
}

TEST_F(ChartModelTest, DegenerateSettingsDoNotBreakThePaint) {
    chart.SetDivisions(0, -5);
    chart.SetLabelSteps(0, -1);
    chart.SetRanges(5, 5, 3, 3);
    EXPECT_EQ(chart.Map(7, 9), (PixelPoint{67, 271}));
    ChartScene scene = chart.Compose(FakeMeasure);
    EXPECT_EQ(scene.gridLines.size(), 4u);
    EXPECT_EQ(scene.xLabels.size(), 2u);

    for (const auto& [w, h] : {std::pair{0, 0}, std::pair{10, 10}, std::pair{-5, 100000000}}) {
        chart.Attach(w, h);
        chart.SetRanges(900, 932, -120, -30);
        scene = chart.Compose(FakeMeasure);  // must not fault, whatever the sizes
        EXPECT_EQ(scene.client.left, 0);
        EXPECT_GE(scene.client.right, 0);
    }
}

TEST_F(ChartModelTest, AxisLineModes) {
    UseExactScales();
    struct Case {
        int mode;
        ChartLine horizontal, vertical;
    };
    const Case cases[] = {
        {0, {{67, 271}, {681, 271}}, {{67, 271}, {67, 9}}},
        {1, {{67, 140}, {681, 140}}, {{67, 271}, {67, 9}}},
        {2, {{67, 140}, {681, 140}}, {{374, 271}, {374, 9}}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(chart.SetAxisLineMode(c.mode));
        const ChartScene scene = chart.Compose(FakeMeasure);
        ASSERT_EQ(scene.axisLines.size(), 2u);
        EXPECT_EQ(scene.axisLines[0].from, c.horizontal.from) << c.mode;
        EXPECT_EQ(scene.axisLines[0].to, c.horizontal.to) << c.mode;
        EXPECT_EQ(scene.axisLines[1].from, c.vertical.from) << c.mode;
        EXPECT_EQ(scene.axisLines[1].to, c.vertical.to) << c.mode;
    }
    EXPECT_FALSE(chart.SetAxisLineMode(3));
    EXPECT_FALSE(chart.SetAxisLineMode(-1));
    EXPECT_EQ(chart.AxisLineMode(), 2);
}

TEST_F(ChartModelTest, GridLabelsAndTitlesAreWhereThePaintPutsThem) {
    UseExactScales();
    chart.SetDivisions(4, 2);
    chart.SetTitle("My");
    chart.SetAxisTitles("Frequency  (MHz)", "Noise Level (dBm)");
    const ChartScene scene = chart.Compose(FakeMeasure);
    EXPECT_EQ(scene.frame, (PixelRect{2, 2, 698, 318}));

    // Five vertical lines, every 307 value units (153.5 pixels, cut), then three horizontal.
    ASSERT_EQ(scene.gridLines.size(), 8u);
    EXPECT_EQ(scene.gridLines[0].from, (PixelPoint{67, 271}));
    EXPECT_EQ(scene.gridLines[0].to, (PixelPoint{67, 9}));
    EXPECT_EQ(scene.gridLines[2].from, (PixelPoint{374, 271}));
    EXPECT_EQ(scene.gridLines[6].from, (PixelPoint{67, 140}));
    EXPECT_EQ(scene.gridLines[6].to, (PixelPoint{681, 140}));

    // y labels: right edge 5 pixels left of the plot, centred on their line.
    ASSERT_EQ(scene.yLabels.size(), 3u);
    EXPECT_EQ(scene.yLabels[1].text, "   66");
    EXPECT_EQ(scene.yLabels[1].box, (PixelRect{62 - 30, 135, 62, 145}));
    // x labels: turned, 5 pixels below the plot, centred on their line.
    ASSERT_EQ(scene.xLabels.size(), 5u);
    EXPECT_EQ(scene.xLabels[2].text, "  614");
    EXPECT_EQ(scene.xLabels[2].font, ChartFont::Rotated);
    EXPECT_EQ(scene.xLabels[2].box, (PixelRect{369, 276, 379, 306}));

    EXPECT_EQ(scene.title.text, "My");
    EXPECT_EQ(scene.title.box, (PixelRect{338, 2, 362, 22}));
    EXPECT_EQ(scene.xTitle.box, (PixelRect{302, 305, 398, 315}));
    EXPECT_EQ(scene.yTitle.font, ChartFont::Rotated);
    EXPECT_EQ(scene.yTitle.box, (PixelRect{0, 109, 10, 211}));
}

TEST_F(ChartModelTest, CurvesAndLegendFollowTheLastPointIndex) {
    SpectrumSetup(140);
    // Nothing is drawn before a point above index 0 is set.
    EXPECT_TRUE(chart.Compose(FakeMeasure).curves.empty());
    for (int s = 1; s < ChartModel::kSeriesCount; ++s) {
        ASSERT_TRUE(chart.SetPoint(902.4, -125, 0, s));
    }
    EXPECT_TRUE(chart.Compose(FakeMeasure).curves.empty());
    EXPECT_TRUE(chart.Compose(FakeMeasure).legend.empty());

    for (int i = 0; i < 4; ++i) {
        for (int s = 0; s < ChartModel::kSeriesCount; ++s) {
            ASSERT_TRUE(chart.SetPoint(902.4 + i * 0.28, -100 + s, i, s));
        }
    }
    ChartScene scene = chart.Compose(FakeMeasure);
    ASSERT_EQ(scene.curves.size(), 4u);  // series 0 is never drawn
    EXPECT_EQ(scene.curves[0].series, 1);
    ASSERT_EQ(scene.curves[2].points.size(), 4u);
    EXPECT_EQ(scene.curves[2].points[1], chart.Map(902.4 + 0.28, -97));
    EXPECT_EQ(scene.curves[2].width, 2);

    ASSERT_EQ(scene.legend.size(), 4u);  // the colours are checked on the painted chart
    EXPECT_EQ(scene.legend[0].name.text, "MeanHold");

    // Resetting the index hides the curves again until new data arrive.
    chart.ResetLastPointIndex();
    scene = chart.Compose(FakeMeasure);
    EXPECT_TRUE(scene.curves.empty());
    EXPECT_TRUE(scene.legend.empty());
    ASSERT_TRUE(chart.SetPoint(905, -90, 2, 1));
    EXPECT_EQ(chart.Compose(FakeMeasure).curves[0].points.size(), 3u);
}

}  // namespace
}  // namespace skelvane
