#include "ui/update_coalescer.h"

#include <algorithm>

namespace skelvane {

UpdateCoalescer::UpdateCoalescer(QObject* parent) : QObject(parent) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &UpdateCoalescer::fire);
}

void UpdateCoalescer::request() {
    if (!pending_.exchange(true)) {
        // Posted even from the owner's own thread: a burst of changes made in one go is
        // shown once, after it.
        QMetaObject::invokeMethod(this, &UpdateCoalescer::schedule, Qt::QueuedConnection);
    }
}

void UpdateCoalescer::schedule() {
    if (timer_.isActive()) {
        return;
    }
    const qint64 since = sinceLast_.isValid() ? sinceLast_.elapsed() : kIntervalMs;
    timer_.start(static_cast<int>(std::max<qint64>(0, kIntervalMs - since)));
}

void UpdateCoalescer::fire() {
    // Cleared first: a change made while the flush reads the models asks for the next one.
    pending_ = false;
    sinceLast_.restart();
    ++flushes_;
    emit flush();
}

}  // namespace skelvane
