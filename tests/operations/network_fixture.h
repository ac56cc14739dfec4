#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/prompter.h"
#include "document/block.h"
#include "document/link_id_counter.h"
#include "link/port_factory.h"
#include "link_fixture.h"
#include "sim/network.h"
#include "sim/sim_port.h"

namespace skelvane::test {

// A small network written as words: each word is a radio block, its kind letter (M Master,
// P Repeater, R Remote), its unit address ("x": no "UnitAddress" parameter), an optional name
// suffix, and "<NAME" when its input is linked from block NAME. The word before "<" is the
// block's name. "M1 P2<M1 R300<P2 R301<M1" is a Master with a Repeater and two Remotes.
// Blocks carry TemplateBlock's parameters and come in the order written (child-walk order).
std::unique_ptr<Block> MakeNetwork(const std::string& words, LinkIdCounter& ids);

// Such a network in a file's blocks and as simulated units behind "SIM1" (seeded from the
// blocks, the first Master on the cable), on a virtual clock, with every frame the host
// sends recorded.
class NetworkSim {
  public:
    explicit NetworkSim(const std::string& words);

    Block& Root() { return *root_; }
    Block& BlockNamed(const std::string& name);
    // The unit of a block, by the block's name.
    sim::Unit& UnitOf(const std::string& name);
    // The frames the host sent, in order, and the UA each was sent to (0: the cable unit).
    struct Sent {
        std::uint16_t ua;
        std::uint8_t code;
        std::vector<std::uint8_t> frame;
    };
    std::vector<Sent> Frames() const;
    void ClearFrames() { recorder_->ClearSent(); }

    VirtualClock clock;
    LinkIdCounter ids;
    std::shared_ptr<sim::Network> network;
    sim::PortHub hub;
    PortFactory ports{hub};
    RecordingPrompter prompter;

  private:
    std::unique_ptr<Block> root_;
    std::unique_ptr<FrameRecorder> recorder_;
};

}  // namespace skelvane::test
