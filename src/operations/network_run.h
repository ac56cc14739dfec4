#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/listener_slot.h"
#include "base/log_pane.h"
#include "document/block.h"
#include "link/device_link.h"
#include "operations/network_units.h"

namespace skelvane {

// What a network-wide command has done with one unit, as the dialogs' status column and the
// command-line summary show it.
enum class UnitState {
    Waiting,       // not reached yet
    Working,       // being read or written now
    Done,          // finished as asked
    Unchanged,     // nothing differed, so nothing was written
    NoAnswer,      // the unit did not answer the connection check
    Failed,        // a step failed part-way
    NotContacted,  // left out: no address, or one another block has
    NotReached,    // the run ended (stopped, or the port failed) before this unit
};

struct NetworkUnitStatus {
    UnitState state = UnitState::Waiting;
    std::string text = "waiting";  // "reading", "done V4.46", "no answer", "failed: Read All"
};

// True for the states a finished unit can have that count as success.
bool Succeeded(UnitState state);

// One unit a run works on: what the worker needs, copied from the block when the run starts,
// so that the worker never touches the document.
struct RunUnit {
    Block* block = nullptr;  // the owner's; the worker never touches it
    std::string name;
    std::uint16_t requestUa = 0;
    bool local = false;
    int hops = -1;
    std::vector<Parameter> parameters;  // the block's parameters when the run started
};

// The units to work on: the chosen blocks among the contacted units (all of them when
// `chosen` is empty), in child-walk order.
std::vector<RunUnit> RunUnitsOf(const NetworkUnits& units, const std::vector<Block*>& chosen = {});

struct RunProgress {
    std::size_t done = 0;
    std::size_t total = 0;
    std::optional<Millis> timeLeft;  // estimated from the steps done; nullopt before the first
};

// The machinery every network-wide command shares: one port and one worker for the whole
// network, the log pane, the per-unit statuses and the progress. The command's model gives
// the work; the worker reaches each unit in turn with ContactUnit (network_exchanges.h).
//
// Threads: the owner sets the units and starts, stops and reads; the work runs on the worker
// and reports through SetStatus and StepDone. The listener is called on the worker after
// every change and when the worker has finished.
class NetworkRun {
  public:
    using Work = std::function<void(NetworkRun& run, DeviceLink& link)>;

    NetworkRun(const PortFactory& ports, std::string portName, Clock& clock);
    NetworkRun(const NetworkRun&) = delete;
    NetworkRun& operator=(const NetworkRun&) = delete;
    ~NetworkRun();

    LogPane& Log() { return log_; }
    DeviceLink& Link() { return link_; }
    Clock& GetClock() const { return clock_; }

    // Owner, while no run goes on: the units, each waiting.
    void SetUnits(std::vector<RunUnit> units);
    // The units; the worker reads them, nobody changes them while it runs.
    const std::vector<RunUnit>& Units() const { return units_; }

    // Runs `work` on the worker, counting `steps` for the progress. False when a run is going
    // on (nothing happens then).
    bool Start(std::size_t steps, Work work);
    // Owner, before Start: what the summary line that ends the log calls the run ("Back up
    // of the network").
    void SetTitle(std::string title) { title_ = std::move(title); }
    // Stop: the worker ends within a second, the port closed. True when it has ended.
    bool Stop();
    bool Busy() const { return link_.Busy(); }
    // Until the worker has ended (tests, the command-line tool).
    void Wait() { link_.Wait(); }

    // Worker.
    void SetStatus(std::size_t unit, NetworkUnitStatus status);
    void StepDone();
    bool Stopping() const { return link_.StopFlag(); }

    // Owner.
    std::vector<NetworkUnitStatus> Statuses() const;
    RunProgress Progress() const;
    void SetListener(std::function<void()> listener) { listener_.Set(std::move(listener)); }

  private:
    void Notify() { listener_(); }

    Clock& clock_;
    LogPane log_;
    std::vector<RunUnit> units_;
    std::string title_ = "Network run";  // of the summary line
    mutable std::mutex mutex_;
    std::vector<NetworkUnitStatus> statuses_;
    std::size_t stepsDone_ = 0;
    std::size_t steps_ = 0;
    Millis started_{0};
    Millis lastStep_{0};
    ListenerSlot<> listener_;
    // Last: destroyed (its worker joined) before everything the worker uses.
    DeviceLink link_;
};

}  // namespace skelvane
