#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "base/clock.h"
#include "sim/diagnostic_port.h"
#include "sim/network.h"
#include "sim/noise_model.h"
#include "sim/unit.h"

namespace skelvane::sim {

// How the unit on the cable answers on its data port.
struct AtCommandOptions {
    // The text "ATI1" reports.
    std::string model = "TAVRIN-A";
    // The register "ATS103?" reports: the link rate.
    std::uint8_t linkRateRegister = 0x0E;
    // Chance that a scan answer breaks off before its end (no "OK").
    double cutAnswerChance = 0.05;
    // Seeds the noise and the breaks; 0 takes one from the unit address.
    std::uint32_t seed = 0;
};

// The unit's command mode on the data port, entered from the diagnostic port by the escape
// sequence (see EscapeWatchPort). Every byte is echoed; a command line ends with CR or LF
// and is answered with its result lines and "OK" (or "ERROR"):
//   AT          OK
//   ATS103?     the link rate
//   ATI1        the model text
//   ATg         a sweep: "ch N <level>dBm <bar>" for every channel, a "Paging" line, "OK";
//               the lines follow one another as the radio measures, a few at a time
//   ATO, ATCN   OK, and back to the diagnostic protocol
// The unit goes back to the diagnostic protocol also when the host drops DTR or changes
// speed, and when a line starts with a byte no command can start with (a diagnostic frame's
// length byte): that byte and the rest are handed to the diagnostic side, so a diagnostic
// client that follows a scan on the same port is answered without any other sign.
class AtCommandPort final : public PortHandler, public std::enable_shared_from_this<AtCommandPort> {
  public:
    static constexpr std::size_t kMaxLine = 64;
    static constexpr Millis kResponseTime{5};
    // Time the radio spends measuring one channel.
    static constexpr Millis kChannelDwell{1};

    explicit AtCommandPort(AtCommandOptions options);

    void OnBytes(PortContext& port, std::span<const std::uint8_t> bytes) override;
    void OnLineChange(PortContext& port, const LineState& previous) override;
    void OnEnter(PortContext& port) override;
    void OnLeave(PortContext& port) override;

    const AtCommandOptions& Options() const { return options_; }
    // Change under the network's lock while a host may be talking.
    void SetCutAnswerChance(double chance) { options_.cutAnswerChance = chance; }
    int Sweeps() const { return sweeps_; }

  private:
    void Execute(PortContext& port, const std::string& line);
    void Sweep(PortContext& port);
    // Sends `text` after `delay`, unless the unit has left command mode by then.
    void SendLater(PortContext& port, std::string text, Millis delay);

    AtCommandOptions options_;
    NoiseModel noise_;
    std::mt19937 random_;
    std::string line_;
    // Grows whenever command mode ends, so answers still on their way are dropped.
    std::uint64_t session_ = 0;
    int sweeps_ = 0;
};

// The diagnostic port with an ear for the escape sequence: every byte goes to the framed
// protocol as before, and the three bytes "+++" on their own, after a pause longer than the
// frame gap and followed by a second of silence, switch the unit to command mode. A "+++"
// can never end a diagnostic frame that way: a frame's bytes come without such pauses, and
// 0x2B as a length byte starts a 44-byte frame that three bytes cannot complete.
class EscapeWatchPort final : public PortHandler,
                              public std::enable_shared_from_this<EscapeWatchPort> {
  public:
    static constexpr Millis kQuietBefore = DiagnosticPort::kFrameGap;
    static constexpr Millis kGuard{1000};

    explicit EscapeWatchPort(std::uint32_t baud = kDiagnosticBaud);

    void OnBytes(PortContext& port, std::span<const std::uint8_t> bytes) override;
    void OnLineChange(PortContext& port, const LineState& previous) override;
    void OnEnter(PortContext& port) override;
    void OnLeave(PortContext& port) override;

  private:
    std::uint32_t baud_;
    std::shared_ptr<DiagnosticPort> frames_;
    std::string burst_;
    std::optional<Millis> lastByte_;
    std::uint64_t bytesSeen_ = 0;
};

// Gives a unit its data port: EscapeWatchPort in the diagnostic mode, AtCommandPort in the
// data mode. False (and nothing changed) when the unit has an AtCommandPort already.
bool InstallAtCommandSide(Unit& unit, AtCommandOptions options = {});
// The same for the unit on the cable of a network, under the network's lock.
bool InstallAtCommandSide(Network& network, AtCommandOptions options = {});

}  // namespace skelvane::sim
