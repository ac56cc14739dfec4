#include <gtest/gtest.h>

#include <functional>
#include <numeric>

#include "sim/network.h"
#include "sim/sim_port.h"
#include "upgrade/boot_images.h"
#include "upgrade/boot_mode_link.h"

namespace skelvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A unit in boot mode that answers each write the host makes with what `answer` returns for
// it (nothing when empty).
class ScriptedPeer final : public sim::PortHandler {
  public:
    void OnBytes(sim::PortContext& port, std::span<const std::uint8_t> bytes) override {
        const Bytes write(bytes.begin(), bytes.end());
        received.insert(received.end(), write.begin(), write.end());
        if (answer) {
            Bytes reply = answer(write);
            if (!reply.empty()) {
                port.Send(std::move(reply));
            }
        }
    }

    std::function<Bytes(const Bytes&)> answer;
    Bytes received;
};

class BootModeLinkTest : public ::testing::Test {
  protected:
    BootModeLinkTest() {
        hub.Add("SIM1", network);
        network->Local().SetPortHandler(sim::UnitMode::Boot, peer);
        network->Locked([](sim::Network& net) {
            sim::PortContext(net, net.Local()).SetMode(sim::UnitMode::Boot);
        });
        port.Open("SIM1");  // read timeout 6 ms
        port.SetBaudRate(115200);
    }

    // Answers every write with `reply`.
    void AnswerAlways(Bytes reply) {
        peer->answer = [reply](const Bytes&) { return reply; };
    }

    VirtualClock clock;
    std::shared_ptr<sim::Network> network = std::make_shared<sim::Network>(clock);
    sim::PortHub hub;
    PortFactory ports{hub};
    std::shared_ptr<ScriptedPeer> peer = std::make_shared<ScriptedPeer>();
    SerialPort port{ports};
    int dots = 0;
    BootModeLink link{port, clock, {}, BootModeLink::Hooks{[this] { ++dots; }, {}}};
};

struct StatusCase {
    Bytes reply;
    std::uint8_t expected;
    bool passes;
};

class QueryStatusTest : public BootModeLinkTest,
                        public ::testing::WithParamInterface<StatusCase> {};

TEST_P(QueryStatusTest, NeedsFiveBytesThatSumToZeroAndTheStatus) {
    AnswerAlways(GetParam().reply);
    EXPECT_EQ(link.QueryStatus(GetParam().expected), GetParam().passes);
    EXPECT_EQ(peer->received, Bytes{0x4F});
}

INSTANTIATE_TEST_SUITE_P(Replies, QueryStatusTest,
                         ::testing::Values(StatusCase{{0x5F, 0x02, 0x03, 0x00, 0x9C}, 3, true},
                                           StatusCase{{0x5F, 0x02, 0x03, 0x00, 0x9D}, 3, false},
                                           StatusCase{{0x5F, 0x02, 0x03, 0x00}, 3, false},
                                           StatusCase{{0x5F, 0x02, 0x02, 0x00, 0x9D}, 3, false},
                                           // bytes 0, 1 and 3 only count through the checksum
                                           StatusCase{{0x00, 0x00, 0x03, 0x10, 0xED}, 3, true},
                                           StatusCase{{}, 3, false}));

TEST_F(BootModeLinkTest, AShortStatusReplyCostsOneLongReadAtMost) {
    AnswerAlways({0x5F, 0x02, 0x03, 0x00});
    EXPECT_FALSE(link.QueryStatus(3));
    // Five 1 ms pauses and a fifth read that waits its 1500 ms in vain; the four bytes took
    // their own wire time.
    EXPECT_GE(clock.Elapsed(), Millis{1505});
    EXPECT_LE(clock.Elapsed(), Millis{1510});
}

TEST_F(BootModeLinkTest, SendExpectLooksAtTheFirstByteOfEachRead) {
    AnswerAlways({0x06, 0x99});
    EXPECT_TRUE(link.SendExpect(Bytes{0x40}, 0x06));

    AnswerAlways({0x15, 0x06});  // one read brings both: its first byte is not the ack
    EXPECT_FALSE(link.SendExpect(Bytes{0x40}, 0x06));

    AnswerAlways({});
    const Millis before = clock.Now();
    EXPECT_FALSE(link.SendExpect(Bytes{0x40}, 0x06));
    EXPECT_EQ(clock.Now() - before, Millis{20 * 6});  // twenty reads of the open's 6 ms

    const std::size_t sent = peer->received.size();
    EXPECT_TRUE(link.SendExpect(Bytes{0x4D, 0x4E}, std::nullopt));
    EXPECT_EQ(clock.Now() - before, Millis{20 * 6});  // no wait at all
    clock.Advance(Millis{1});
    network->RunDue();
    EXPECT_EQ(peer->received.size(), sent + 2);
}

TEST_F(BootModeLinkTest, WaitByteReadsOneByteAtATime) {
    port.Write(Bytes{0x01}.data(), 1);
    AnswerAlways({0x15, 0x15, 0x06});
    EXPECT_TRUE(link.WaitByte(0x06));

    AnswerAlways({});
    port.Write(Bytes{0x01}.data(), 1);
    const Millis before = clock.Now();
    EXPECT_FALSE(link.WaitByte(0x06));
    EXPECT_EQ(clock.Now() - before, Millis{20 * (5 + 6)});
}

class LoadProcedureTest : public BootModeLinkTest,
                          public ::testing::WithParamInterface<std::pair<std::size_t, int>> {};

TEST_P(LoadProcedureTest, SizeImageAndChecksumWithADotPerFullPiece) {
    const auto [size, expectedDots] = GetParam();
    Bytes image(size);
    std::iota(image.begin(), image.end(), std::uint8_t{3});
    peer->answer = [this, size = size](const Bytes&) {
        return peer->received.size() == 4 + size + 1 ? Bytes{0x06} : Bytes{};
    };
    EXPECT_TRUE(link.LoadProcedure(image));
    EXPECT_EQ(dots, expectedDots);

    const Bytes& got = peer->received;
    ASSERT_EQ(got.size(), 4 + size + 1);
    EXPECT_EQ(Bytes(got.begin(), got.begin() + 4),
              (Bytes{0, 0, static_cast<std::uint8_t>(size >> 8), static_cast<std::uint8_t>(size)}));
    EXPECT_TRUE(std::equal(image.begin(), image.end(), got.begin() + 4));
    EXPECT_EQ(std::accumulate(got.begin(), got.end(), 0u) % 256, 0u);
}

INSTANTIATE_TEST_SUITE_P(Sizes, LoadProcedureTest,
                         ::testing::Values(std::pair<std::size_t, int>{512, 2},
                                           std::pair<std::size_t, int>{255, 0}));

}  // namespace
}  // namespace skelvane
