#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

namespace skelvane {

// Blocks sent of an image transfer and an estimate of the time left, from the moments the
// counts were heard. The estimate takes the pace since the first count of the transfer; a
// count lower than the last one, or another total, starts a new transfer.
class TransferProgress {
  public:
    using Clock = std::chrono::steady_clock;

    void reset();
    void observe(std::size_t done, std::size_t total, Clock::time_point at);

    std::size_t done() const { return done_; }
    std::size_t total() const { return total_; }
    bool started() const { return total_ > 0; }
    // nullopt until the pace is known, and once the transfer is complete.
    std::optional<std::chrono::seconds> timeLeft() const;

    // "12 / 512 blocks, 0:07 left"; "512 / 512 blocks" at the end; empty before any count.
    std::string text() const;
    // A duration as "m:ss", or "h:mm:ss" from an hour on.
    static std::string clockText(std::chrono::seconds duration);

  private:
    std::size_t done_ = 0;
    std::size_t total_ = 0;
    std::size_t firstDone_ = 0;
    Clock::time_point first_{};
    Clock::time_point last_{};
};

}  // namespace skelvane
