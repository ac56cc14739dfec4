#include "spectrum/spectrum_chart.h"

#include <array>
#include <cstdio>

#include "base/format.h"
#include "document/file_replace.h"
#include "spectrum/scan_parser.h"

namespace skelvane {
namespace {

struct SeriesLook {
    Rgb colour;
    const char* name;
};

// Series 0 exists for the chart's bookkeeping and is never drawn.
constexpr std::array<SeriesLook, ChartModel::kSeriesCount> kSeriesLooks = {{
    {{255, 255, 255}, ""},
    {{255, 0, 255}, "MeanHold"},
    {{0, 0, 255}, "MeanValue"},
    {{255, 0, 0}, "MaxHold"},
    {{0, 255, 0}, "MaxValue"},
}};

}  // namespace

bool SetUpSpectrumChart(ChartModel& chart, const ChannelPlan& plan, Prompter& prompter) {
    chart.SetDivisions(plan.xDivisions, kLevelDivisions);
    chart.ReleasePoints();
    if (!chart.AllocatePoints(plan.channelCount, prompter)) {
        prompter.Message("Error allocating chart serie", "", MessageIcon::Exclamation,
                         MessageButtons::Ok);
        return false;
    }
    chart.SetTitle("My");
    chart.SetAxisTitles("Frequency  (MHz)", "Noise Level (dBm)");
    chart.SetRanges(plan.xLowestMhz, plan.xHighestMhz, kLevelFloor, kLevelCeiling);
    chart.SetAxisLineMode(2);
    chart.SetLabelSteps(1, 1);
    for (int s = 0; s < ChartModel::kSeriesCount; ++s) {
        chart.SetSeries(s, kSeriesLooks[static_cast<std::size_t>(s)].colour,
                        kSeriesLooks[static_cast<std::size_t>(s)].name);
    }
    ClearSpectrumChart(chart, plan);
    return true;
}

void ClearSpectrumChart(ChartModel& chart, const ChannelPlan& plan) {
    for (int s = kMeanHold; s <= kMaxValue; ++s) {
        for (int channel = 1; channel <= plan.channelCount; ++channel) {
            chart.SetPoint(plan.ChannelMhz(channel), kClearedLevel, channel - 1, s);
        }
    }
    chart.ResetLastPointIndex();
    chart.Redraw();
}

std::string SpectrumCsv(const ChartModel& chart, const ChannelPlan& plan) {
    std::string csv = "frequency_mhz,mean_dbm,max_dbm,mean_hold_dbm,max_hold_dbm\n";
    for (int channel = 1; channel <= plan.channelCount; ++channel) {
        const int point = channel - 1;
        const auto mean = chart.GetPoint(point, kMeanValue);
        const auto peak = chart.GetPoint(point, kMaxValue);
        const auto meanHold = chart.GetPoint(point, kMeanHold);
        const auto peakHold = chart.GetPoint(point, kMaxHold);
        if (!mean || !peak || !meanHold || !peakHold) {
            break;
        }
        csv += Format("%.3f,%.0f,%.0f,%.0f,%.0f\n", plan.ChannelMhz(channel), mean->y, peak->y,
                      meanHold->y, peakHold->y);
    }
    return csv;
}

bool SaveSpectrumCsv(const std::filesystem::path& path, const std::string& csv) {
    return ReplaceFile(path, [&csv](std::FILE* file) {
        return std::fwrite(csv.data(), 1, csv.size(), file) == csv.size();
    });
}

}  // namespace skelvane
