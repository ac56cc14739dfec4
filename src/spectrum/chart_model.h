#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/prompter.h"

namespace skelvane {

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

struct PixelPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

// Right and bottom lie just outside the rectangle, as window rectangles do.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// The chart's three fonts: labels, legend and x-axis title (8 point); the title (12 point
// bold); x-axis labels and the y-axis title (8 point turned by 90 degrees, reading upwards).
enum class ChartFont { Label, Title, Rotated };

// The size of a text as it is written in a font, before any turning.
struct TextExtent {
    int width = 0;
    int height = 0;
};
using TextMeasure = std::function<TextExtent(std::string_view text, ChartFont font)>;

struct ChartLine {
    PixelPoint from;
    PixelPoint to;
    Rgb colour;
    int width = 1;
};

// A text and the box it covers on the screen (for turned text the box is as tall as the
// text is long). Labels are right-aligned in their box, titles centred.
struct ChartText {
    std::string text;
    PixelRect box;
    ChartFont font = ChartFont::Label;
    Rgb colour;
};

struct ChartCurve {
    int series = 0;
    Rgb colour;
    int width = 2;
    std::vector<PixelPoint> points;
};

struct LegendEntry {
    int series = 0;
    ChartLine line;
    ChartText name;
};

// Everything one paint draws, in drawing order: the frame filled with the background, the
// plot outline and the axis lines, the grid, the labels and axis titles, the title, then
// the curves and the legend.
struct ChartScene {
    PixelRect client;
    PixelRect frame;
    Rgb background;
    PixelRect plot;
    Rgb frameColour;
    int outlineWidth = 2;
    std::vector<ChartLine> axisLines;
    std::vector<ChartLine> gridLines;
    std::vector<ChartText> yLabels;
    std::vector<ChartText> xLabels;
    ChartText xTitle;
    ChartText yTitle;
    ChartText title;
    std::vector<ChartCurve> curves;
    std::vector<LegendEntry> legend;
};

struct ChartRanges {
    double xLowest = -10;
    double xHighest = 10;
    double yLowest = -10;
    double yHighest = 10;
};

struct ChartPoint {
    double x = 0;
    double y = 0;
};

// A line chart without a window: a fixed set of series of (x, y) points over linear axes,
// with grid, labels, titles and a one-row legend. The spectrum worker sets points while the
// window thread paints, so every operation takes the model's lock; a paint asks Compose for
// the scene and draws only that, and an export reads the same points with GetPoint.
class ChartModel {
  public:
    static constexpr int kSeriesSlots = 60;
    static constexpr int kSeriesCount = 5;
    // More points than any radio has channels; a larger request is refused like a failed
    // allocation instead of exhausting memory.
    static constexpr int kMaxPoints = 1 << 20;
    // A grid finer than this would be one solid block; more is held at this.
    static constexpr int kMaxDivisions = 1000;

    static constexpr Rgb kBackground{0, 0, 0};
    static constexpr Rgb kFrameColour{0, 64, 0};
    static constexpr Rgb kGridColour{0, 64, 0};
    static constexpr Rgb kTextColour{0, 200, 0};

    ChartModel() = default;
    ChartModel(const ChartModel&) = delete;
    ChartModel& operator=(const ChartModel&) = delete;

    // Takes the size of the chart window's client area and lays out the frame (inset by 2
    // pixels) and the plot inside it; recomputes the scales.
    void Attach(int clientWidth, int clientHeight);
    PixelRect Client() const;
    PixelRect Frame() const;
    PixelRect Plot() const;

    void SetRanges(double xLowest, double xHighest, double yLowest, double yHighest);
    ChartRanges Ranges() const;
    double XPerPixel() const;
    double YPerPixel() const;

    // Divisions and label steps are held between 1 and kMaxDivisions: a grid needs at least
    // one division, and a step of 0 would never reach the last label.
    void SetDivisions(int xDivisions, int yDivisions);
    void SetLabelSteps(int xStep, int yStep);
    int XDivisions() const;
    int YDivisions() const;
    int XLabelStep() const;
    int YLabelStep() const;

