#pragma once

#include <filesystem>
#include <string>

#include "base/prompter.h"
#include "spectrum/chart_model.h"
#include "spectrum/model_table.h"

namespace skelvane {

// The level below every level a radio reports; the chart holds it at its floor.
inline constexpr double kClearedLevel = -125;
inline constexpr double kLevelFloor = -120;
inline constexpr double kLevelCeiling = -30;
inline constexpr int kLevelDivisions = 19;

// Frames the chart for a plan: divisions, fresh point storage for every channel, titles,
// ranges, axis lines, series names and colours, every point cleared, redrawn. False when the
// points cannot be had (after the message "Error allocating chart serie").
bool SetUpSpectrumChart(ChartModel& chart, const ChannelPlan& plan, Prompter& prompter);

// Every point of the four curves at its channel's frequency and the floor, so the holds
// start again; nothing is drawn until new levels arrive.
void ClearSpectrumChart(ChartModel& chart, const ChannelPlan& plan);

// The four curves as comma-separated values: a header line, then for each channel its
// frequency in MHz, the mean and peak of the last scan and their holds, in dBm.
std::string SpectrumCsv(const ChartModel& chart, const ChannelPlan& plan);

// Writes `csv` to `path` through a temporary file renamed over it: on any failure the file
// that was there is left as it was. False on failure.
bool SaveSpectrumCsv(const std::filesystem::path& path, const std::string& csv);

}  // namespace skelvane
