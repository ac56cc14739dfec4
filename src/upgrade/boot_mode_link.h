#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stop_token>
#include <string_view>

#include "base/clock.h"
#include "link/serial_port.h"

namespace skelvane {

// The bytes of the microcontroller's boot program and of the kernels loaded into it.
namespace boot {
// Bit-rate matching: the boot program measures the speed from these and answers one.
inline constexpr std::uint8_t kMatch = 0x00;
// After the matching: the host asks whether the speed was found, the boot program confirms.
inline constexpr std::uint8_t kCheck = 0x55;
inline constexpr std::uint8_t kCheckReply = 0xAA;
// The boot program has received the whole uKernel.
inline constexpr std::uint8_t kLoaded = 0xAA;
// A command was taken.
inline constexpr std::uint8_t kAck = 0x06;
// Commands of the uKernel and the main kernel; the ones with a length byte end in a checksum.
inline constexpr std::uint8_t kReferSize = 0x27;       // the size of the programming unit
inline constexpr std::uint8_t kReferSizeReply = 0x37;  // ... answered with length 2, the size
inline constexpr std::uint8_t kSelectDevice = 0x10;    // length, device code
inline constexpr std::uint8_t kClockMode = 0x11;       // length 1, the mode
inline constexpr std::uint8_t kNewBitRate = 0x3F;      // length 7, rate, clock, ratios
inline constexpr std::uint8_t kDataSet = 0x40;         // enter the programming state
inline constexpr std::uint8_t kBlankCheck = 0x4D;      // answered by kAck when blank
inline constexpr std::uint8_t kStatus = 0x4F;          // five bytes back, status in byte 2
inline constexpr std::uint8_t kPrepareErase = 0x48;
inline constexpr std::uint8_t kEraseBlock = 0x58;  // length 1, block number
inline constexpr std::uint8_t kEraseEnd = 0xFF;    // the block number that ends erasing
inline constexpr std::uint8_t kPrepareWrite = 0x43;
inline constexpr std::uint8_t kWrite = 0x50;            // address (4 bytes), 128 data bytes
inline constexpr std::uint32_t kWriteEnd = 0xFFFFFFFF;  // the address that ends writing
// Status values.
inline constexpr std::uint8_t kStatusErasing = 2;
inline constexpr std::uint8_t kStatusReady = 3;
}  // namespace boot

// The byte exchanges with the microcontroller's boot program and the kernels loaded into it.
// Every wait is bounded and ends early when `stop` is requested; every read uses the port's
// current read timeout. Bytes still waiting are drained before each request, and a write
// that does not go out whole fails the exchange (PortFailed() tells it from a missing
// answer).
class BootModeLink {
  public:
    struct Hooks {
        // Called for the progress dots of a procedure load.
        std::function<void()> dot;
        // Called with the number of bytes drained before a request, when there were any.
        std::function<void(std::size_t)> drained;
    };

    BootModeLink(SerialPort& port, Clock& clock, std::stop_token stop, Hooks hooks = {})
        : port_(port), clock_(clock), stop_(std::move(stop)), hooks_(std::move(hooks)) {}

    static constexpr int kAttempts = 20;

    // Writes `bytes` in one write; then, unless `expected` is nullopt, up to 20 reads (after
    // yielding the processor) for a read whose first byte is `expected`.
    bool SendExpect(std::span<const std::uint8_t> bytes, std::optional<std::uint8_t> expected);
    bool SendExpect(std::uint8_t byte, std::optional<std::uint8_t> expected) {
        return SendExpect(std::span<const std::uint8_t>(&byte, 1), expected);
    }
    // Up to 20 times: 5 ms pause, one byte read; true when it is `value`.
    bool WaitByte(std::uint8_t value);
    // Asks for the status with a 1500 ms read timeout; true for a five-byte reply whose
    // bytes sum to 0 modulo 256 and whose status byte (byte 2) is `expected`.
    bool QueryStatus(std::uint8_t expected);
    // The size (four bytes, big-endian), the image in 256-byte writes (a dot after each, 5 ms
    // apart), the rest, and the checksum byte answered by kAck.
    bool LoadProcedure(std::span<const std::uint8_t> image);
    // Writes without waiting for anything; false when the bytes did not all go out.
    bool Write(std::span<const std::uint8_t> bytes);
    // Throws away what is waiting, without waiting for more.
    void DrainStale();
    void SetReadTimeout(std::uint32_t ms);
    // A pause that ends early on a stop request; false then.
    bool Sleep(Millis duration) { return clock_.SleepFor(duration, stop_); }
    bool Stopped() const { return stop_.stop_requested(); }

    // After a write that did not go out whole: how much of how much went.
    bool PortFailed() const { return failed_write_.has_value(); }
    std::size_t WrittenOfFailed() const { return failed_write_.value_or(0); }
    std::size_t SizeOfFailed() const { return failed_size_; }

  private:
    // Up to 20 reads (after yielding the processor) for one whose first byte is `expected`.
    bool AwaitFirstByte(std::uint8_t expected);

    SerialPort& port_;
    Clock& clock_;
    std::stop_token stop_;
    Hooks hooks_;
    std::uint32_t read_timeout_ = 6;  // what Open leaves
    std::optional<std::size_t> failed_write_;
    std::size_t failed_size_ = 0;
};

// The checksum byte of a command: the two's complement of the sum of its bytes.
std::uint8_t CommandChecksum(std::span<const std::uint8_t> bytes);

// A status reply of the boot program: five bytes summing to 0 modulo 256, whose status byte
// (byte 2) is `expected`.
bool BootStatusReplyIs(std::span<const std::uint8_t> reply, std::uint8_t expected);

}  // namespace skelvane
