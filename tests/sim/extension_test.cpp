#include <gtest/gtest.h>

#include "sim_fixture.h"

namespace skelvane {
namespace {

using test::Bytes;

// A stand-in for a boot-mode side: with DTR asserted, RTS raised and dropped again puts the
// unit into boot mode 10 ms later; there it answers every byte with its complement, at
// whatever speed the host uses.
class BootStub final : public sim::PortHandler {
  public:
    void OnLineChange(sim::PortContext& port, const sim::LineState& previous) override {
        if (port.Line().dtr && previous.rts && !port.Line().rts &&
            port.Self().Mode() == sim::UnitMode::Diagnostic) {
            port.After(Millis{10}, [](sim::PortContext& p) { p.SetMode(sim::UnitMode::Boot); });
        }
    }
    void OnBytes(sim::PortContext& port, std::span<const std::uint8_t> bytes) override {
        lastBaud = port.Line().baudRate;
        Bytes out;
        for (const std::uint8_t b : bytes) {
            out.push_back(static_cast<std::uint8_t>(~b));
        }
        port.Send(out);
    }
    void OnEnter(sim::PortContext&) override { ++entered; }

    int entered = 0;
    std::uint32_t lastBaud = 0;
};

TEST(SimExtensionTest, APortHandlerTakesOverInItsMode) {
    test::SimFixture sim;
    auto stub = std::make_shared<BootStub>();
    sim.network->Local().SetPortHandler(sim::UnitMode::Boot, stub);
    ASSERT_TRUE(sim.port.Open("SIM1"));
    ASSERT_TRUE(sim.port.SetBaudRate(19200));  // DTR asserted, RTS released
    sim.port.SetRts(true);
    EXPECT_EQ(sim.network->Local().Mode(), sim::UnitMode::Diagnostic);
    sim.port.SetRts(false);
    sim.Collect(Millis{20});
    EXPECT_EQ(sim.network->Local().Mode(), sim::UnitMode::Boot);
    EXPECT_EQ(stub->entered, 1);

    EXPECT_EQ(sim.Exchange({0x00, 0x55}), (Bytes{0xFF, 0xAA}));
    EXPECT_EQ(stub->lastBaud, 19200u);
    // The diagnostic protocol is not spoken in boot mode.
    ASSERT_TRUE(sim.port.SetBaudRate(115200));
    EXPECT_EQ(sim.Exchange({0x03, 0x00, 0x00, 0x29}), (Bytes{0xFC, 0xFF, 0xFF, 0xD6}));
}

TEST(SimExtensionTest, FrameHandlersAddAndReplaceCodes) {
    test::SimFixture sim;
    ASSERT_TRUE(sim.Connect());
    sim::Unit& remote = *sim.network->FindRemote(300);
    int blocks = 0;
    remote.SetFrameHandler(
        0x41, [&blocks](sim::Unit&, const sim::Frame& frame) -> std::optional<sim::Reply> {
            if (frame.payload.empty()) {
                return std::nullopt;
            }
            if (frame.payload[0] == 0x01) {
                ++blocks;
                return sim::Reply{0xA5, {0x01, frame.payload[1], frame.payload[2]}, Millis{30}};
            }
            return sim::Reply{0xA5, {frame.payload[0]}, Millis{0}};
        });
    EXPECT_EQ(sim.Exchange({0x04, 0x01, 0x2C, 0x41, 0x00}), (Bytes{0x04, 0x01, 0x2C, 0xA5, 0x00}));
    EXPECT_EQ(sim.Exchange({0x06, 0x01, 0x2C, 0x41, 0x01, 0x00, 0x07}),
              (Bytes{0x06, 0x01, 0x2C, 0xA5, 0x01, 0x00, 0x07}));
    EXPECT_EQ(blocks, 1);
    EXPECT_TRUE(sim.Exchange({0x04, 0x01, 0x2D, 0x41, 0x00}).empty());  // not on unit 301

    // The extra time a handler asks for shows on the clock.
    sim.port.SetTimeouts(1000, 1, 1000, 1, 1500);
    const Bytes block = {0x06, 0x01, 0x2C, 0x41, 0x01, 0x00, 0x08};
    const Millis start = sim.clock.Now();
    sim.port.Write(block.data(), block.size());
    std::uint8_t buffer[16];
    ASSERT_GT(sim.port.Read(buffer, sizeof buffer), 0u);
    EXPECT_GE(sim.clock.Now() - start, sim::kRemoteLatency + Millis{30});

    remote.SetFrameHandler(0x29, {});
    EXPECT_TRUE(sim.Exchange({0x03, 0x01, 0x2C, 0x29}).empty());
}

}  // namespace
}  // namespace skelvane
