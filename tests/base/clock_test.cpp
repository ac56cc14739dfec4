#include <gtest/gtest.h>

#include <chrono>

#include "base/clock.h"

namespace skelvane {
namespace {

using namespace std::chrono_literals;

TEST(VirtualClockTest, SleepsCostNoWallTimeAddUpAndStop) {
    VirtualClock clock({2026, 12, 31, 23, 59, 59, 900});
    const auto wallStart = std::chrono::steady_clock::now();
    EXPECT_TRUE(clock.SleepFor(10s));
    EXPECT_TRUE(clock.SleepFor(250ms));
    EXPECT_EQ(clock.Now(), 10250ms);
    EXPECT_EQ(clock.SleepCount(), 2u);
    EXPECT_LT(std::chrono::steady_clock::now() - wallStart, 1s);
    // 23:59:59.900 plus 10.25 s crosses into the new year.
    EXPECT_EQ(clock.LocalNow(), (LocalTime{2027, 1, 1, 0, 0, 10, 150}));

    // A stop request ends the sleep without moving the time.
    std::stop_source stop;
    stop.request_stop();
    EXPECT_FALSE(clock.SleepFor(5s, stop.get_token()));
    EXPECT_EQ(clock.Now(), 10250ms);
}

// That a stop ends the sleep early is checked with the device worker.
TEST(SystemClockTest, SleepsAboutTheDuration) {
    SystemClock clock;
    const auto start = clock.Now();
    EXPECT_TRUE(clock.SleepFor(30ms));
    EXPECT_GE(clock.Now() - start, 29ms);
    EXPECT_LT(clock.Now() - start, 1s);
}

TEST(CalendarTest, EpochConversionRoundTrips) {
    for (const LocalTime t : {LocalTime{2024, 2, 29, 13, 5, 7, 999}, LocalTime{1970, 1, 1},
                              LocalTime{2038, 1, 19, 3, 14, 8, 0}}) {
        EXPECT_EQ(FromEpochMillis(ToEpochMillis(t)), t);
    }
    EXPECT_EQ(ToEpochMillis({1970, 1, 2}), 86400000);
}

}  // namespace
}  // namespace skelvane
