#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "base/guarded.h"
#include "spectrum/model_table.h"

namespace skelvane {

class ChartModel;

// Where the scan parser goes on: a position in the answer text and the number of the channel
// it looks for next. An answer that ends without "OK" leaves both as they were, so the next
// answer continues with the next channel.
struct ScanPosition {
    std::size_t text = 0;
    int channel = 1;

    friend bool operator==(const ScanPosition&, const ScanPosition&) = default;
};

// The program's one scan position, kept from one answer to the next and from one spectrum
// page to the next. Created by the program and handed to every page.
using ScanParserState = Guarded<ScanPosition>;

// What one line of a scan answer says about one channel (levels in dBm, as sent).
struct ChannelReading {
    int channel = 0;  // from 1
    double frequencyMhz = 0;
    int mean = 0;
    int peak = 0;
    bool paging = false;

    friend bool operator==(const ChannelReading&, const ChannelReading&) = default;
};

// Reads the channel lines ("ch N " ... "dBm" and a bar of '.' and '*') and then the
// "Paging" lines of one answer to "ATg", from `position` on, and moves `position` along.
// When the answer holds "OK" the position starts again at the top and at channel 1.
// Only the bytes of `answer` are ever looked at: a position carried over from a longer
// answer finds nothing.
//
// Bytes lost or changed on the way spoil lines, and a spoilt line is dropped from the sweep
// instead of being read as something it does not say: a whole line (up to its CR LF) whose
// level does not read as a number after its '-', that has no "dBm", or whose mean is above
// the peak its bar gives. A channel line that is missing altogether (the next line found is
// for a later channel) drops the channels in between. `dropped` (when given) gets the number
// of channels dropped. A line cut off by the end of the answer is left for the next answer,
// as every channel after it.
std::vector<ChannelReading> ParseScanAnswer(std::string_view answer, ScanPosition& position,
                                            const ChannelPlan& plan, int* dropped = nullptr);

// The chart's series of the spectrum page.
enum SpectrumSeries : int { kMeanHold = 1, kMeanValue = 2, kMaxHold = 3, kMaxValue = 4 };

// Puts readings on the chart: the values of the last scan, and the holds where a reading
// is above them.
void ApplyReadings(ChartModel& chart, const std::vector<ChannelReading>& readings);

}  // namespace skelvane
