#include "sim/diagnostic_port.h"

#include "sim/network.h"

namespace skelvane::sim {

void DiagnosticPort::OnBytes(PortContext& port, std::span<const std::uint8_t> bytes) {
    if (baud_ != 0 && port.Line().baudRate != baud_) {
        pending_.clear();  // at the wrong speed the unit sees only framing errors
        return;
    }
    const Millis now = port.Now();
    if (!pending_.empty() && now - last_byte_ > kFrameGap) {
        pending_.clear();
    }
    last_byte_ = now;
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    while (!pending_.empty()) {
        const std::size_t need = static_cast<std::size_t>(pending_[0]) + 1;
        if (pending_.size() < need) {
            break;
        }
        std::vector<std::uint8_t> frame(pending_.begin(),
                                        pending_.begin() + static_cast<std::ptrdiff_t>(need));
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(need));
        port.RouteFrame(std::move(frame));
    }
}

void DiagnosticPort::OnLineChange(PortContext& port, const LineState& previous) {
    if (port.Line().baudRate != previous.baudRate) {
        pending_.clear();
    }
}

}  // namespace skelvane::sim