    // 0: axes along the bottom and the left of the plot; 1: horizontal axis through the
    // middle of the y range, vertical axis at the left; 2: both through the middle. Other
    // values are ignored (false).
    bool SetAxisLineMode(int mode);
    int AxisLineMode() const;

    void SetTitle(std::string_view title);
    void SetAxisTitles(std::string_view xTitle, std::string_view yTitle);
    std::string Title() const;
    std::string XAxisTitle() const;
    std::string YAxisTitle() const;

    // Colour and name of a used series (0 to kSeriesCount - 1); false for any other index.
    bool SetSeries(int seriesIndex, Rgb colour, std::string_view name);
    Rgb SeriesColour(int seriesIndex) const;
    std::string SeriesName(int seriesIndex) const;
    bool SeriesHasPoints(int seriesIndex) const;

    // Gives every used series `count` points at (x lowest, y lowest), only while nothing is
    // allocated (callers release first; otherwise false and nothing changes). When the
    // storage cannot be had: "Can not allocate serie" (empty caption) and false.
    bool AllocatePoints(int count, Prompter& prompter);
    void ReleasePoints();
    bool Allocated() const;
    int PointCount() const;

    // Stores a point clamped into the ranges and makes it the last point set. False (and no
    // change) before allocation, for an index outside the series or the points, and for a
    // value that is not a finite number.
    bool SetPoint(double x, double y, int pointIndex, int seriesIndex);
    std::optional<ChartPoint> GetPoint(int pointIndex, int seriesIndex) const;

    // Curves are drawn through points 0 to the last point index; while it is 0 no curve and
    // no legend is drawn.
    int LastPointIndex() const;
    void ResetLastPointIndex();

    // Pixel of a value pair under the current ranges and plot.
    PixelPoint Map(double x, double y) const;

    // Values of the labels, at k = 0, step, 2 x step, ... up to the divisions, and their
    // text ("%5.0f").
    std::vector<double> XLabelValues() const;
    std::vector<double> YLabelValues() const;
    static std::string LabelText(double value);

    ChartScene Compose(const TextMeasure& measure) const;

    // Asks the window to repaint: the listener is called (outside the lock) on the caller's
    // thread; the window forwards it to its own thread.
    void Redraw();
    void SetRedrawListener(std::function<void()> listener);
    std::uint64_t Revision() const;

  private:
    struct Series {
        bool hasPoints = false;
        std::vector<double> x;
        std::vector<double> y;
        Rgb colour;
        std::string name;
        bool allocated = false;
    };

    void ComputeScalesLocked();
    PixelPoint MapLocked(double x, double y) const;
    std::vector<double> LabelValuesLocked(double lowest, double highest, int divisions,
                                          int step) const;
    bool ValidPointLocked(int pointIndex, int seriesIndex) const;
    void ComposeAxesLocked(ChartScene& scene) const;
    void ComposeGridLocked(ChartScene& scene) const;
    void ComposeTextsLocked(ChartScene& scene, const TextMeasure& measure) const;
    void ComposeCurvesLocked(ChartScene& scene, const TextMeasure& measure) const;

    mutable std::mutex mutex_;
    std::array<Series, kSeriesSlots> series_;
    int pointCount_ = 0;
    int lastPointIndex_ = 0;
    bool allocated_ = false;
    ChartRanges ranges_;
    int xDivisions_ = 10;
    int yDivisions_ = 10;
    int xLabelStep_ = 1;
    int yLabelStep_ = 1;
    int axisLineMode_ = 2;
    std::string title_ = "Untitled Chart";
    std::string xTitle_ = "x";
    std::string yTitle_ = "y";
    PixelRect client_;
    PixelRect frame_;
    PixelRect plot_;
    double xPerPixel_ = 0;
    double yPerPixel_ = 0;
    std::uint64_t revision_ = 0;
    std::function<void()> redrawListener_;
};

}  // namespace skelvane
