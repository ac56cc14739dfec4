#include "upgrade/schedule_table.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "base/format.h"

namespace skelvane {
namespace {

constexpr std::string_view kErrorCaption = "Error";

bool IsSeparator(char c) {
    return c == ',' || c == ' ';
}

// A token as C's atoi reads it (leading white space, a sign, the leading digits, 0 when there
// are none), except that a number too large for any unit address stays too large instead of
// wrapping around into the valid range.
std::int64_t ReadUa(std::string_view token) {
    std::size_t i = 0;
    while (i < token.size() && (token[i] == '\t' || token[i] == '\n' || token[i] == '\v' ||
                                token[i] == '\f' || token[i] == '\r')) {
        ++i;
    }
    bool negative = false;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) {
        negative = token[i] == '-';
        ++i;
    }
    std::int64_t value = 0;
    for (; i < token.size() && token[i] >= '0' && token[i] <= '9'; ++i) {
        value = std::min<std::int64_t>(value * 10 + (token[i] - '0'), 1'000'000'000);
    }
    return negative ? -value : value;
}

bool Refuse(Prompter& prompter, std::string_view text) {
    prompter.Message(text, kErrorCaption, MessageIcon::Information, MessageButtons::Ok);
    return false;
}

}  // namespace

void ScheduleTable::Reset() {
    std::lock_guard lock(mutex_);
    entries_.fill(kEmpty);
    filled_ = 0;
}

bool ScheduleTable::Append(std::uint16_t ua) {
    std::lock_guard lock(mutex_);
    if (filled_ >= kEntries) {
        return false;
    }
    entries_[filled_++] = ua;
    return true;
}

bool ScheduleTable::Contains(std::uint32_t value) const {
    std::lock_guard lock(mutex_);
    return std::find(entries_.begin(), entries_.end(), value) != entries_.end();
}

std::optional<std::uint16_t> ScheduleTable::FirstPending() const {
    std::lock_guard lock(mutex_);
    for (const std::uint32_t entry : entries_) {
        if (entry != kEmpty) {
            return static_cast<std::uint16_t>(entry);
        }
    }
    return std::nullopt;
}

bool ScheduleTable::MarkDone(std::uint16_t ua) {
    std::lock_guard lock(mutex_);
    const auto found = std::find(entries_.begin(), entries_.end(), std::uint32_t{ua});
    if (found == entries_.end()) {
        return false;
    }
    *found = kEmpty;
    return true;
}

std::array<std::uint32_t, ScheduleTable::kEntries> ScheduleTable::Entries() const {
    std::lock_guard lock(mutex_);
    return entries_;
}

std::size_t ScheduleTable::Filled() const {
    std::lock_guard lock(mutex_);
    return filled_;
}

bool CheckUaList(std::string_view list, ScheduleTable& table, Prompter& prompter) {
    table.Reset();
    if (list == "0") {
        return false;
    }
    std::size_t at = 0;
    while (at < list.size()) {
        if (IsSeparator(list[at])) {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < list.size() && !IsSeparator(list[end])) {
            ++end;
        }
        const std::int64_t ua = ReadUa(list.substr(at, end - at));
        at = end;
        if (ua < 2 || ua > 65534) {
            return Refuse(prompter, kUaOutOfRangeText);
        }
        if (table.Contains(static_cast<std::uint32_t>(ua))) {
            return Refuse(prompter, kDuplicateUaText);
        }
        if (!table.Append(static_cast<std::uint16_t>(ua))) {
            return Refuse(prompter,
                          Format(kMaximumUnitsFormat, static_cast<int>(ScheduleTable::kEntries)));
        }
    }
    if (table.Filled() == 0) {
        return Refuse(prompter, kEmptyUaListText);
    }
    return true;
}

std::optional<LocalTime> ParseScheduleMinute(std::string_view text) {
    if (text.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    const std::string zeroEnded(text);
    LocalTime time;
    char end = 0;
    if (std::sscanf(zeroEnded.c_str(), "%4d-%2d-%2d %2d:%2d%c", &time.year, &time.month, &time.day,
                    &time.hour, &time.minute, &end) != 5 ||
        time.month < 1 || time.month > 12 || time.day < 1 || time.hour < 0 || time.hour > 23 ||
        time.minute < 0 || time.minute > 59) {
        return std::nullopt;
    }
    // A day that does not exist in its month comes back as another date.
    if (FromEpochMillis(ToEpochMillis(time)) != time) {
        return std::nullopt;
    }
    return time;
}

}  // namespace skelvane
