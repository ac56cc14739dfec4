#pragma once

#include <deque>
#include <span>
#include <string>
#include <vector>

#include "sim/at_command_port.h"
#include "support/sim_network.h"

namespace skelvane::test {

// The built-in network behind "SIM1" on a virtual clock.
struct RadioFixture : SimNetwork {
    // Gives the unit on the cable its data port; answers are never cut unless asked for.
    sim::AtCommandPort& InstallDataPort(sim::AtCommandOptions options = {}) {
        sim::InstallAtCommandSide(*network, std::move(options));
        return DataPort();
    }
    sim::AtCommandPort& DataPort() {
        return *dynamic_cast<sim::AtCommandPort*>(
            network->Local().PortHandlerFor(sim::UnitMode::Data));
    }
};

inline sim::AtCommandOptions NeverCut(std::string model = "TAVRIN-A") {
    sim::AtCommandOptions options;
    options.model = std::move(model);
    options.cutAnswerChance = 0;
    return options;
}

// A radio that answers whatever it hears with the next of its scripted texts, each after a
// pause.
class ScriptedRadio final : public sim::PortHandler {
  public:
    struct Answer {
        std::string text;
        Millis delay{5};
    };

    void OnBytes(sim::PortContext& port, std::span<const std::uint8_t> bytes) override {
        heard.append(bytes.begin(), bytes.end());
        if (answers.empty()) {
            return;
        }
        const Answer answer = answers.front();
        answers.pop_front();
        port.Send(std::vector<std::uint8_t>(answer.text.begin(), answer.text.end()), answer.delay);
    }

    std::deque<Answer> answers;
    std::string heard;
};

}  // namespace skelvane::test
