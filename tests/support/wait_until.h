#pragma once

#include <chrono>
#include <thread>

namespace skelvane::test {

// Polls `done` until it holds or `limit` of real time has passed; whether it held. For what a
// worker thread does where nothing notifies the test.
template <typename Condition>
bool WaitUntil(Condition done, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace skelvane::test
