#include "ui/worker_prompter.h"

#include <QMetaObject>
#include <QThread>
#include <memory>

namespace skelvane {

WorkerPrompter::WorkerPrompter(Prompter& target, QObject* parent)
    : QObject(parent), ForwardingPrompter(target) {}

WorkerPrompter::~WorkerPrompter() {
    shutDown();
}

void WorkerPrompter::shutDown() {
    {
        std::lock_guard lock(mutex_);
        shutDown_ = true;
    }
    answered_.notify_all();
}

ForwardingPrompter::Reply WorkerPrompter::Relay(Call call) {
    if (QThread::currentThread() == thread()) {
        return call();
    }
    struct Pending {
        bool done = false;
        Reply reply;
    };
    auto pending = std::make_shared<Pending>();
    {
        std::lock_guard lock(mutex_);
        if (shutDown_) {
            return {};
        }
    }
    QMetaObject::invokeMethod(
        this,
        [this, pending, call = std::move(call)] {
            {
                std::lock_guard lock(mutex_);
                if (shutDown_) {
                    return;  // the worker has its answer already
                }
            }
            Reply reply = call();
            {
                std::lock_guard lock(mutex_);
                pending->reply = std::move(reply);
                pending->done = true;
            }
            answered_.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(mutex_);
    answered_.wait(lock, [&] { return pending->done || shutDown_; });
    return pending->done ? pending->reply : Reply();
}

}  // namespace skelvane
