#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/log_pane.h"
#include "base/prompter.h"
#include "document/block.h"
#include "document/unit_facts.h"
#include "operations/current_remote_ua.h"
#include "sim/builtin_network.h"
#include "support/sim_network.h"

namespace skelvane::test {

inline Bytes Text(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// Parameters as the radio templates give them, at the register ids the simulator's units use.
Parameter NumberParameter(std::string name, std::uint8_t type, std::vector<std::uint8_t> ids,
                          std::uint32_t value, std::vector<Choice> choices,
                          std::uint8_t readwrite = 2);
Parameter RangeParameter(std::string name, std::uint8_t type, std::vector<std::uint8_t> ids,
                         std::uint32_t value, std::uint32_t min, std::uint32_t max);
Parameter TextParameter(std::string name, std::string text, std::uint8_t readwrite = 2,
                        std::uint8_t visible = 1);

// A radio block with the template's set: addresses, radio settings, version, serial number,
// data mask, the sixteen restriction entries (hidden) and the thirteen diagnostic values.
// The values are not those of any simulated unit, so a read visibly changes them.
std::unique_ptr<Block> TemplateBlock(BlockKind kind, std::uint32_t unitAddress);

// A block of `kind` as the default model's template has it, at `unitAddress`.
std::unique_ptr<Block> ModelBlock(BlockKind kind, std::uint32_t unitAddress);

// A repeater list holding `addresses`, the rest vacant.
sim::RepeaterSlots SimRepeaters(std::vector<std::uint16_t> addresses);

// Every frame the host writes to a simulated network, in order (each write is one frame).
class FrameRecorder {
  public:
    explicit FrameRecorder(sim::Network& network);
    ~FrameRecorder();

    std::vector<Bytes> Sent() const;
    // The requests' codes (byte 3), in order.
    std::vector<std::uint8_t> SentCodes() const;
    void ClearSent();

  private:
    sim::Network& network_;
    mutable std::mutex mutex_;
    std::vector<Bytes> sent_;
};

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

// The built-in network behind "SIM1" on a virtual clock, with every frame the host sends
// recorded, and what a property page needs besides.
class LinkFixture : public SimNetwork, public FrameRecorder {
  public:
    LinkFixture() : FrameRecorder(*network) {}

    sim::Unit& Local() { return network->Local(); }
    sim::Unit& Remote(std::uint16_t ua) { return *network->FindRemote(ua); }

    // Presses a page's button, which must start a worker, runs the worker to its end and takes
    // its results; the virtual time that took.
    template <typename Page>
    Millis Run(Page& page, bool (Page::*button)()) {
        const Millis start = clock.Now();
        EXPECT_TRUE((page.*button)());
        page.Link().Wait();
        page.ApplyWorkerResults();
        return clock.Now() - start;
    }

    // The unit on the cable answers through `script`.
    void Script(ScriptedPort::Script script) {
        Local().SetPortHandler(sim::UnitMode::Diagnostic,
                               std::make_shared<ScriptedPort>(std::move(script)));
    }

    UnitFacts facts;
    CurrentRemoteUa remoteUa;
    RecordingPrompter prompter;
};

// `reply` for a request with `code` (and, when given, the entry number `entry`), else nullopt;
// and a script that answers so.
std::optional<Bytes> Answer(const Bytes& request, std::uint8_t code, Bytes reply, int entry = -1);
ScriptedPort::Script AnswerWith(std::uint8_t code, Bytes reply, int entry = -1);

}  // namespace skelvane::test
