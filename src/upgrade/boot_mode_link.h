#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stop_token>
#include <string_view>

#include "base/clock.h"
#include "link/serial_port.h"

namespace skelvane {

// The byte exchanges with the microcontroller's boot program and the kernels loaded into it.
// Every wait is bounded and ends early when `stop` is requested; every read uses the port's
// current read timeout.
class BootModeLink {
  public:
    // `dot` is called for the progress dots of a procedure load.
    BootModeLink(SerialPort& port, Clock& clock, std::stop_token stop,
                 std::function<void()> dot = {})
        : port_(port), clock_(clock), stop_(std::move(stop)), dot_(std::move(dot)) {}

    static constexpr int kAttempts = 20;
    static constexpr std::uint8_t kAck = 0x06;

    // Writes `bytes` in one write; then, unless `expected` is nullopt, up to 20 reads (after
    // yielding the processor) for a read whose first byte is `expected`.
    bool SendExpect(std::span<const std::uint8_t> bytes, std::optional<std::uint8_t> expected);
    bool SendExpect(std::uint8_t byte, std::optional<std::uint8_t> expected) {
        return SendExpect(std::span<const std::uint8_t>(&byte, 1), expected);
    }
    // Up to 20 times: 5 ms pause, one byte read; true when it is `value`.
    bool WaitByte(std::uint8_t value);
    // Asks for the status (0x4F) with a 1500 ms read timeout; true for a five-byte reply whose
    // bytes sum to 0 modulo 256 and whose status byte (byte 2) is `expected`.
    bool QueryStatus(std::uint8_t expected);
    // The size (four bytes, big-endian), the image in 256-byte writes (a dot after each, 5 ms
    // apart), the rest, and the checksum byte answered by 0x06.
    bool LoadProcedure(std::span<const std::uint8_t> image);
    // Writes without waiting for anything.
    void Write(std::span<const std::uint8_t> bytes);
    void SetReadTimeout(std::uint32_t ms);
    // A pause that ends early on a stop request; false then.
    bool Sleep(Millis duration) { return clock_.SleepFor(duration, stop_); }
    bool Stopped() const { return stop_.stop_requested(); }

  private:
    SerialPort& port_;
    Clock& clock_;
    std::stop_token stop_;
    std::function<void()> dot_;
};

// The checksum byte of a command: the two's complement of the sum of its bytes.
std::uint8_t CommandChecksum(std::span<const std::uint8_t> bytes);

// A status reply of the boot program: five bytes summing to 0 modulo 256, whose status byte
// (byte 2) is `expected`.
bool BootStatusReplyIs(std::span<const std::uint8_t> reply, std::uint8_t expected);

}  // namespace skelvane
