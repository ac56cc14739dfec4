#include "ui/worker_pump.h"

#include <QMetaObject>

namespace skelvane {

WorkerPump::WorkerPump(std::function<void()> update, QObject* parent)
    : QObject(parent), update_(std::move(update)), shared_(std::make_shared<Shared>()) {
    shared_->target = this;
    gather_.setSingleShot(true);
    connect(&gather_, &QTimer::timeout, this, &WorkerPump::updateNow);
}

WorkerPump::~WorkerPump() {
    // After this no notifier posts to us; a wake-up already posted dies with the object.
    std::lock_guard lock(shared_->mutex);
    shared_->target = nullptr;
}

void WorkerPump::post(const std::shared_ptr<Shared>& shared) {
    std::lock_guard lock(shared->mutex);
    if (shared->target == nullptr || shared->pending) {
        return;
    }
    shared->pending = true;
    // Posting under the lock: the destructor cannot get past its lock meanwhile. The wake-up
    // is posted by name, so the event carries nothing this thread wrote that the GUI thread
    // reads afterwards: Qt's event queue hands the event over in ways ThreadSanitizer cannot
    // see, and a captured value would be reported as a race.
    QMetaObject::invokeMethod(shared->target, "wake", Qt::QueuedConnection);
}

std::function<void()> WorkerPump::notifier() const {
    return [shared = shared_] { post(shared); };
}

void WorkerPump::wake() {
    {
        // Cleared before the update reads anything: news from now on posts again.
        std::lock_guard lock(shared_->mutex);
        shared_->pending = false;
    }
    if (gather_.isActive()) {
        return;
    }
    const qint64 since = last_.isValid() ? last_.elapsed() : kMinIntervalMs;
    if (since < kMinIntervalMs) {
        gather_.start(static_cast<int>(kMinIntervalMs - since));
        return;
    }
    updateNow();
}

bool WorkerPump::settled() const {
    std::lock_guard lock(shared_->mutex);
    return !shared_->pending && !gather_.isActive();
}

void WorkerPump::updateNow() {
    gather_.stop();
    last_.restart();
    ++updates_;
    if (update_) {
        update_();
    }
}

}  // namespace skelvane
