#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "base/clock.h"
#include "link/device_worker.h"

namespace skelvane {
namespace {

using namespace std::chrono_literals;

// A second start while a worker runs is refused: see the connect tests.
TEST(DeviceWorkerTest, FinishStopsACooperativeWaitQuickly) {
    DeviceWorker worker;
    std::atomic<bool> finishedCalled{false};
    SystemClock clock;
    ASSERT_TRUE(worker.Start([&](std::stop_token stop) { clock.SleepFor(60s, stop); },
                             [&] { finishedCalled = true; }));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(worker.Finish(1000ms));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_TRUE(finishedCalled);
    EXPECT_FALSE(worker.Running());
}

}  // namespace
}  // namespace skelvane
