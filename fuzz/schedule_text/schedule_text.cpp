// Arbitrary text as the schedule's UA list and as a start or end time. Besides the sanitizers
// it checks what an accepted text must give, and that the units or time accepted, written out
// again, read back the same.

#include <cstdint>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "base/format.h"
#include "base/prompter.h"
#include "fuzz_support.h"
#include "upgrade/schedule_table.h"

namespace {

using namespace skelvane;
using fuzz::Check;

void FuzzUaList(std::string_view text) {
    ScheduleTable table;
    RecordingPrompter prompter;
    if (!CheckUaList(text, table, prompter)) {
        Check(prompter.Count() == (text == "0" ? 0u : 1u));
        return;
    }
    Check(prompter.Count() == 0 && table.Filled() >= 1);
    std::string list;
    const auto entries = table.Entries();
    for (std::size_t i = 0; i < table.Filled(); ++i) {
        const std::uint32_t ua = entries[i];
        Check(ua >= 2 && ua <= 65534);
        for (std::size_t j = 0; j < i; ++j) {
            Check(entries[j] != ua);
        }
        list += Format(i % 2 == 0 ? "%u," : "%u ", ua);
    }
    ScheduleTable again;
    Check(CheckUaList(list, again, prompter) && again.Entries() == entries);
}

void FuzzMinute(std::string_view text) {
    const std::optional<LocalTime> time = ParseScheduleMinute(text);
    if (!time) {
        return;
    }
    Check(time->month >= 1 && time->month <= 12 && time->day >= 1 && time->day <= 31);
    Check(time->hour >= 0 && time->hour <= 23 && time->minute >= 0 && time->minute <= 59);
    Check(time->second == 0 && time->millisecond == 0);
    Check(FromEpochMillis(ToEpochMillis(*time)) == *time);
    const std::string written = Format("%04d-%02d-%02d %02d:%02d", time->year, time->month,
                                       time->day, time->hour, time->minute);
    Check(ParseScheduleMinute(written) == time);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    FuzzUaList(text);
    FuzzMinute(text);
    return 0;
}
