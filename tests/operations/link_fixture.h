#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/log_pane.h"
#include "base/prompter.h"
#include "document/block.h"
#include "document/unit_facts.h"
#include "operations/current_remote_ua.h"
#include "sim/builtin_network.h"
#include "sim/network.h"
#include "sim/sim_port.h"

namespace skelvane::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes Text(const std::string& text) {
    return Bytes(text.begin(), text.end());
}
inline Bytes Join(Bytes head, const Bytes& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

// Parameters as the radio templates give them, at the register ids the simulator's units use.
Parameter NumberParameter(std::string name, std::uint8_t type, std::vector<std::uint8_t> ids,
                          std::uint32_t value, std::vector<Choice> choices,
                          std::uint8_t readwrite = 2);
Parameter RangeParameter(std::string name, std::uint8_t type, std::vector<std::uint8_t> ids,
                         std::uint32_t value, std::uint32_t min, std::uint32_t max);
Parameter TextParameter(std::string name, std::string text, std::uint8_t readwrite = 2,
                        std::uint8_t visible = 1);
Parameter DiagParameter(std::string name, std::uint8_t type, std::vector<std::uint8_t> ids);

// A radio block with the template's set: addresses, radio settings, version, serial number,
// data mask, the sixteen restriction entries (hidden) and the thirteen diagnostic values.
// The values are not those of any simulated unit, so a read visibly changes them.
std::unique_ptr<Block> TemplateBlock(BlockKind kind, std::uint32_t unitAddress);

// The built-in network (Master UA 1 on the cable, Repeater 2, Remotes 300 and 301) behind
// "SIM1" on a virtual clock, with every frame the host sends recorded.
class LinkFixture {
  public:
    LinkFixture();
    ~LinkFixture();

    // Every frame the host wrote, in order (each write is one frame).
    std::vector<Bytes> Sent() const;
    // The requests' codes (byte 3), in order.
    std::vector<std::uint8_t> SentCodes() const;
    void ClearSent();

    sim::Unit& Local() { return network->Local(); }
    sim::Unit& Remote(std::uint16_t ua) { return *network->FindRemote(ua); }

    VirtualClock clock;
    std::shared_ptr<sim::Network> network;
    sim::PortHub hub;
    PortFactory ports{hub};
    UnitFacts facts;
    CurrentRemoteUa remoteUa;
    RecordingPrompter prompter;

  private:
    mutable std::mutex mutex_;
    std::vector<Bytes> sent_;
};

// The log lines the connect sequence writes before the operation (without the connection
// check), for `port`.
std::vector<std::string> OpenLines(const std::string& port = "SIM1");

// The unit on the cable with some requests answered by a script instead: a script returning
// bytes sends them (none: no answer), nullopt leaves the request to the unit. Lets tests send
// replies no real unit would.
class ScriptedPort final : public sim::PortHandler {
  public:
    using Script = std::function<std::optional<Bytes>(const Bytes& request)>;
    explicit ScriptedPort(Script script) : script_(std::move(script)) {}
    void OnBytes(sim::PortContext& port, std::span<const std::uint8_t> bytes) override;

  private:
    Script script_;
    Bytes pending_;
};

// `reply` for a request with `code` (and, when given, the entry number `entry`), else nullopt.
std::optional<Bytes> Answer(const Bytes& request, std::uint8_t code, Bytes reply, int entry = -1);

}  // namespace skelvane::test
