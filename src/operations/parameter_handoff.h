#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "document/parameter.h"

namespace skelvane {

// One value a worker changed: the parameter's position and name in the block, and its new
// number and text.
struct ParameterChange {
    std::size_t index = 0;
    std::string name;
    std::uint32_t value = 0;
    std::string textValue;
};

// What a worker hands back to the thread that owns the block. A worker never touches the
// block itself: it works on a copy of the parameters and posts what changed in it; the owner
// takes the changes and applies them to the block on its own thread. `flags` carry what the
// owner should do afterwards (refresh a list, show values), as each page defines them.
class ParameterHandoff {
  public:
    struct Batch {
        std::vector<ParameterChange> changes;
        std::uint32_t flags = 0;
    };

    // Worker: posts the parameters of `current` that differ from `baseline` (compared by
    // position) with `flags`, then makes `baseline` equal to `current`, so the next post
    // carries only what changed since. Calls the listener afterwards.
    void Post(std::vector<Parameter>& baseline, const std::vector<Parameter>& current,
              std::uint32_t flags = 0);

    // Owner: everything posted since the last take (later changes of a parameter replace
    // earlier ones; the flags are combined).
    Batch Take();
    bool Pending() const;

    // Called on the posting thread after each post.
    void SetListener(std::function<void()> listener);

  private:
    mutable std::mutex mutex_;
    Batch pending_;
    bool hasPending_ = false;
    std::function<void()> listener_;
};

// Applies changes to a block's parameters: each goes to the parameter at its position when
// that one still has the name, else to the first parameter of that name; a change whose
// parameter is gone is dropped. Returns the number applied.
std::size_t ApplyParameterChanges(std::vector<Parameter>& parameters,
                                  const std::vector<ParameterChange>& changes);

}  // namespace skelvane
