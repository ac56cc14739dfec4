#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>

#include "base/clock.h"

namespace skelvane {

// At most one background thread for a device dialog's work. Stopping is cooperative: the
// work receives a stop token, and every sleep and port wait it makes honours that token, so a
// stop request ends the work within a few milliseconds without killing the thread.
class DeviceWorker {
  public:
    using Work = std::function<void(std::stop_token)>;

    DeviceWorker() = default;
    DeviceWorker(const DeviceWorker&) = delete;
    DeviceWorker& operator=(const DeviceWorker&) = delete;
    // Requests a stop and waits for the thread.
    ~DeviceWorker();

    // Runs `work` on a new thread. Does nothing and returns false while an earlier work is
    // still running. `onFinished` (optional) runs on the worker thread after `work` returns.
    bool Start(Work work, std::function<void()> onFinished = {});

    // Requests a stop and waits up to `timeout` for the work to end. Returns true when no
    // work is running afterwards. Safe to call when nothing runs, and from the work itself
    // (then it only requests the stop).
    bool Finish(Millis timeout);

    void RequestStop();
    bool Running() const;
    bool StopRequested() const;

    // Waits (without timeout) until the current work has ended; for tests and shutdown.
    void Wait();

    // In the whole process: works started and not yet ended (their `onFinished` included), and
    // threads started and not yet joined. Tests look at them to know that every worker's news
    // is out and that closing a dialog left no thread behind.
    static int RunningWorks();
    static int UnjoinedThreads();

  private:
    void JoinIfDone();

    mutable std::mutex mutex_;
    std::condition_variable done_cv_;
    bool running_ = false;
    std::jthread thread_;
};

}  // namespace skelvane
