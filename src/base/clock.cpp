#include "base/clock.h"

#include <condition_variable>
#include <ctime>

namespace skelvane {

Millis SystemClock::Now() const {
    return std::chrono::duration_cast<Millis>(std::chrono::steady_clock::now().time_since_epoch());
}

bool SystemClock::SleepFor(Millis duration, std::stop_token stop) {
    if (stop.stop_requested()) {
        return false;
    }
    if (duration.count() <= 0) {
        return true;
    }
    // A condition variable that is only woken by the stop request: the wait ends after the
    // duration or as soon as a stop is requested, never by busy-waiting.
    std::mutex mutex;
    std::condition_variable_any wake;
    std::unique_lock lock(mutex);
    const bool stopped = wake.wait_for(lock, stop, duration, [] { return false; });
    return !stopped && !stop.stop_requested();
}

LocalTime SystemClock::LocalNow() const {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
#if defined(_WIN32)
    localtime_s(&tm, &seconds);
#else
    localtime_r(&seconds, &tm);
#endif
    const auto ms = std::chrono::duration_cast<Millis>(now.time_since_epoch()).count() % 1000;
    return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,          tm.tm_hour,
                     tm.tm_min,         tm.tm_sec,     static_cast<int>(ms)};
}

VirtualClock::VirtualClock(LocalTime start) : start_ms_since_epoch_(ToEpochMillis(start)) {}

Millis VirtualClock::Now() const {
    return Millis(now_ms_.load());
}

bool VirtualClock::SleepFor(Millis duration, std::stop_token stop) {
    sleeps_.fetch_add(1);
    if (stop.stop_requested()) {
        return false;
    }
    if (duration.count() > 0) {
        now_ms_.fetch_add(duration.count());
    }
    return !stop.stop_requested();
}

LocalTime VirtualClock::LocalNow() const {
    return FromEpochMillis(start_ms_since_epoch_ + now_ms_.load());
}

void VirtualClock::Advance(Millis duration) {
    now_ms_.fetch_add(duration.count());
}

std::int64_t ToEpochMillis(const LocalTime& t) {
    using namespace std::chrono;
    const sys_days date = year_month_day{year{t.year}, month{static_cast<unsigned>(t.month)},
                                         day{static_cast<unsigned>(t.day)}};
    const std::int64_t days = date.time_since_epoch().count();
    return ((days * 24 + t.hour) * 60 + t.minute) * 60000LL + t.second * 1000LL + t.millisecond;
}

LocalTime FromEpochMillis(std::int64_t ms) {
    using namespace std::chrono;
    std::int64_t days = ms / 86400000LL;
    std::int64_t rest = ms % 86400000LL;
    if (rest < 0) {
        rest += 86400000LL;
        --days;
    }
    const year_month_day date{sys_days{std::chrono::days{days}}};
    LocalTime t;
    t.year = static_cast<int>(date.year());
    t.month = static_cast<int>(static_cast<unsigned>(date.month()));
    t.day = static_cast<int>(static_cast<unsigned>(date.day()));
    t.hour = static_cast<int>(rest / 3600000LL);
    t.minute = static_cast<int>(rest / 60000LL % 60);
    t.second = static_cast<int>(rest / 1000LL % 60);
    t.millisecond = static_cast<int>(rest % 1000);
    return t;
}

}  // namespace skelvane
