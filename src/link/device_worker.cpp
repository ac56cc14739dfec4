#include "link/device_worker.h"

#include <atomic>

namespace skelvane {
namespace {

std::atomic<int> runningWorks{0};
std::atomic<int> unjoinedThreads{0};

}  // namespace

DeviceWorker::~DeviceWorker() {
    RequestStop();
    Wait();
}

void DeviceWorker::JoinIfDone() {
    // Called with no lock held: a finished thread is joined before a new one replaces it.
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) {
        bool running = false;
        {
            std::lock_guard lock(mutex_);
            running = running_;
        }
        if (!running) {
            thread_.join();
            unjoinedThreads.fetch_sub(1);
        }
    }
}

bool DeviceWorker::Start(Work work, std::function<void()> onFinished) {
    {
        std::lock_guard lock(mutex_);
        if (running_) {
            return false;
        }
    }
    JoinIfDone();
    std::lock_guard lock(mutex_);
    running_ = true;
    runningWorks.fetch_add(1);
    unjoinedThreads.fetch_add(1);
    thread_ = std::jthread(
        [this, work = std::move(work), onFinished = std::move(onFinished)](std::stop_token stop) {
            work(stop);
            if (onFinished) {
                onFinished();
            }
            std::lock_guard done(mutex_);
            running_ = false;
            runningWorks.fetch_sub(1);
            done_cv_.notify_all();
        });
    return true;
}

bool DeviceWorker::Finish(Millis timeout) {
    RequestStop();
    if (thread_.joinable() && thread_.get_id() == std::this_thread::get_id()) {
        return false;
    }
    std::unique_lock lock(mutex_);
    const bool ended = done_cv_.wait_for(lock, timeout, [this] { return !running_; });
    lock.unlock();
    if (ended) {
        JoinIfDone();
    }
    return ended;
}

void DeviceWorker::RequestStop() {
    std::lock_guard lock(mutex_);
    if (thread_.joinable()) {
        thread_.request_stop();
    }
}

bool DeviceWorker::Running() const {
    std::lock_guard lock(mutex_);
    return running_;
}

bool DeviceWorker::StopRequested() const {
    std::lock_guard lock(mutex_);
    return thread_.joinable() && thread_.get_stop_token().stop_requested();
}

void DeviceWorker::Wait() {
    if (thread_.joinable() && thread_.get_id() == std::this_thread::get_id()) {
        return;
    }
    {
        std::unique_lock lock(mutex_);
        done_cv_.wait(lock, [this] { return !running_; });
    }
    JoinIfDone();
}

int DeviceWorker::RunningWorks() {
    return runningWorks.load();
}

int DeviceWorker::UnjoinedThreads() {
    return unjoinedThreads.load();
}

}  // namespace skelvane
