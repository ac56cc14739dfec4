#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "link/port_backend.h"

namespace skelvane {

// Ports whose names begin with "SIM" are served in process by a simulated network. The link
// layer knows the simulator only through this interface; the program (or a test) registers
// the object that owns the simulated networks with its PortFactory.
class SimPortProvider {
  public:
    virtual ~SimPortProvider() = default;
    virtual std::vector<std::string> PortNames() const = 0;
    virtual bool IsInUse(const std::string& portName) const = 0;
    // nullptr for a name this provider does not serve.
    virtual std::unique_ptr<PortBackend> CreateBackend(const std::string& portName) = 0;
};

// Hears every request a device link sends over a port of the factory it was given, with the
// reply it collected: the program's one place to learn which units answer, whichever page,
// command or scan made the exchange.
class ExchangeObserver {
  public:
    virtual ~ExchangeObserver() = default;
    // Called on the thread that made the exchange, after the reply was collected. `reply`
    // holds the bytes received (empty when nothing came; not checked); `replyExpected` is
    // false for requests whose answer is not waited for (writes, defaults, reset), whose
    // silence therefore means nothing.
    virtual void ExchangeDone(const std::string& portName, std::span<const std::uint8_t> request,
                              std::span<const std::uint8_t> reply, bool replyExpected) = 0;
};

// Opens ports by name: the platform's serial driver for every name but "SIM...", which go to
// the simulated ports registered here. The program keeps one (the GUI's AppState, the CLI's
// Context; each test makes its own) and hands it to whatever opens or lists ports.
// Providers are registered before the factory is used; after that it is only read, from any
// thread.
class PortFactory {
  public:
    // Only the platform's ports.
    PortFactory() = default;
    // The platform's ports and those of `simPorts`.
    explicit PortFactory(SimPortProvider& simPorts) { AddSimPorts(simPorts); }
    PortFactory(const PortFactory&) = delete;
    PortFactory& operator=(const PortFactory&) = delete;

    // Serves the SIM names `provider` lists. Not owned: it must outlive the factory.
    void AddSimPorts(SimPortProvider& provider) { providers_.push_back(&provider); }

    // The backend for a port name, not yet open: a simulator's for "SIM..." names (nullptr
    // when none serves it), the platform driver for every other name.
    std::unique_ptr<PortBackend> CreateBackend(const std::string& portName) const;

    // The simulated ports, in the order their providers were registered.
    std::vector<std::string> SimPortNames() const;
    // For a "SIM..." name: held by someone, or served by no provider.
    bool IsSimPortInUse(const std::string& portName) const;

    // Where the device links made with this factory report their exchanges (none: nobody
    // listens). Set before the factory is used; not owned.
    void SetExchangeObserver(ExchangeObserver* observer) { observer_ = observer; }
    ExchangeObserver* GetExchangeObserver() const { return observer_; }

  private:
    std::vector<SimPortProvider*> providers_;
    ExchangeObserver* observer_ = nullptr;
};

}  // namespace skelvane
