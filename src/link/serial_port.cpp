#include "link/serial_port.h"

namespace skelvane {

CommPort::CommPort(const PortFactory& ports) : ports_(ports) {}

CommPort::~CommPort() {
    // The destructor of the base cannot reach an override any more; closing the backend
    // directly is what every override does anyway.
    CommPort::Close();
}

std::size_t CommPort::Write(const std::uint8_t* buffer, std::size_t count) {
    if (!IsOpen() || buffer == nullptr || count == 0) {
        return 0;
    }
    return backend_->Write(buffer, count, stop_);
}

std::size_t CommPort::Read(std::uint8_t* buffer, std::size_t count) {
    if (!IsOpen() || buffer == nullptr || count == 0) {
        return 0;
    }
    return backend_->Read(buffer, count, stop_);
}

bool CommPort::IsOpen() const {
    return backend_ != nullptr && backend_->IsOpen();
}

void CommPort::Close() {
    if (backend_ != nullptr) {
        backend_->Close();
        backend_.reset();
    }
}

bool CommPort::Open(const std::string& portName, std::uint32_t baudRate, std::uint32_t byteSize,
                    std::uint32_t parity, std::uint32_t stopBits, std::uint32_t access) {
    Close();
    open_failure_hint_.clear();
    std::unique_ptr<PortBackend> backend = ports_.CreateBackend(portName);
    if (backend == nullptr) {
        return false;
    }
    LineSettings line;
    line.baudRate = baudRate;
    line.byteSize = static_cast<std::uint8_t>(byteSize);
    line.parity = static_cast<std::uint8_t>(parity);
    line.stopBits = static_cast<std::uint8_t>(stopBits);
    if (!backend->Open(portName, line, access)) {
        open_failure_hint_ = backend->OpenFailureHint();
        return false;
    }
    backend_ = std::move(backend);
    port_name_ = portName;
    return true;
}

bool SerialPort::Open(const std::string& portName) {
    return Open(portName, 9600, 8, 0, 0, kGenericRead | kGenericWrite);
}

bool SerialPort::SetBaudRate(std::uint32_t rate) {
    if (!IsOpen()) {
        return false;
    }
    return Backend()->SetBaudRate(rate);
}

bool SerialPort::SetTimeouts(std::uint32_t /*interval*/, std::uint32_t /*readMultiplier*/,
                             std::uint32_t readConstant, std::uint32_t /*writeMultiplier*/,
                             std::uint32_t /*writeConstant*/) {
    if (IsOpen()) {
        PortTimeouts timeouts;
        timeouts.readConstant = readConstant;
        timeouts.writeMultiplier = 0;
        timeouts.writeConstant = 0;
        Backend()->SetTimeouts(timeouts);
    }
    return true;
}

void SerialPort::SetDtr(bool on) {
    if (IsOpen()) {
        Backend()->SetDtr(on);
    }
}

void SerialPort::SetRts(bool on) {
    if (IsOpen()) {
        Backend()->SetRts(on);
    }
}

bool SerialPort::Purge() {
    if (IsOpen()) {
        Backend()->Purge();
    }
    return true;
}

std::size_t SerialPort::DrainInput(int quietReads, int maxReads) {
    if (!IsOpen()) {
        return 0;
    }
    const std::stop_token stop = StopToken();
    SetStopToken({});
    SetTimeouts(kMaxDword, kMaxDword, PortTimeouts{}.readConstant, 0, 0);
    std::uint8_t scratch[256];
    std::size_t dropped = 0;
    for (int read = 0, quiet = 0; read < maxReads && quiet < quietReads; ++read) {
        const std::size_t got = Read(scratch, sizeof scratch);
        dropped += got;
        quiet = got == 0 ? quiet + 1 : 0;
    }
    SetStopToken(stop);
    return dropped;
}

}  // namespace skelvane
