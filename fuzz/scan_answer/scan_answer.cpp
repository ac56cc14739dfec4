// Arbitrary bytes as the radio's answers to "ATg", fed to the scan parser one after another
// with the position carried over, and the readings put on a chart. Besides the sanitizers
// it checks what any answer must leave behind.
//
// Input: byte 0 picks the channel plan, byte 1 the channel the parser starts from; the rest
// is split into answers at every 0xFE byte.

#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "base/prompter.h"
#include "fuzz_support.h"
#include "spectrum/at_exchange.h"
#include "spectrum/chart_model.h"
#include "spectrum/scan_parser.h"
#include "spectrum/spectrum_chart.h"

namespace {

using namespace skelvane;
using fuzz::Check;

constexpr std::array<ChannelPlan, 5> kPlans = {{
    {902.4, 280, 140, 900, 932, 32},
    {903.75, 1500, 20, 900, 932, 32},
    {2401.6, 50, 1530, 2400, 2482, 42},
    {902.4, 280, 1, 900, 932, 32},
    {902.4, 280, 3, 900, 932, 32},
}};

// Spoilt and missing lines are dropped: the readings go up channel by channel except where
// a channel was dropped, and every channel passed over is either read or dropped.
void CheckReadings(std::string_view answer, const std::vector<ChannelReading>& readings,
                   int dropped, const ScanPosition& before, const ScanPosition& after,
                   const ChannelPlan& plan) {
    int previous = before.channel - 1;
    for (const ChannelReading& r : readings) {
        Check(r.channel > previous && r.channel - previous - 1 <= dropped);
        Check(r.channel >= 1 && r.channel <= plan.channelCount);
        Check(!r.paging || r.channel < plan.channelCount);
        // A bar is never longer than the answer.
        Check(r.peak == r.mean || (r.peak >= -111 && r.peak <= -111 + int(answer.size()) + 1));
        previous = r.channel;
    }
    if (AnswerHasOk(answer)) {
        Check(after == ScanPosition{});
    } else {
        Check(after.channel == before.channel + static_cast<int>(readings.size()) + dropped);
        Check(after.text == before.text || after.text <= answer.size() + 2);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const ChannelPlan& plan = kPlans[data[0] % kPlans.size()];
    ScanPosition position{0, 1 + data[1] % 160};
    fuzz::SilentPrompter prompter;
    ChartModel chart;
    Check(SetUpSpectrumChart(chart, plan, prompter));

    const std::string_view input(reinterpret_cast<const char*>(data + 2), size - 2);
    std::size_t from = 0;
    while (from <= input.size()) {
        std::size_t end = input.find('\xFE', from);
        if (end == std::string_view::npos) {
            end = input.size();
        }
        const std::string_view answer = input.substr(from, end - from);
        const ScanPosition before = position;
        int dropped = -1;
        const std::vector<ChannelReading> readings =
            ParseScanAnswer(answer, position, plan, &dropped);
        Check(dropped >= 0);
        CheckReadings(answer, readings, dropped, before, position, plan);
        ApplyReadings(chart, readings);

        // The short answers' line, whatever the bytes.
        Check(AnswerLine(answer, kReadLinkRate, 19).size() <= 19);
        AnswerLine(answer, kReadModel);
        from = end + 1;
    }

    const ChartRanges ranges = chart.Ranges();
    for (int series = kMeanHold; series <= kMaxValue; ++series) {
        for (int point = 0; point < chart.PointCount(); ++point) {
            const auto p = chart.GetPoint(point, series);
            Check(p && p->y >= ranges.yLowest && p->y <= ranges.yHighest);
        }
    }
    for (int point = 0; point < chart.PointCount(); ++point) {
        Check(chart.GetPoint(point, kMeanHold)->y >= chart.GetPoint(point, kMeanValue)->y);
        Check(chart.GetPoint(point, kMaxHold)->y >= chart.GetPoint(point, kMaxValue)->y);
    }
    return 0;
}
