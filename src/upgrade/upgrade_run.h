#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "base/clock.h"

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

// A time as "45 s", "16 min 40 s" or "2 h 05 min".
std::string DurationText(Millis duration);

}  // namespace skelvane
