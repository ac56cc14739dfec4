#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "link/port_backend.h"
#include "link/port_factory.h"
#include "sim/network.h"

namespace skelvane::sim {

// The SIM port backend: the host side of a simulated network, with the semantics of the
// serial driver (exclusive open, a read returns what has arrived or waits up to its read
// timeout for the first byte). Its waits are sleeps on the network's Clock.
class SimPortBackend final : public PortBackend {
  public:
    explicit SimPortBackend(std::shared_ptr<Network> network);
    ~SimPortBackend() override;

    bool Open(const std::string& portName, const LineSettings& line, std::uint32_t access) override;
    void Close() override;
    bool IsOpen() const override { return open_; }
    std::size_t Read(std::uint8_t* buffer, std::size_t count, std::stop_token stop) override;
    std::size_t Write(const std::uint8_t* buffer, std::size_t count, std::stop_token stop) override;
    bool SetBaudRate(std::uint32_t rate) override;
    void SetTimeouts(const PortTimeouts& timeouts) override { timeouts_ = timeouts; }
    void SetDtr(bool on) override;
    void SetRts(bool on) override;
    void Purge() override;

  private:
    std::shared_ptr<Network> network_;
    bool open_ = false;
    PortTimeouts timeouts_;
    LineState line_;
};

// The simulated networks of a program, by port name ("SIM1", ...). Registered with a
// PortFactory, it serves those names to every SerialPort made with that factory.
class PortHub final : public SimPortProvider {
  public:
    void Add(const std::string& portName, std::shared_ptr<Network> network);
    std::shared_ptr<Network> Find(const std::string& portName) const;

    std::vector<std::string> PortNames() const override;
    bool IsInUse(const std::string& portName) const override;
    std::unique_ptr<PortBackend> CreateBackend(const std::string& portName) override;

  private:
    mutable std::mutex mutex_;
    std::map<std::string, std::shared_ptr<Network>> networks_;
};

}  // namespace skelvane::sim
