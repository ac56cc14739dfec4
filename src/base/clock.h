#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <stop_token>

namespace skelvane {

using Millis = std::chrono::milliseconds;

// A calendar date and time of day in local time, as the schedule and the upgrade log use it.
struct LocalTime {
    int year = 1970;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;

    friend bool operator==(const LocalTime&, const LocalTime&) = default;
};

// Every sleep, timeout and "now" of the protocol code asks a Clock, so tests run long
// exchanges on a VirtualClock in no wall time and can assert the elapsed time exactly.
class Clock {
  public:
    virtual ~Clock() = default;

    // Monotonic time since an arbitrary origin.
    virtual Millis Now() const = 0;

    // Sleeps for `duration`. Returns false at once (or as soon as it is requested) when a
    // stop is requested on `stop`; true when the whole duration passed.
    virtual bool SleepFor(Millis duration, std::stop_token stop = {}) = 0;

    // The local date and time of day.
    virtual LocalTime LocalNow() const = 0;
};

class SystemClock final : public Clock {
  public:
    Millis Now() const override;
    bool SleepFor(Millis duration, std::stop_token stop = {}) override;
    LocalTime LocalNow() const override;
};

// Time that moves only when someone sleeps on it or advances it. Thread-safe; several
// threads sleeping on it each move it forward by their own duration.
class VirtualClock final : public Clock {
  public:
    explicit VirtualClock(LocalTime start = {2026, 1, 1, 12, 0, 0, 0});

    Millis Now() const override;
    bool SleepFor(Millis duration, std::stop_token stop = {}) override;
    LocalTime LocalNow() const override;

    void Advance(Millis duration);
    // Total virtual time slept or advanced since construction.
    Millis Elapsed() const { return Now(); }
    // Number of SleepFor calls so far (lets a test see that a wait did not spin).
    std::uint64_t SleepCount() const { return sleeps_.load(); }

  private:
    std::atomic<std::int64_t> now_ms_{0};
    std::atomic<std::uint64_t> sleeps_{0};
    std::int64_t start_ms_since_epoch_;
};

// Converts between LocalTime and milliseconds since 1970-01-01 00:00 of the same (local)
// calendar, ignoring time zones: date arithmetic for schedules.
std::int64_t ToEpochMillis(const LocalTime& t);
LocalTime FromEpochMillis(std::int64_t ms);

}  // namespace skelvane
