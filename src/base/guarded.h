#pragma once

#include <mutex>
#include <utility>

namespace skelvane {

// A value several threads share, copied in and out under a lock so that nobody holds a
// reference into it.
template <typename T>
class Guarded {
  public:
    T Get() const {
        std::lock_guard lock(mutex_);
        return value_;
    }
    void Set(T value) {
        std::lock_guard lock(mutex_);
        value_ = std::move(value);
    }

  private:
    mutable std::mutex mutex_;
    T value_{};
};

}  // namespace skelvane
