#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"

namespace skelvane::sim {

// What can go wrong with bytes on their way, in one direction.
struct FaultSettings {
    double dropByte = 0;         // chance that a byte is lost
    double corruptByte = 0;      // chance that a byte arrives with one bit flipped
    double extraByte = 0;        // chance that a stray byte follows a byte
    Millis delay{0};             // added to the travel time of everything
    std::size_t splitEvery = 0;  // cut what is sent into pieces of this many bytes ...
    Millis splitGap{0};          // ... each this much later than the piece before

    bool Active() const;
};

// Bytes that become due at a time.
struct TimedBytes {
    Millis due{0};
    std::vector<std::uint8_t> bytes;
};

// Applies FaultSettings to what is sent. Deterministic for a given seed, so a test that
// injects faults sees the same faults on every run.
class FaultFilter {
  public:
    explicit FaultFilter(std::uint32_t seed = 1) : random_(seed) {}

    FaultSettings settings;

    // The pieces, in order, that `bytes` sent at `now` become: due times include the delay
    // and the split gaps but not the wire time.
    std::vector<TimedBytes> Apply(Millis now, const std::vector<std::uint8_t>& bytes);

    void Reseed(std::uint32_t seed) { random_.seed(seed); }

  private:
    bool Chance(double probability);

    std::mt19937 random_;
};

// What can go wrong on a unit's side of a soft upgrade.
struct UpgradeFaults {
    int lostStartWriting = 0;  // start-writing requests the unit never hears: it keeps its
                               // old firmware and version
    double lateBlockAck = 0;   // chance that a data block's acknowledgement goes out only
                               // when the next request has come in

    bool operator==(const UpgradeFaults&) const = default;
};

// The faults of a whole simulated network, as given on the command line of the simulator.
struct UnitFaultPlan {
    FaultSettings toUnit;  // the requests the unit receives
    FaultSettings toHost;  // the replies it sends
    int silentAfter = -1;  // stops answering after this many replies; -1 never
    UpgradeFaults upgrade;
};

struct FaultPlan {
    FaultSettings toUnit;        // on the cable, host to unit
    FaultSettings toHost;        // on the cable, unit to host
    int silentAfter = -1;        // for every unit
    int vanishAfter = -1;        // the port disappears after this many frames; -1 never
    int refuseWritesAfter = -1;  // the port takes this many writes, then refuses every one
    UpgradeFaults upgrade;       // for every unit
    std::uint32_t seed = 1;
    std::map<std::uint16_t, UnitFaultPlan> units;
};

// Parses a fault plan: items separated by commas, each "[scope.]key=value".
// Scopes: "in" (towards the units), "out" (towards the host), none (both directions), and
// "u<UA>" optionally followed by ".in" or ".out" for one unit. Keys: drop, corrupt, extra
// (chances 0..1), delay, gap (ms), split (bytes), silent (replies), vanish (frames, no
// scope), nowrite (writes the port takes, no scope), seed, and for the soft upgrade
// startlost (start-writing requests lost) and lateack (chance 0..1 that a block's
// acknowledgement comes late), both for every unit or "u<UA>." one.
// Example: "drop=0.01,out.split=4,out.gap=2,u300.silent=5,u300.startlost=1".
// False with a message in `error` for anything it does not understand.
bool ParseFaultPlan(std::string_view text, FaultPlan& plan, std::string& error);

}  // namespace skelvane::sim
