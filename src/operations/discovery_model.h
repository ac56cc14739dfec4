#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "base/listener_slot.h"
#include "base/log_pane.h"
#include "document/block.h"
#include "link/device_link.h"
#include "upgrade/upgrade_run.h"  // DurationText

namespace skelvane {

// Unit addresses as a user types them: numbers and ranges separated by commas ("1-254",
// "1-50,300-310", "7"), blanks allowed, each address 1 to 65534. An address named twice is
// asked once. nullopt with a message in `error` for anything else.
std::optional<std::vector<std::uint16_t>> ParseUnitAddressList(std::string_view text,
                                                               std::string& error);

// A unit that answered a scan.
struct FoundUnit {
    std::uint16_t ua = 0;
    bool onCable = false;
    std::optional<std::uint8_t> operatingMode;  // its "OperatingMode" register
    std::string version;                        // Latin-1, empty when it did not say
    std::string serial;

    // Master, Repeater or Remote by the operating mode (point-to-point modes alike); nullopt
    // when the mode is unknown or not one of the six.
    std::optional<BlockKind> Kind() const;
    // "Master", "Repeater", "Remote" or "Unknown".
    std::string KindName() const;
};

// "Find Units" without its window: asks the unit on the cable (Local) for its address,
// serial number, version and operating mode, then every address of a list (Remote) for its
// version, once, and each unit that answers for its operating mode and serial number. An
// address that does not answer costs one exchange's bounded wait and nothing more: no
// wake-up, no second request.
//
// Threads: the scan runs on the link's worker; the found units and the progress are shared
// under a lock and may be read at any time. The update listener is called on the worker
// thread after every address and every unit found.
class DiscoveryModel {
  public:
    enum class Outcome {
        Idle,
        Running,
        Finished,     // every address was asked
        Stopped,      // Stop() ended it early
        PortFailed,   // the port could not be opened
        NoCableUnit,  // nothing answered on the cable, so no remote could be asked
    };

    struct Progress {
        std::size_t done = 0;
        std::size_t total = 0;
        Millis left{0};  // an estimate; known from the start
    };

    DiscoveryModel(const PortFactory& ports, std::string portName, Clock& clock);
    DiscoveryModel(const DiscoveryModel&) = delete;
    DiscoveryModel& operator=(const DiscoveryModel&) = delete;
    ~DiscoveryModel();

    // Starts a scan of `addresses` (the found list is emptied first). False while a scan
    // runs.
    bool Start(std::vector<std::uint16_t> addresses);
    // Ends a running scan after its current exchange (within milliseconds).
    void Stop();
    bool Busy() const { return link_.Busy(); }
    // Waits for the scan to end (command-line tool, tests).
    void Wait() { link_.Wait(); }

    Outcome GetOutcome() const { return outcome_.load(); }
    Progress GetProgress() const;
    // In the order they answered; the unit on the cable first.
    std::vector<FoundUnit> Found() const;

    LogPane& Log() { return log_; }
    DeviceLink& Link() { return link_; }
    void SetUpdateListener(std::function<void()> listener) { listener_.Set(std::move(listener)); }

    // What one address that does not answer costs: the request's settling time and every
    // receive poll of the reply, each waiting out the port's read timeout.
    static Millis SilentAddressCost();

  private:
    void Run(DeviceLink& link, const std::vector<std::uint16_t>& addresses);
    bool AskCable(DeviceLink& link);
    // One request to `ua` and its reply, when it is a whole frame from `ua`. A whole reply
    // from another unit sets foreignReply_ (and, a version reply, adds to lateAnswers_).
    std::optional<std::vector<std::uint8_t>> Ask(DeviceLink& link, std::uint16_t ua,
                                                 std::vector<std::uint8_t> frame, int polls);
    // The operating mode and serial number of a unit that answered.
    void Complete(DeviceLink& link, FoundUnit& unit, int polls);
    void AddFound(const FoundUnit& unit);
    bool IsFound(std::uint16_t ua) const;
    void Notify() { listener_(); }

    Clock& clock_;
    LogPane log_;
    DeviceLink link_;

    mutable std::mutex mutex_;
    std::vector<FoundUnit> found_;
    std::vector<FoundUnit> lateAnswers_;  // worker only
    bool foreignReply_ = false;           // worker only
    std::size_t done_ = 0;
    std::size_t total_ = 0;
    Millis scanStart_{0};
    Millis scanElapsed_{0};
    std::atomic<Outcome> outcome_{Outcome::Idle};
    ListenerSlot<> listener_;
};

}  // namespace skelvane
