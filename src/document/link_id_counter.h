#pragma once

#include <cstdint>

namespace skelvane {

// Hands out the ids of output link ends. An input end names the output end it is connected to
// by that id, so ids must stay unique for the whole program run across every document: the
// program owns one counter and passes it to each document. Used on the thread that owns the
// documents.
class LinkIdCounter {
  public:
    // The counter's current value (0 at start).
    std::int32_t Value() const { return counter_; }

    // A new id: the counter plus one, which the counter then takes.
    std::int32_t Fresh();

    // The id an output end read from a file keeps: 0 gets a fresh id; an id above the counter
    // moves the counter to id + 1; any other id (negative ones too) is kept as read and leaves
    // the counter alone.
    std::int32_t Take(std::int32_t readId);

  private:
    std::int32_t counter_ = 0;
};

}  // namespace skelvane
