#include "ui/worker_prompter.h"

#include <QMetaObject>
#include <QThread>
#include <memory>
#include <string>

namespace skelvane {

WorkerPrompter::WorkerPrompter(Prompter& target, QObject* parent)
    : QObject(parent), target_(target) {}

WorkerPrompter::~WorkerPrompter() {
    shutDown();
}

Answer WorkerPrompter::safeAnswer(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::Ok:
            return Answer::Ok;
        case MessageButtons::YesNo:
        case MessageButtons::YesNoDefaultNo:
            return Answer::No;
        case MessageButtons::OkCancel:
        case MessageButtons::YesNoCancel:
            break;
    }
    return Answer::Cancel;
}

void WorkerPrompter::shutDown() {
    {
        std::lock_guard lock(mutex_);
        shutDown_ = true;
    }
    answered_.notify_all();
}

template <typename Result>
Result WorkerPrompter::ask(std::function<Result()> question, Result fallback) {
    if (QThread::currentThread() == thread()) {
        return question();
    }
    struct Pending {
        bool done = false;
        Result result{};
    };
    auto pending = std::make_shared<Pending>();
    {
        std::lock_guard lock(mutex_);
        if (shutDown_) {
            return fallback;
        }
    }
    QMetaObject::invokeMethod(
        this,
        [this, pending, question = std::move(question)] {
            {
                std::lock_guard lock(mutex_);
                if (shutDown_) {
                    return;  // the worker has its answer already
                }
            }
            Result result = question();
            {
                std::lock_guard lock(mutex_);
                pending->result = std::move(result);
                pending->done = true;
            }
            answered_.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(mutex_);
    answered_.wait(lock, [&] { return pending->done || shutDown_; });
    return pending->done ? pending->result : fallback;
}

Answer WorkerPrompter::Message(std::string_view text, std::string_view caption, MessageIcon icon,
                               MessageButtons buttons) {
    // Copies: the question may run after the caller's views are gone (it never waits then).
    return ask<Answer>([this, text = std::string(text), caption = std::string(caption), icon,
                        buttons] { return target_.Message(text, caption, icon, buttons); },
                       safeAnswer(buttons));
}

std::optional<std::size_t> WorkerPrompter::Choose(std::string_view caption,
                                                  const std::vector<std::string>& items,
                                                  std::size_t selected) {
    return ask<std::optional<std::size_t>>(
        [this, caption = std::string(caption), items, selected] {
            return target_.Choose(caption, items, selected);
        },
        std::nullopt);
}

void WorkerPrompter::Beep() {
    if (QThread::currentThread() == thread()) {
        target_.Beep();
        return;
    }
    QMetaObject::invokeMethod(
        this,
        [this] {
            bool closed = false;
            {
                std::lock_guard lock(mutex_);
                closed = shutDown_;
            }
            if (!closed) {
                target_.Beep();
            }
        },
        Qt::QueuedConnection);
}

}  // namespace skelvane
