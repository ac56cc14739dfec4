#include "spectrum/scan_parser.h"

#include <algorithm>
#include <optional>
#include <utility>

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

// The next channel line's tag, "ch " and a number and a blank, from `from` on: its position
// and number.
std::optional<std::pair<std::size_t, int>> NextChannelTag(std::string_view text, std::size_t from) {
    for (std::size_t at = FindAfterFirst(text, "ch ", from); at != npos;
         at = FindAfterFirst(text, "ch ", at + 1)) {
        std::size_t end = at + 3;
        while (end < text.size() && end - at < 3 + 9 && text[end] >= '0' && text[end] <= '9') {
            ++end;
        }
        if (end > at + 3 && end < text.size() && text[end] == ' ') {
            return std::make_pair(at, ParseInt32(text.substr(at + 3, end - at - 3)));
        }
    }
    return std::nullopt;
}

// What one line says, or why it says nothing.
struct LineReading {
    enum class Kind { Read, Spoilt, Unfinished } kind = Kind::Unfinished;
    int mean = 0;
    int peak = 0;
};

// The line from `from` up to its CR LF: the level from its first '-' (four characters) and
// the bar, counted as `peakOf` says.
template <typename PeakOf>
LineReading ReadLine(std::string_view text, std::size_t from, PeakOf peakOf) {
    const std::size_t end = text.find("\r\n", from);
    if (end == npos) {
        return {};
    }
    const std::string_view line = text.substr(from, end - from);
    const std::size_t minus = line.find('-');
    if (line.find("dBm") == npos || minus == npos || minus + 1 >= line.size() ||
        line[minus + 1] < '0' || line[minus + 1] > '9') {
        return {LineReading::Kind::Spoilt};
    }
    const int mean = ParseInt32(line.substr(minus, kLevelLength));
    const auto dots = static_cast<int>(std::count(line.begin(), line.end(), '.'));
    const auto stars = static_cast<int>(std::count(line.begin(), line.end(), '*'));
    const int peak = peakOf(mean, dots, stars);
    if (mean > peak) {
        return {LineReading::Kind::Spoilt};
    }
    return {LineReading::Kind::Read, mean, peak};
}

ChannelReading Reading(const ChannelPlan& plan, int channel, int mean, int peak, bool paging) {
    return ChannelReading{channel, plan.ChannelMhz(channel), mean, peak, paging};
}

void ReadChannelLines(std::string_view text, ScanPosition& at, const ChannelPlan& plan,
                      std::vector<ChannelReading>& readings, int& dropped) {
    // A lone '*' marks the mean only; from two on the stars extend the bar.
    const auto peakOf = [](int mean, int dots, int stars) {
        const int bar = dots + (stars > 1 ? stars : 0);
        return bar > 0 ? bar + kBarFloor : mean;
    };
    while (at.channel <= plan.channelCount) {
        std::optional<std::pair<std::size_t, int>> tag = NextChannelTag(text, at.text);
        // Lines of channels already read (an answer repeated in part) are passed over.
        while (tag && tag->second < at.channel) {
            tag = NextChannelTag(text, tag->first + 1);
        }
        if (!tag || tag->second > plan.channelCount) {
            return;
        }
        const LineReading line = ReadLine(text, tag->first, peakOf);
        if (line.kind == LineReading::Kind::Unfinished) {
            if (tag->second == at.channel) {
                at.text = tag->first;
            }
            return;
        }
        dropped += tag->second - at.channel;
        at.channel = tag->second;
        at.text = tag->first;
        if (line.kind == LineReading::Kind::Read) {
            readings.push_back(Reading(plan, at.channel, line.mean, line.peak, false));
        } else {
            ++dropped;
        }
        ++at.channel;
        at.text += 2;
    }
}

void ReadPagingLines(std::string_view text, ScanPosition& at, const ChannelPlan& plan,
                     std::vector<ChannelReading>& readings, int& dropped) {
    // Paging bars count their dots only, from one above the floor.
    const auto peakOf = [](int, int dots, int) { return dots + 1 + kBarFloor; };
    for (;;) {
        const std::size_t found = FindAfterFirst(text, "Paging", at.text);
        if (found == npos || at.channel >= plan.channelCount) {
            return;
        }
        const LineReading line = ReadLine(text, found, peakOf);
        if (line.kind == LineReading::Kind::Unfinished) {
            at.text = found;
            return;
        }
        at.text = found;
        if (line.kind == LineReading::Kind::Read) {
            readings.push_back(Reading(plan, at.channel, line.mean, line.peak, true));
        } else {
            ++dropped;
        }
        at.text += 2;
        ++at.channel;
    }
}

}  // namespace

std::vector<ChannelReading> ParseScanAnswer(std::string_view answer, ScanPosition& position,
                                            const ChannelPlan& plan, int* dropped) {
    std::vector<ChannelReading> readings;
    int spoilt = 0;
    ReadChannelLines(answer, position, plan, readings, spoilt);
    ReadPagingLines(answer, position, plan, readings, spoilt);
    if (FindAfterFirst(answer, "OK", 0) != npos) {
        position = ScanPosition{};
    }
    if (dropped != nullptr) {
        *dropped = spoilt;
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
