#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "base/guarded.h"

namespace skelvane {

// Frequencies travel as offsets in kHz from the bottom of the 900 MHz band.
inline constexpr std::uint32_t kBaseFrequencyKhz = 902400;
// Marks an unused range of an entry and an unused slot of the repeater list.
inline constexpr std::uint16_t kVacant = 0xFFFF;
inline constexpr int kRangesPerEntry = 8;
inline constexpr int kRestrictionEntryCount = 16;
inline constexpr int kRepeaterSlotCount = 16;

// One frequency-restriction entry as a unit stores it: the restricted unit address (0 = the
// entry is empty) and up to eight ranges of offsets from kBaseFrequencyKhz.
struct RestrictionEntry {
    std::uint16_t ua = 0;
    std::array<std::uint16_t, kRangesPerEntry> start = Vacant();
    std::array<std::uint16_t, kRangesPerEntry> end = Vacant();

    // Back to the empty entry: UA 0, every range vacant.
    void Clear() {
        ua = 0;
        start = Vacant();
        end = Vacant();
    }
    bool HasRanges() const { return start[0] != kVacant; }

    friend bool operator==(const RestrictionEntry&, const RestrictionEntry&) = default;

  private:
    static constexpr std::array<std::uint16_t, kRangesPerEntry> Vacant() {
        std::array<std::uint16_t, kRangesPerEntry> ranges{};
        ranges.fill(kVacant);
        return ranges;
    }
};

// The sixteen entries a unit keeps, index 0 to 15 (entry numbers 1 to 16).
struct RestrictionTable {
    std::array<RestrictionEntry, kRestrictionEntryCount> entries{};

    friend bool operator==(const RestrictionTable&, const RestrictionTable&) = default;
};

// The repeater registration list: addresses 2 to 65534 in ascending order after validation,
// vacant slots (kVacant) last. Every slot holds 0 until the first validation.
struct RepeaterList {
    std::array<std::uint16_t, kRepeaterSlotCount> slots{};

    friend bool operator==(const RepeaterList&, const RepeaterList&) = default;
};

// The program's one restriction table and repeater list. Created by the program and handed to
// the Restrictions page and its worker; the page validates edits on the GUI thread while a
// worker may rebuild and send the lists, so both are copied in and out under a lock and
// nobody holds a reference into them.
class RestrictionState {
  public:
    RestrictionTable Table() const { return table_.Get(); }
    void SetTable(const RestrictionTable& table) { table_.Set(table); }
    RepeaterList Repeaters() const { return repeaters_.Get().value_or(RepeaterList{}); }
    void SetRepeaters(const RepeaterList& repeaters) { repeaters_.Set(repeaters); }
    // Whether a repeater list was built in this run; until then the slots hold 0, which is
    // no list to send.
    bool RepeatersBuilt() const { return repeaters_.Get().has_value(); }

  private:
    Guarded<RestrictionTable> table_;
    Guarded<std::optional<RepeaterList>> repeaters_;
};

}  // namespace skelvane
