#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "base/clock.h"
#include "sim/unit.h"

namespace skelvane::sim {

// The framed diagnostic protocol on the port of the unit on the cable: collects bytes into
// frames (LEN, then LEN more bytes) and hands each whole frame to the network for routing.
// Bytes sent at another speed than the port's are line noise; a frame left incomplete for
// longer than the gap below is dropped, so the unit finds the next frame start again.
class DiagnosticPort final : public PortHandler {
  public:
    static constexpr Millis kFrameGap{100};

    // `baud` 0 accepts bytes at any speed.
    explicit DiagnosticPort(std::uint32_t baud = kDiagnosticBaud) : baud_(baud) {}

    void OnBytes(PortContext& port, std::span<const std::uint8_t> bytes) override;
    void OnLineChange(PortContext& port, const LineState& previous) override;

  private:
    std::uint32_t baud_;
    std::vector<std::uint8_t> pending_;
    Millis last_byte_{0};
};

}  // namespace skelvane::sim
