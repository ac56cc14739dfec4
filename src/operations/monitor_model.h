#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/listener_slot.h"
#include "base/log_pane.h"
#include "document/block.h"
#include "link/device_link.h"
#include "link/diagnostics_exchange.h"

namespace skelvane {

// One unit the monitor polls: its block's name, unit address and diagnostic parameters
// (which registers make each value). The unit on the cable is asked Local.
struct MonitorUnit {
    std::string name;
    std::uint16_t ua = 0;
    bool onCable = false;
    std::vector<Parameter> parameters;
};

// The units of a network to monitor: every radio block with a unit address, the block on
// the cable (the first Master) Local, a unit address given twice polled once.
std::vector<MonitorUnit> MonitorUnitsOf(const Block& root);

// "Monitor Network" without its window: polls every unit's diagnostic values (groups 1 and
// 6), one unit after another, a pass every interval, and keeps each unit's history. The
// exchanges go through a device link, so the unit status board hears of each answer and
// silence.
//
// Threads: the passes run on the link's worker; the history is shared under a lock. The
// update listener is called on the worker thread after each unit of a pass, and once the
// monitor has stopped.
class MonitorModel {
  public:
    using Values = std::array<std::optional<std::uint32_t>, kDiagnosticNames.size()>;
    struct Sample {
        std::uint64_t sequence = 0;  // the order in which samples of all units were taken
        LocalTime time;
        Millis at{0};  // the clock's reading when it was taken (for plotting)
        bool answered = false;
        Values values;  // by kDiagnosticNames; none when the unit did not answer
    };
    // The most samples kept per unit (about three days at the default interval).
    static constexpr std::size_t kMaxSamples = 10000;
    static constexpr Millis kDefaultInterval{30000};

    MonitorModel(const PortFactory& ports, std::string portName, Clock& clock);
    MonitorModel(const MonitorModel&) = delete;
    MonitorModel& operator=(const MonitorModel&) = delete;
    ~MonitorModel();

    // Only while it is not running. The history of units no longer listed is kept.
    void SetUnits(std::vector<MonitorUnit> units);
    const std::vector<MonitorUnit>& Units() const { return units_; }
    const std::string& PortName() const { return link_.PortName(); }

    // Starts polling: a pass now and one every `interval`, `passes` passes (0: until
    // stopped). False while running, or without units.
    bool Start(Millis interval, std::uint64_t passes = 0);
    // Ends the polling within milliseconds; the history stays.
    void Stop();
    bool Busy() const { return link_.Busy(); }
    void Wait() { link_.Wait(); }
    // False when the port could not be opened on the last start.
    bool PortOpened() const { return portOpened_.load(); }
    std::uint64_t PassesDone() const { return passes_.load(); }

    std::vector<Sample> History(std::uint16_t ua) const;
    std::optional<Sample> Latest(std::uint16_t ua) const;
    void ClearHistory();

    // Every sample as comma-separated lines: a header ("time,UA,name," and the value names),
    // then one line per sample in time order, the values as the Diagnostics page shows them
    // (empty when the unit did not answer).
    std::string Csv() const;
    // Writes Csv() to `path`, replacing a file there only once the new one is complete.
    bool ExportCsv(const std::filesystem::path& path) const;

    LogPane& Log() { return log_; }
    DeviceLink& Link() { return link_; }
    void SetUpdateListener(std::function<void()> listener) { listener_.Set(std::move(listener)); }

  private:
    void Run(DeviceLink& link, Millis interval, std::uint64_t passes);
    Sample Poll(DeviceLink& link, const MonitorUnit& unit);
    void Notify() { listener_(); }

    Clock& clock_;
    LogPane log_;
    DeviceLink link_;
    std::vector<MonitorUnit> units_;
    std::atomic<bool> portOpened_{true};
    std::atomic<std::uint64_t> passes_{0};

    mutable std::mutex mutex_;
    struct Entry {
        std::string name;
        std::deque<Sample> samples;
    };
    std::map<std::uint16_t, Entry> history_;
    std::uint64_t sequence_ = 0;
    ListenerSlot<> listener_;
};

}  // namespace skelvane
