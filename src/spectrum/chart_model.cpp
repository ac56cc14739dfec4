#include "spectrum/chart_model.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "base/format.h"

namespace skelvane {
namespace {

constexpr int kFrameInset = 2;
constexpr int kLabelGap = 5;
constexpr int kLegendLine = 16;
constexpr int kLegendTextOffset = 18;
constexpr int kAxisLineWidth = 2;
constexpr int kCurveWidth = 2;
// No screen is this large; the bound keeps the layout arithmetic far from overflow.
constexpr int kMaxClientSize = 1 << 20;

// Clamping that never asserts on a reversed range: values are held between the two bounds
// in the order given.
double Clamp(double value, double lowest, double highest) {
    if (value < lowest) {
        return lowest;
    }
    if (value > highest) {
        return highest;
    }
    return value;
}

// Whole pixels of a distance in value units; a degenerate scale (an empty plot or range)
// gives 0, and far-off values are held to a span any drawing call accepts.
int PixelOffset(double distance, double perPixel) {
    if (perPixel == 0 || !std::isfinite(perPixel)) {
        return 0;
    }
    const double pixels = distance / perPixel;
    if (!std::isfinite(pixels)) {
        return 0;
    }
    constexpr double kLimit = 1'000'000;
    return static_cast<int>(Clamp(pixels, -kLimit, kLimit));
}

}  // namespace

void ChartModel::Attach(int clientWidth, int clientHeight) {
    std::lock_guard lock(mutex_);
    client_ = PixelRect{0, 0, std::clamp(clientWidth, 0, kMaxClientSize),
                        std::clamp(clientHeight, 0, kMaxClientSize)};
    frame_ = PixelRect{client_.left + kFrameInset, client_.top + kFrameInset,
                       client_.right - kFrameInset, client_.bottom - kFrameInset};
    const int w = frame_.Width();
    const int h = frame_.Height();
    plot_ = PixelRect{frame_.left + w / 10 - 4, frame_.top + (h / 10) / 4,
                      frame_.right - (w / 10) / 4, frame_.bottom - h / 10 - 16};
    ComputeScalesLocked();
}

PixelRect ChartModel::Client() const {
    std::lock_guard lock(mutex_);
    return client_;
}

PixelRect ChartModel::Frame() const {
    std::lock_guard lock(mutex_);
    return frame_;
}

PixelRect ChartModel::Plot() const {
    std::lock_guard lock(mutex_);
    return plot_;
}

void ChartModel::SetRanges(double xLowest, double xHighest, double yLowest, double yHighest) {
    std::lock_guard lock(mutex_);
    ranges_ = ChartRanges{xLowest, xHighest, yLowest, yHighest};
    ComputeScalesLocked();
}

ChartRanges ChartModel::Ranges() const {
    std::lock_guard lock(mutex_);
    return ranges_;
}

double ChartModel::XPerPixel() const {
    std::lock_guard lock(mutex_);
    return xPerPixel_;
}

double ChartModel::YPerPixel() const {
    std::lock_guard lock(mutex_);
    return yPerPixel_;
}

void ChartModel::ComputeScalesLocked() {
    const int plotWidth = plot_.right - plot_.left;
    const int plotHeight = plot_.bottom - plot_.top;
    // A window too small for a plot has no scale; Map then puts everything at the corner.
    xPerPixel_ = plotWidth > 0 ? (ranges_.xHighest - ranges_.xLowest) / plotWidth : 0;
    yPerPixel_ = plotHeight > 0 ? (ranges_.yHighest - ranges_.yLowest) / plotHeight : 0;
}

void ChartModel::SetDivisions(int xDivisions, int yDivisions) {
    std::lock_guard lock(mutex_);
    xDivisions_ = std::clamp(xDivisions, 1, kMaxDivisions);
    yDivisions_ = std::clamp(yDivisions, 1, kMaxDivisions);
}

void ChartModel::SetLabelSteps(int xStep, int yStep) {
    std::lock_guard lock(mutex_);
    xLabelStep_ = std::clamp(xStep, 1, kMaxDivisions);
    yLabelStep_ = std::clamp(yStep, 1, kMaxDivisions);
}

int ChartModel::XDivisions() const {
    std::lock_guard lock(mutex_);
    return xDivisions_;
}

int ChartModel::YDivisions() const {
    std::lock_guard lock(mutex_);
    return yDivisions_;
}

int ChartModel::XLabelStep() const {
    std::lock_guard lock(mutex_);
    return xLabelStep_;
}

int ChartModel::YLabelStep() const {
    std::lock_guard lock(mutex_);
    return yLabelStep_;
}

bool ChartModel::SetAxisLineMode(int mode) {
    if (mode < 0 || mode > 2) {
        return false;
    }
    std::lock_guard lock(mutex_);
    axisLineMode_ = mode;
    return true;
}

int ChartModel::AxisLineMode() const {
    std::lock_guard lock(mutex_);
    return axisLineMode_;
}

void ChartModel::SetTitle(std::string_view title) {
    std::lock_guard lock(mutex_);
    title_ = std::string(title);
}

void ChartModel::SetAxisTitles(std::string_view xTitle, std::string_view yTitle) {
    std::lock_guard lock(mutex_);
    xTitle_ = std::string(xTitle);
    yTitle_ = std::string(yTitle);
}

std::string ChartModel::Title() const {
    std::lock_guard lock(mutex_);
    return title_;
}

std::string ChartModel::XAxisTitle() const {
    std::lock_guard lock(mutex_);
    return xTitle_;
}

std::string ChartModel::YAxisTitle() const {
    std::lock_guard lock(mutex_);
    return yTitle_;
}

bool ChartModel::SetSeries(int seriesIndex, Rgb colour, std::string_view name) {
    if (seriesIndex < 0 || seriesIndex >= kSeriesCount) {
        return false;
    }
    std::lock_guard lock(mutex_);
    Series& series = series_[static_cast<std::size_t>(seriesIndex)];
    series.colour = colour;
    series.name = std::string(name);
    return true;
}

Rgb ChartModel::SeriesColour(int seriesIndex) const {
    if (seriesIndex < 0 || seriesIndex >= kSeriesSlots) {
        return {};
    }
    std::lock_guard lock(mutex_);
    return series_[static_cast<std::size_t>(seriesIndex)].colour;
}

std::string ChartModel::SeriesName(int seriesIndex) const {
    if (seriesIndex < 0 || seriesIndex >= kSeriesSlots) {
        return {};
    }
    std::lock_guard lock(mutex_);
    return series_[static_cast<std::size_t>(seriesIndex)].name;
}

bool ChartModel::SeriesHasPoints(int seriesIndex) const {
    if (seriesIndex < 0 || seriesIndex >= kSeriesSlots) {
        return false;
    }
    std::lock_guard lock(mutex_);
    return series_[static_cast<std::size_t>(seriesIndex)].hasPoints;
}

bool ChartModel::AllocatePoints(int count, Prompter& prompter) {
    {
        std::lock_guard lock(mutex_);
        if (allocated_) {
            return false;
        }
        if (count >= 0 && count <= kMaxPoints) {
            try {
                for (int s = 0; s < kSeriesCount; ++s) {
                    Series& series = series_[static_cast<std::size_t>(s)];
                    series.x.assign(static_cast<std::size_t>(count), ranges_.xLowest);
                    series.y.assign(static_cast<std::size_t>(count), ranges_.yLowest);
                    series.allocated = true;
                    series.hasPoints = false;
                }
                pointCount_ = count;
                lastPointIndex_ = 0;
                allocated_ = true;
                return true;
            } catch (const std::bad_alloc&) {
                for (Series& series : series_) {
                    series.x = {};
                    series.y = {};
                    series.allocated = false;
                }
            }
        }
    }
    prompter.Message("Can not allocate serie", "", MessageIcon::Exclamation, MessageButtons::Ok);
    return false;
}

void ChartModel::ReleasePoints() {
    std::lock_guard lock(mutex_);
    for (Series& series : series_) {
        series.x = {};
        series.y = {};
        series.allocated = false;
        series.hasPoints = false;
    }
    pointCount_ = 0;
    lastPointIndex_ = 0;
    allocated_ = false;
}

bool ChartModel::Allocated() const {
    std::lock_guard lock(mutex_);
    return allocated_;
}

int ChartModel::PointCount() const {
    std::lock_guard lock(mutex_);
    return pointCount_;
}

bool ChartModel::ValidPointLocked(int pointIndex, int seriesIndex) const {
    return allocated_ && seriesIndex >= 0 && seriesIndex < kSeriesCount && pointIndex >= 0 &&
           pointIndex < pointCount_;
}

bool ChartModel::SetPoint(double x, double y, int pointIndex, int seriesIndex) {
    if (!std::isfinite(x) || !std::isfinite(y)) {
        return false;
    }
    std::lock_guard lock(mutex_);
    if (!ValidPointLocked(pointIndex, seriesIndex)) {
        return false;
    }
    Series& series = series_[static_cast<std::size_t>(seriesIndex)];
    const auto at = static_cast<std::size_t>(pointIndex);
    series.x[at] = Clamp(x, ranges_.xLowest, ranges_.xHighest);
    series.y[at] = Clamp(y, ranges_.yLowest, ranges_.yHighest);
    series.hasPoints = true;
    lastPointIndex_ = pointIndex;
    return true;
}

std::optional<ChartPoint> ChartModel::GetPoint(int pointIndex, int seriesIndex) const {
    std::lock_guard lock(mutex_);
    if (!ValidPointLocked(pointIndex, seriesIndex)) {
        return std::nullopt;
    }
    const Series& series = series_[static_cast<std::size_t>(seriesIndex)];
    const auto at = static_cast<std::size_t>(pointIndex);
    return ChartPoint{series.x[at], series.y[at]};
}

int ChartModel::LastPointIndex() const {
    std::lock_guard lock(mutex_);
    return lastPointIndex_;
}

void ChartModel::ResetLastPointIndex() {
    std::lock_guard lock(mutex_);
    lastPointIndex_ = 0;
}

PixelPoint ChartModel::Map(double x, double y) const {
    std::lock_guard lock(mutex_);
    return MapLocked(x, y);
}

PixelPoint ChartModel::MapLocked(double x, double y) const {
    return PixelPoint{plot_.left + PixelOffset(x - ranges_.xLowest, xPerPixel_),
                      plot_.bottom - PixelOffset(y - ranges_.yLowest, yPerPixel_)};
}

std::vector<double> ChartModel::LabelValuesLocked(double lowest, double highest, int divisions,
                                                  int step) const {
    std::vector<double> values;
    const double interval = (highest - lowest) / divisions;
    for (int k = 0; k <= divisions; k += step) {
        values.push_back(lowest + k * interval);
    }
    return values;
}

std::vector<double> ChartModel::XLabelValues() const {
    std::lock_guard lock(mutex_);
    return LabelValuesLocked(ranges_.xLowest, ranges_.xHighest, xDivisions_, xLabelStep_);
}

std::vector<double> ChartModel::YLabelValues() const {
    std::lock_guard lock(mutex_);
    return LabelValuesLocked(ranges_.yLowest, ranges_.yHighest, yDivisions_, yLabelStep_);
}

std::string ChartModel::LabelText(double value) {
    return Format("%5.0f", value);
}

ChartScene ChartModel::Compose(const TextMeasure& measure) const {
    std::lock_guard lock(mutex_);
    ChartScene scene;
    scene.client = client_;
    scene.frame = frame_;
    scene.background = kBackground;
    scene.plot = plot_;
    scene.frameColour = kFrameColour;
    scene.outlineWidth = kAxisLineWidth;
    ComposeAxesLocked(scene);
    ComposeGridLocked(scene);
    ComposeTextsLocked(scene, measure);
    ComposeCurvesLocked(scene, measure);
    return scene;
}

void ChartModel::ComposeAxesLocked(ChartScene& scene) const {
    const ChartRanges& r = ranges_;
    const double xMiddle = (r.xLowest + r.xHighest) / 2;
    const double yMiddle = (r.yLowest + r.yHighest) / 2;
    const double horizontalAt = axisLineMode_ == 0 ? r.yLowest : yMiddle;
    const double verticalAt = axisLineMode_ == 2 ? xMiddle : r.xLowest;
    scene.axisLines.push_back(ChartLine{MapLocked(r.xLowest, horizontalAt),
                                        MapLocked(r.xHighest, horizontalAt), kFrameColour,
                                        kAxisLineWidth});
    scene.axisLines.push_back(ChartLine{MapLocked(verticalAt, r.yLowest),
                                        MapLocked(verticalAt, r.yHighest), kFrameColour,
                                        kAxisLineWidth});
}

// One line per division mark, labelled or not: drawing a labelled mark a second time with
// the same solid pen would change no pixel.
void ChartModel::ComposeGridLocked(ChartScene& scene) const {
    const ChartRanges& r = ranges_;
    const double xInterval = (r.xHighest - r.xLowest) / xDivisions_;
    for (int k = 0; k <= xDivisions_; ++k) {
        const double x = r.xLowest + k * xInterval;
        scene.gridLines.push_back(
            ChartLine{MapLocked(x, r.yLowest), MapLocked(x, r.yHighest), kGridColour, 1});
    }
    const double yInterval = (r.yHighest - r.yLowest) / yDivisions_;
    for (int k = 0; k <= yDivisions_; ++k) {
        const double y = r.yLowest + k * yInterval;
        scene.gridLines.push_back(
            ChartLine{MapLocked(r.xLowest, y), MapLocked(r.xHighest, y), kGridColour, 1});
    }
}

void ChartModel::ComposeTextsLocked(ChartScene& scene, const TextMeasure& measure) const {
    const ChartRanges& r = ranges_;
    for (const double y : LabelValuesLocked(r.yLowest, r.yHighest, yDivisions_, yLabelStep_)) {
        ChartText label{LabelText(y), {}, ChartFont::Label, kTextColour};
        const TextExtent size = measure(label.text, label.font);
        const int lineY = MapLocked(r.xLowest, y).y;
        label.box.right = plot_.left - kLabelGap;
        label.box.left = label.box.right - size.width;
        label.box.top = lineY - size.height / 2;
        label.box.bottom = label.box.top + size.height;
        scene.yLabels.push_back(std::move(label));
    }
    for (const double x : LabelValuesLocked(r.xLowest, r.xHighest, xDivisions_, xLabelStep_)) {
        ChartText label{LabelText(x), {}, ChartFont::Rotated, kTextColour};
        const TextExtent size = measure(label.text, label.font);
        const int lineX = MapLocked(x, r.yLowest).x;
        label.box.left = lineX - size.height / 2;
        label.box.right = label.box.left + size.height;
        label.box.top = plot_.bottom + kLabelGap;
        label.box.bottom = label.box.top + size.width;
        scene.xLabels.push_back(std::move(label));
    }

    scene.xTitle = ChartText{xTitle_, {}, ChartFont::Label, kTextColour};
    TextExtent size = measure(xTitle_, ChartFont::Label);
    scene.xTitle.box.left = (client_.left + client_.right - size.width) / 2;
    scene.xTitle.box.right = scene.xTitle.box.left + size.width;
    scene.xTitle.box.bottom = client_.bottom - kLabelGap;
    scene.xTitle.box.top = scene.xTitle.box.bottom - size.height;

    scene.yTitle = ChartText{yTitle_, {}, ChartFont::Rotated, kTextColour};
    size = measure(yTitle_, ChartFont::Rotated);
    scene.yTitle.box.left = client_.left;
    scene.yTitle.box.right = client_.left + size.height;
    scene.yTitle.box.top = (client_.top + client_.bottom - size.width) / 2;
    scene.yTitle.box.bottom = scene.yTitle.box.top + size.width;

    scene.title = ChartText{title_, {}, ChartFont::Title, kTextColour};
    size = measure(title_, ChartFont::Title);
    scene.title.box.left = (frame_.left + frame_.right - size.width) / 2;
    scene.title.box.right = scene.title.box.left + size.width;
    scene.title.box.top = frame_.top;
    scene.title.box.bottom = frame_.top + size.height;
}

void ChartModel::ComposeCurvesLocked(ChartScene& scene, const TextMeasure& measure) const {
    if (lastPointIndex_ == 0 || !allocated_) {
        return;
    }
    const int last = std::min(lastPointIndex_, pointCount_ - 1);
    const int rowTop = plot_.top + kLabelGap;
    int nextX = plot_.left + kLabelGap;
    // Series 0 exists for the caller's bookkeeping and is never drawn.
    for (int s = 1; s < kSeriesCount; ++s) {
        const Series& series = series_[static_cast<std::size_t>(s)];
        ChartCurve curve{s, series.colour, kCurveWidth, {}};
        curve.points.reserve(static_cast<std::size_t>(last) + 1);
        for (int i = 0; i <= last; ++i) {
            const auto at = static_cast<std::size_t>(i);
            curve.points.push_back(MapLocked(series.x[at], series.y[at]));
        }
        scene.curves.push_back(std::move(curve));

        const TextExtent size = measure(series.name, ChartFont::Label);
        LegendEntry entry;
        entry.series = s;
        const int lineY = rowTop + size.height / 2;
        entry.line =
            ChartLine{{nextX, lineY}, {nextX + kLegendLine, lineY}, series.colour, kCurveWidth};
        entry.name = ChartText{series.name, {}, ChartFont::Label, kTextColour};
        entry.name.box.left = nextX + kLegendTextOffset;
        entry.name.box.right = entry.name.box.left + size.width;
        entry.name.box.top = rowTop;
        entry.name.box.bottom = rowTop + size.height;
        nextX = entry.name.box.right + kLabelGap;
        scene.legend.push_back(std::move(entry));
    }
}

void ChartModel::Redraw() {
    std::function<void()> listener;
    {
        std::lock_guard lock(mutex_);
        ++revision_;
        listener = redrawListener_;
    }
    if (listener) {
        listener();
    }
}

void ChartModel::SetRedrawListener(std::function<void()> listener) {
    std::lock_guard lock(mutex_);
    redrawListener_ = std::move(listener);
}

std::uint64_t ChartModel::Revision() const {
    std::lock_guard lock(mutex_);
    return revision_;
}

}  // namespace skelvane
