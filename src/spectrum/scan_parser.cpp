#include "spectrum/scan_parser.h"

#include <algorithm>
#include <optional>

#include "base/decimal.h"
#include "base/format.h"
#include "spectrum/chart_model.h"

namespace skelvane {
namespace {

constexpr std::size_t npos = std::string_view::npos;
// The bars count levels up from -111 dBm.
constexpr int kBarFloor = -111;
// The level text is four characters from its '-'.
constexpr std::size_t kLevelLength = 4;

// Position of `needle` from `from` on, after the first character of the text.
std::size_t FindAfterFirst(std::string_view text, std::string_view needle, std::size_t from) {
    return from > text.size() ? npos : text.find(needle, std::max<std::size_t>(from, 1));
}

// The line from `from` up to its CR LF (or the end of the answer).
std::string_view RestOfLine(std::string_view text, std::size_t from) {
    const std::size_t end = text.find("\r\n", from);
    return text.substr(from, end == npos ? npos : end - from);
}

// The level of a line starting at `from`: the decimal value of the four characters from the
// first '-'. nullopt when the line has no "dBm" or no '-' after `from`.
std::optional<int> MeanLevel(std::string_view text, std::size_t from) {
    if (text.find("dBm", from) == npos) {
        return std::nullopt;
    }
    const std::size_t minus = text.find('-', from);
    if (minus == npos) {
        return std::nullopt;
    }
    return ParseInt32(text.substr(minus, kLevelLength));
}

ChannelReading Reading(const ChannelPlan& plan, int channel, int mean, int peak, bool paging) {
    return ChannelReading{channel, plan.ChannelMhz(channel), mean, peak, paging};
}

void ReadChannelLines(std::string_view text, ScanPosition& at, const ChannelPlan& plan,
                      std::vector<ChannelReading>& readings) {
    for (;;) {
        const std::string tag = Format("ch %d ", at.channel);
        const std::size_t found = FindAfterFirst(text, tag, at.text);
        if (found == npos || at.channel > plan.channelCount) {
            return;
        }
        at.text = found;
        const std::optional<int> mean = MeanLevel(text, at.text);
        if (!mean) {
            return;
        }
        const std::string_view line = RestOfLine(text, at.text);
        const auto dots = static_cast<int>(std::count(line.begin(), line.end(), '.'));
        const auto stars = static_cast<int>(std::count(line.begin(), line.end(), '*'));
        // A lone '*' marks the mean only; from two on the stars extend the bar.
        const int bar = dots + (stars > 1 ? stars : 0);
        const int peak = bar > 0 ? bar + kBarFloor : *mean;
        readings.push_back(Reading(plan, at.channel, *mean, peak, false));
        ++at.channel;
        at.text += 2;
    }
}

void ReadPagingLines(std::string_view text, ScanPosition& at, const ChannelPlan& plan,
                     std::vector<ChannelReading>& readings) {
    for (;;) {
        const std::size_t found = FindAfterFirst(text, "Paging", at.text);
        if (found == npos || at.channel >= plan.channelCount) {
            return;
        }
        at.text = found;
        const std::optional<int> mean = MeanLevel(text, at.text);
        if (!mean) {
            return;
        }
        const std::string_view line = RestOfLine(text, at.text);
        const auto dots = static_cast<int>(std::count(line.begin(), line.end(), '.'));
        readings.push_back(Reading(plan, at.channel, *mean, dots + 1 + kBarFloor, true));
        at.text += 2;
        ++at.channel;
    }
}

}  // namespace

std::vector<ChannelReading> ParseScanAnswer(std::string_view answer, ScanPosition& position,
                                            const ChannelPlan& plan) {
    std::vector<ChannelReading> readings;
    ReadChannelLines(answer, position, plan, readings);
    ReadPagingLines(answer, position, plan, readings);
    if (FindAfterFirst(answer, "OK", 0) != npos) {
        position = ScanPosition{};
    }
    return readings;
}

void ApplyReadings(ChartModel& chart, const std::vector<ChannelReading>& readings) {
    for (const ChannelReading& r : readings) {
        const int point = r.channel - 1;
        chart.SetPoint(r.frequencyMhz, r.mean, point, kMeanValue);
        if (const auto hold = chart.GetPoint(point, kMeanHold); hold && r.mean > hold->y) {
            chart.SetPoint(r.frequencyMhz, r.mean, point, kMeanHold);
        }
        chart.SetPoint(r.frequencyMhz, r.peak, point, kMaxValue);
        if (const auto hold = chart.GetPoint(point, kMaxHold); hold && r.peak > hold->y) {
            chart.SetPoint(r.frequencyMhz, r.peak, point, kMaxHold);
        }
    }
}

}  // namespace skelvane
