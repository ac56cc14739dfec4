#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string_view>

#include "base/clock.h"
#include "base/prompter.h"

namespace skelvane {

// The units of a scheduled upgrade, one entry each in the order of the UA list; 0xFFFF marks
// an empty or completed entry. One table for the whole program (it lives in the program-wide
// state); the dialog fills and reads it, the upgrade worker marks its unit done. Thread-safe.
class ScheduleTable {
  public:
    static constexpr std::size_t kEntries = 256;
    static constexpr std::uint32_t kEmpty = 0xFFFF;

    ScheduleTable() { Reset(); }

    // Every entry empty.
    void Reset();
    // Puts `ua` into the next entry; false when all 256 have been filled since the reset.
    bool Append(std::uint16_t ua);
    bool Contains(std::uint32_t value) const;
    // The first entry that is not empty.
    std::optional<std::uint16_t> FirstPending() const;
    // Empties the first entry that holds `ua`; false when none does.
    bool MarkDone(std::uint16_t ua);

    std::array<std::uint32_t, kEntries> Entries() const;
    // Entries filled since the reset (completed ones included).
    std::size_t Filled() const;

  private:
    mutable std::mutex mutex_;
    std::array<std::uint32_t, kEntries> entries_{};
    std::size_t filled_ = 0;
};

// Messages of the UA list check (caption "Error", information icon).
inline constexpr std::string_view kUaOutOfRangeText =
    "UA out of range or wrong format on UA list.\n\nUA1,UA2...,UA16, and\nUA? = 2~65534.";
inline constexpr std::string_view kDuplicateUaText = "Duplicate UA detected.";
inline constexpr const char* kMaximumUnitsFormat = "Maximum %d units allowed.";
inline constexpr std::string_view kEmptyUaListText = "The list of UA is empty.";

// Fills `table` from a UA list such as "2,123 876,,111": tokens separated by commas and
// blanks, each a unit address of 2 to 65534, no address twice, at most 256. A refusal shows
// its message through `prompter` (none for the list "0") and leaves the entries filled so
// far. True when the table holds at least one unit.
bool CheckUaList(std::string_view list, ScheduleTable& table, Prompter& prompter);

// A schedule instant typed as "YYYY-MM-DD HH:MM": that local date and time (seconds 0);
// nullopt for anything else, a date that does not exist included.
std::optional<LocalTime> ParseScheduleMinute(std::string_view text);

}  // namespace skelvane
