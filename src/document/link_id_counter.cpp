#include "document/link_id_counter.h"

namespace skelvane {
namespace {

// Ids near the top of the range wrap around instead of overflowing: a file may carry any id,
// and signed overflow would be undefined.
std::int32_t WrappingNext(std::int32_t id) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(id) + 1u);
}

}  // namespace

std::int32_t LinkIdCounter::Fresh() {
    counter_ = WrappingNext(counter_);
    return counter_;
}

std::int32_t LinkIdCounter::Take(std::int32_t readId) {
    if (readId == 0) {
        return Fresh();
    }
    if (readId > 0 && readId > counter_) {
        counter_ = WrappingNext(readId);
    }
    return readId;
}

}  // namespace skelvane
