#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/listener_slot.h"
#include "link/port_factory.h"

namespace skelvane {

enum class UnitAnswer {
    Unknown,   // never asked, as far as this run knows
    Answered,  // its last exchange got a reply
    Silent,    // its last exchange got none
};

// What the program's exchanges last learned about one unit.
struct UnitStatus {
    UnitAnswer answer = UnitAnswer::Unknown;
    std::optional<LocalTime> lastAnswer;   // when a reply of it last came
    std::optional<LocalTime> lastSilence;  // when a request to it last went unanswered
    std::string version;                   // its last version text (Latin-1), empty until read
    // The last value byte of each register a reply of it carried.
    std::map<std::uint8_t, std::uint8_t> registers;

    // The number a register list (most significant byte first) makes of the bytes seen;
    // nullopt unless every one of them has been seen.
    std::optional<std::uint32_t> Number(const std::vector<std::uint8_t>& registerIds) const;
};

// The live status of every unit the program has talked to, kept from the exchanges the device
// links report (it is the port factory's exchange observer). A valid reply marks its sender
// answered and keeps its version text and register bytes; an unanswered request marks the
// unit it was for silent. A request to the unit on the cable (UA 0) counts for the unit whose
// address its replies carry; until one has come, for UA 0. Thread-safe.
class UnitStatusBoard final : public ExchangeObserver {
  public:
    explicit UnitStatusBoard(Clock& clock) : clock_(clock) {}

    void ExchangeDone(const std::string& portName, std::span<const std::uint8_t> request,
                      std::span<const std::uint8_t> reply, bool replyExpected) override;

    // The status of a unit (Unknown when nothing is known).
    UnitStatus Find(std::uint16_t ua) const;
    // The address of the unit on the cable as its replies gave it.
    std::optional<std::uint16_t> CableUa() const;
    // Counts the changes: what a view compares to see whether to redraw.
    std::uint64_t Revision() const;
    void Clear();

    // Called (on the exchange's thread, without the board's lock) after every change.
    void SetChangeListener(std::function<void()> listener) { listener_.Set(std::move(listener)); }

  private:
    void Changed() { listener_(); }

    Clock& clock_;
    mutable std::mutex mutex_;
    std::map<std::uint16_t, UnitStatus> units_;
    std::optional<std::uint16_t> cableUa_;
    std::uint64_t revision_ = 0;
    ListenerSlot<> listener_;
};

}  // namespace skelvane
