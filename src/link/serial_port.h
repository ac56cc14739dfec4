#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stop_token>
#include <string>
#include <utility>

#include "link/port_backend.h"
#include "link/port_factory.h"

namespace skelvane {

// A synchronous serial port: it never buffers, never retries and reports failure by return
// values only. The device behind it is chosen by the port name when it is opened, by the
// factory it was made with: the simulator for names beginning with "SIM", the platform's
// serial driver otherwise. One thread at a time uses an object.
class CommPort {
  public:
    // `ports` must outlive the object.
    explicit CommPort(const PortFactory& ports);
    CommPort(const CommPort&) = delete;
    CommPort& operator=(const CommPort&) = delete;
    virtual ~CommPort();

    // Returns the number of bytes written (0 when closed or on error).
    virtual std::size_t Write(const std::uint8_t* buffer, std::size_t count);
    // Returns at once with what is buffered (up to `count`); otherwise waits up to the read
    // timeout for the first byte. 0 on timeout, on error, when closed and when stopped.
    virtual std::size_t Read(std::uint8_t* buffer, std::size_t count);
    virtual bool IsOpen() const;
    virtual void Close();
    // Closes first, then opens exclusively. byteSize, parity and stopBits are the Win32
    // codes (parity 0 none, stop bits 0 one). Timeouts afterwards: read 6 ms, write
    // 1 ms a byte + 1500 ms. False when the port is missing or in use.
    virtual bool Open(const std::string& portName, std::uint32_t baudRate, std::uint32_t byteSize,
                      std::uint32_t parity, std::uint32_t stopBits, std::uint32_t access);

    // A stop request on `stop` cuts every later wait of Read and Write short. The worker that
    // uses the port passes its own token.
    void SetStopToken(std::stop_token stop) { stop_ = std::move(stop); }
    const std::stop_token& StopToken() const { return stop_; }

    // The name given to the last successful Open.
    const std::string& PortName() const { return port_name_; }
    // After a failed Open: what the user can do about it, when that is known; empty
    // otherwise. Callers log it as a line of its own.
    const std::string& OpenFailureHint() const { return open_failure_hint_; }

  protected:
    PortBackend* Backend() const { return backend_.get(); }

  private:
    const PortFactory& ports_;
    std::unique_ptr<PortBackend> backend_;
    std::string port_name_;
    std::string open_failure_hint_;
    std::stop_token stop_;
};

class SerialPort : public CommPort {
  public:
    using CommPort::CommPort;
    using CommPort::Open;

    // The default open of every device dialog: 9600 baud, 8 data bits, no parity, one stop
    // bit, read and write access. The dialog then sets its working speed with SetBaudRate.
    bool Open(const std::string& portName);

    // New speed with DTR asserted and RTS released. False when the port is closed.
    bool SetBaudRate(std::uint32_t rate);

    // Callers pass all five COMMTIMEOUTS values, but only `readConstant` takes effect: reads
    // then return at once when bytes are buffered and otherwise wait up to `readConstant` ms
    // for the first byte; writes get no timeout. True also when the port is closed (nothing
    // is done then).
    bool SetTimeouts(std::uint32_t interval, std::uint32_t readMultiplier,
                     std::uint32_t readConstant, std::uint32_t writeMultiplier,
                     std::uint32_t writeConstant);

    virtual void SetDtr(bool on);
    virtual void SetRts(bool on);
    // Drops what waits in both directions. True also when the port is closed.
    virtual bool Purge();
    // Reads and drops what the other end still sends, until `quietReads` reads in a row find
    // nothing or `maxReads` reads were made; a stop request does not cut it short. For the
    // port of a stopped worker before it is closed: a reply still on its way must not reach
    // the next user of the port. Leaves the read timeout at 6 ms; returns the bytes dropped.
    std::size_t DrainInput(int quietReads, int maxReads);
};

}  // namespace skelvane
