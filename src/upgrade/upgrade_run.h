#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "link/serial_port.h"
#include "upgrade/upgrade_log.h"

namespace skelvane {

enum class UpgradeResult { Completed, Failed, Stopped };

// How an upgrade run tells its dialog or command what it does. Every hook is optional and
// called on the run's thread.
struct UpgradeHooks {
    // true once the port is being opened ("Cancel", busy picture), false at the end.
    std::function<void(bool busy)> busy;
    // Image blocks or firmware frames acknowledged so far, of the total.
    std::function<void(std::size_t done, std::size_t total)> progress;
    // A retry as it happens, with the longest the step may still take.
    std::function<void(const std::string& text)> retry;
    // What only a verbose log shows: bytes drained before a request.
    std::function<void(const std::string& text)> verbose;
    // Soft upgrade: the unit was upgraded and answered with its version; returns true when
    // a running schedule marked it done.
    std::function<bool(std::uint16_t ua)> completed;
};

// What a soft and a hard upgrade run share: the log that goes quiet once a stop is asked, the
// firmware file read whole before the port opens, the port opened with its log line, and the
// end every run comes to.
class UpgradeSession {
  protected:
    UpgradeSession(SerialPort& port, UpgradeLog& log, Clock& clock)
        : port_(port), log_(log), clock_(clock) {}

    void Begin(std::stop_token stop, const UpgradeHooks& hooks);
    bool Stopped() const { return stop_.stop_requested(); }
    void Log(std::string_view text);
    void Append(std::string_view text);
    // Reads the firmware file into `bytes`; logs why a file cannot be sent.
    bool LoadFirmware(const std::string& fileName, std::vector<std::uint8_t>& bytes);
    // "Opening serial port NAME ... done." (or "failed." with the reason).
    bool OpenNamedPort(const std::string& portName);
    // Closes the port, shows the dialog idle again and says how the run ended.
    UpgradeResult End(bool completed);

    SerialPort& port_;
    UpgradeLog& log_;
    Clock& clock_;
    std::stop_token stop_;
    UpgradeHooks hooks_;
};

// A time span as a user reads it: "45 s", "16 min 40 s", "2 h 05 min" (seconds rounded up).
std::string DurationText(Millis duration);

}  // namespace skelvane
