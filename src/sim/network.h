#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "base/clock.h"
#include "sim/faults.h"
#include "sim/unit.h"

namespace skelvane::sim {

class Network;

enum class Direction { ToUnit, ToHost };

// What a port handler of the unit on the cable may do: look at the time and the line, send
// bytes to the host, set timers, change the unit's mode and route diagnostic frames.
// Handlers run under the network's lock.
class PortContext {
  public:
    PortContext(Network& network, Unit& unit) : network_(network), unit_(unit) {}

    Millis Now() const;
    const LineState& Line() const;
    Unit& Self() const { return unit_; }
    Network& Net() const { return network_; }

    // Bytes to the host, leaving the unit after `delay`; they cross the cable's faults and
    // take their wire time at the line's speed.
    void Send(std::vector<std::uint8_t> bytes, Millis delay = Millis{0});
    // Runs `action` after `delay` (for guard times, boot delays, ...).
    void After(Millis delay, std::function<void(PortContext&)> action);
    // Leaves the current mode (its handler's OnLeave) and enters `mode` (OnEnter).
    void SetMode(UnitMode mode);
    // A whole diagnostic frame received on the port: answered by the unit on the cable when
    // its UA is 0 or the unit's own, by the remote unit of that UA after the radio latency,
    // by nobody otherwise.
    void RouteFrame(std::vector<std::uint8_t> frame);

  private:
    Network& network_;
    Unit& unit_;
};

// A simulated radio network: the unit on the cable and remote units by UA, each remote with
// its radio latency. The host side (the SIM port backend, or the pseudo-terminal bridge)
// writes and reads bytes; everything in between happens at times of the network's Clock, so
// on a VirtualClock a long exchange takes no wall time. Thread-safe.
class Network {
  public:
    explicit Network(Clock& clock, std::uint32_t seed = 1);
    Network(const Network&) = delete;
    Network& operator=(const Network&) = delete;

    Clock& GetClock() const { return clock_; }

    // The unit on the cable (a unit of UA 1 until another is set).
    Unit& Local() { return *local_; }
    void SetLocal(std::unique_ptr<Unit> unit);
    // A remote unit; the latency is the round trip over the radio. Returns nullptr (and
    // adds nothing) when the UA is 0 or already taken.
    Unit* AddRemote(std::unique_ptr<Unit> unit, Millis latency);
    Unit* FindRemote(std::uint16_t ua);
    std::vector<Unit*> Remotes();
    // How long the unit on the cable takes to answer.
    void SetResponseTime(Millis time) { response_time_ = time; }
    // Unpaced, bytes cross the cable at once whatever the line's speed (for benchmarks, where
    // the client alone should set the pace).
    void SetPaced(bool paced);

    // Faults of the cable, per direction. Set them while no exchange runs (or through
    // Locked).
    FaultFilter& LineFaults(Direction direction);
    // A port that vanishes: the host's reads and writes fail, opens fail.
    void SetVanished(bool vanished);
    bool Vanished() const;
    // The port vanishes after this many frames have been routed (-1: never).
    void SetVanishAfter(int frames);
    int FramesRouted() const;
    // The host's port takes this many writes and then refuses every write (-1: never).
    void SetRefuseWritesAfter(int writes);
    // Counts a write of the host; false when the port refuses it.
    bool TakeHostWrite();

    // Runs `action` under the network's lock, to change units while an exchange may run.
    template <typename Action>
    auto Locked(Action action) {
        std::lock_guard lock(mutex_);
        return action(*this);
    }

    // The host side. One host at a time: AttachHost is false while another is attached.
    bool AttachHost();
    void DetachHost();
    bool HostAttached() const;
    void SetHostLine(const LineState& line);
    LineState HostLine() const;
    // Bytes written by the host now.
    void HostWrite(std::span<const std::uint8_t> bytes);
    // Bytes that have arrived for the host by now, up to `count`.
    std::size_t HostRead(std::uint8_t* buffer, std::size_t count);
    // Drops what has arrived for the host; bytes still on their way arrive later.
    void HostPurge();
    // Processes everything due by now.
    void RunDue();
    // When something next happens (a byte arrives, a unit acts); nullopt when nothing waits.
    std::optional<Millis> NextEventTime();

    // Sees every byte the host writes (ToUnit) and reads (ToHost).
    void SetTrafficObserver(std::function<void(Direction, std::span<const std::uint8_t>)> observer);

  private:
    friend class PortContext;
    using Action = std::function<void()>;

    Millis NowLocked() const { return event_time_.value_or(clock_.Now()); }
    void RunDueLocked();
    void ScheduleLocked(Millis due, Action action);
    std::chrono::microseconds ByteTime() const;
    void SendToHostLocked(std::vector<std::uint8_t> bytes, Millis delay);
    void PutOnWireLocked(const std::vector<std::uint8_t>& bytes);
    void DeliverToUnitLocked(std::vector<std::uint8_t> bytes);
    void RouteFrameLocked(std::vector<std::uint8_t> frame);
    void SetModeLocked(UnitMode mode);

    Clock& clock_;
    mutable std::recursive_mutex mutex_;
    std::unique_ptr<Unit> local_;
    struct RemoteUnit {
        std::unique_ptr<Unit> unit;
        Millis latency;
    };
    std::map<std::uint16_t, RemoteUnit> remotes_;
    Millis response_time_{2};
    bool paced_ = true;
    FaultFilter to_unit_faults_;
    FaultFilter to_host_faults_;
    bool vanished_ = false;
    int vanish_after_ = -1;
    int frames_routed_ = 0;
    int refuse_writes_after_ = -1;
    int host_writes_ = 0;
    bool host_attached_ = false;
    LineState line_;
    std::multimap<Millis, Action> events_;
    std::deque<std::pair<Millis, std::uint8_t>> to_host_;
    std::chrono::microseconds to_unit_wire_free_{0};
    std::chrono::microseconds to_host_wire_free_{0};
    Millis to_host_last_due_{0};
    std::function<void(Direction, std::span<const std::uint8_t>)> observer_;
    std::optional<Millis> event_time_;  // while an action runs: its scheduled time
};

// Puts the faults of a plan on the network and its units. Returns the unit addresses of the
// plan that name no unit.
std::vector<std::uint16_t> ApplyFaultPlan(Network& network, const FaultPlan& plan);

}  // namespace skelvane::sim
