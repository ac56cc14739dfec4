#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stop_token>
#include <string>

namespace skelvane {

// Access rights of an open, as the Win32 calls spell them; POSIX maps them onto O_RDONLY,
// O_WRONLY or O_RDWR.
inline constexpr std::uint32_t kGenericRead = 0x80000000u;
inline constexpr std::uint32_t kGenericWrite = 0x40000000u;
inline constexpr std::uint32_t kMaxDword = 0xFFFFFFFFu;

// Framing of the line: byte size 5..8, parity and stop bits in the Win32 codes (parity
// 0 none, 1 odd, 2 even, 3 mark, 4 space; stop bits 0 one, 1 one and a half, 2 two).
struct LineSettings {
    std::uint32_t baudRate = 9600;
    std::uint8_t byteSize = 8;
    std::uint8_t parity = 0;
    std::uint8_t stopBits = 0;
};

// The five COMMTIMEOUTS values. Every backend honours them the way the Win32 driver does with
// MAXDWORD in both read fields: a read returns at once with what is buffered and otherwise
// waits up to `readConstant` ms for the first byte. A write may take up to
// writeMultiplier * count + writeConstant ms; both 0 means no write timeout.
struct PortTimeouts {
    std::uint32_t readInterval = kMaxDword;
    std::uint32_t readMultiplier = kMaxDword;
    std::uint32_t readConstant = 6;
    std::uint32_t writeMultiplier = 1;
    std::uint32_t writeConstant = 1500;
};

// One kind of port device behind SerialPort: the platform's serial driver or the simulator.
// A backend is used by one thread at a time. `stop` ends a wait early.
class PortBackend {
  public:
    virtual ~PortBackend() = default;

    // Opens the device exclusively with the given framing, DTR and RTS released, the open
    // timeouts (PortTimeouts{}) and both directions purged. False when the device is missing
    // or held by someone else.
    virtual bool Open(const std::string& portName, const LineSettings& line,
                      std::uint32_t access) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // After a failed Open: what the user can do about it, when the backend knows (a port the
    // user may not open, for instance); empty otherwise.
    virtual std::string OpenFailureHint() const { return {}; }

    virtual std::size_t Read(std::uint8_t* buffer, std::size_t count, std::stop_token stop) = 0;
    virtual std::size_t Write(const std::uint8_t* buffer, std::size_t count,
                              std::stop_token stop) = 0;

    // New speed, DTR asserted, RTS released. False only when the port is closed.
    virtual bool SetBaudRate(std::uint32_t rate) = 0;
    virtual void SetTimeouts(const PortTimeouts& timeouts) = 0;
    virtual void SetDtr(bool on) = 0;
    virtual void SetRts(bool on) = 0;
    // Drops what waits in both directions.
    virtual void Purge() = 0;
};

// The serial driver of this platform (serial_port_posix.cpp or serial_port_win32.cpp).
std::unique_ptr<PortBackend> CreatePlatformBackend();

}  // namespace skelvane
