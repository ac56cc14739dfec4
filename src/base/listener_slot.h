#pragma once

#include <functional>
#include <utility>

#include "base/guarded.h"

namespace skelvane {

// One listener of a model that is told of changes from whichever thread made them. Setting
// and calling are safe from any thread; the listener itself runs outside the slot's lock,
// so it may call back into the model.
template <typename... Args>
class ListenerSlot {
  public:
    using Listener = std::function<void(Args...)>;

    void Set(Listener listener) { listener_.Set(std::move(listener)); }

    void operator()(Args... args) const {
        const Listener listener = listener_.Get();
        if (listener) {
            listener(args...);
        }
    }

  private:
    Guarded<Listener> listener_;
};

}  // namespace skelvane
