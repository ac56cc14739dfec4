#include "sim/sim_port.h"

#include <algorithm>

namespace skelvane::sim {

SimPortBackend::SimPortBackend(std::shared_ptr<Network> network) : network_(std::move(network)) {}

SimPortBackend::~SimPortBackend() {
    Close();
}

bool SimPortBackend::Open(const std::string& /*portName*/, const LineSettings& line,
                          std::uint32_t /*access*/) {
    Close();
    if (network_->Vanished() || !network_->AttachHost()) {
        return false;
    }
    open_ = true;
    line_ = LineState{line.baudRate, line.byteSize, line.parity, line.stopBits, false, false};
    network_->SetHostLine(line_);
    network_->HostPurge();
    timeouts_ = PortTimeouts{};
    return true;
}

void SimPortBackend::Close() {
    if (open_) {
        open_ = false;
        network_->DetachHost();
    }
}

std::size_t SimPortBackend::Read(std::uint8_t* buffer, std::size_t count, std::stop_token stop) {
    if (!open_ || count == 0) {
        return 0;
    }
    Clock& clock = network_->GetClock();
    const Millis deadline = clock.Now() + Millis(timeouts_.readConstant);
    if (network_->Vanished()) {
        // Nothing comes from a port that has gone, but the read still takes its time, so a
        // caller's loop bounded by time does not spin.
        clock.SleepFor(Millis(timeouts_.readConstant), stop);
        return 0;
    }
    for (;;) {
        const std::size_t got = network_->HostRead(buffer, count);
        if (got > 0) {
            return got;
        }
        const Millis now = clock.Now();
        if (now >= deadline || stop.stop_requested()) {
            return 0;
        }
        // Sleep until something happens on the network or the timeout ends, whichever is
        // first; never a busy loop.
        Millis wake = deadline;
        if (const std::optional<Millis> next = network_->NextEventTime()) {
            wake = std::min(wake, std::max(*next, now + Millis{1}));
        }
        if (!clock.SleepFor(wake - now, stop)) {
            return 0;
        }
    }
}

std::size_t SimPortBackend::Write(const std::uint8_t* buffer, std::size_t count,
                                  std::stop_token /*stop*/) {
    if (!open_ || count == 0 || network_->Vanished() || !network_->TakeHostWrite()) {
        return 0;
    }
    network_->HostWrite(std::span<const std::uint8_t>(buffer, count));
    return count;
}

bool SimPortBackend::SetBaudRate(std::uint32_t rate) {
    if (!open_) {
        return false;
    }
    line_.baudRate = rate;
    line_.dtr = true;
    line_.rts = false;
    network_->SetHostLine(line_);
    return true;
}

void SimPortBackend::SetDtr(bool on) {
    if (open_) {
        line_.dtr = on;
        network_->SetHostLine(line_);
    }
}

void SimPortBackend::SetRts(bool on) {
    if (open_) {
        line_.rts = on;
        network_->SetHostLine(line_);
    }
}

void SimPortBackend::Purge() {
    if (open_) {
        network_->HostPurge();
    }
}

void PortHub::Add(const std::string& portName, std::shared_ptr<Network> network) {
    std::lock_guard lock(mutex_);
    networks_[portName] = std::move(network);
}

std::shared_ptr<Network> PortHub::Find(const std::string& portName) const {
    std::lock_guard lock(mutex_);
    const auto found = networks_.find(portName);
    return found == networks_.end() ? nullptr : found->second;
}

std::vector<std::string> PortHub::PortNames() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> names;
    for (const auto& [name, network] : networks_) {
        names.push_back(name);
    }
    return names;
}

bool PortHub::IsInUse(const std::string& portName) const {
    const std::shared_ptr<Network> network = Find(portName);
    return network == nullptr || network->Vanished() || network->HostAttached();
}

std::unique_ptr<PortBackend> PortHub::CreateBackend(const std::string& portName) {
    std::shared_ptr<Network> network = Find(portName);
    if (network == nullptr) {
        return nullptr;
    }
    return std::make_unique<SimPortBackend>(std::move(network));
}

}  // namespace skelvane::sim
