#pragma once

#include <functional>
#include <mutex>
#include <utility>

namespace skelvane {

// One listener of a model that is told of changes from whichever thread made them. Setting
// and calling are safe from any thread; the listener itself runs outside the slot's lock,
// so it may call back into the model.
template <typename... Args>
class ListenerSlot {
  public:
    using Listener = std::function<void(Args...)>;

    void Set(Listener listener) {
        std::lock_guard lock(mutex_);
        listener_ = std::move(listener);
    }

    void operator()(Args... args) const {
        Listener listener;
        {
            std::lock_guard lock(mutex_);
            listener = listener_;
        }
        if (listener) {
            listener(args...);
        }
    }

  private:
    mutable std::mutex mutex_;
    Listener listener_;
};

}  // namespace skelvane
