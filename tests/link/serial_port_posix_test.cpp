#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "link/line_speed_posix.h"
#include "link/port_discovery.h"
#include "link/port_settings.h"
#include "link/serial_port.h"
#include "pty_pair.h"
#include "support/test_paths.h"

namespace skelvane {
namespace {

namespace fs = std::filesystem;

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using SteadyClock = std::chrono::steady_clock;

long MillisSince(SteadyClock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - start).count());
}

class SerialPortPosixTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pty_.Ok()) << "no pseudo-terminal available";
        ASSERT_TRUE(port_.Open(pty_.Path()));
    }
    test::PtyPair pty_;
    const PortFactory ports_{};
    SerialPort port_{ports_};
};

// An idle read waits about its read constant: 6 ms after Open, the value of SetTimeouts
// afterwards. Order of magnitude only; the machine may be busy.
TEST_F(SerialPortPosixTest, AnIdleReadWaitsAboutTheReadConstant) {
    std::uint8_t buffer[16];
    for (const long expectMs : {6L, 200L}) {
        if (expectMs != 6) {
            ASSERT_TRUE(port_.SetTimeouts(200, 1, 200, 1, 1500));
        }
        const auto start = SteadyClock::now();
        EXPECT_EQ(port_.Read(buffer, sizeof buffer), 0u);
        const long elapsed = MillisSince(start);
        EXPECT_GE(elapsed, expectMs / 2);
        EXPECT_LT(elapsed, expectMs * 5 + 100);
    }
}

TEST_F(SerialPortPosixTest, BufferedBytesComeBackAtOnceUpToTheCount) {
    ASSERT_TRUE(port_.SetTimeouts(1000, 1, 1000, 1, 1500));
    ASSERT_TRUE(pty_.SendBuffered({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));

    std::uint8_t buffer[64];
    const auto start = SteadyClock::now();
    ASSERT_EQ(port_.Read(buffer, 4), 4u);
    EXPECT_EQ(Bytes(buffer, buffer + 4), (Bytes{1, 2, 3, 4}));
    ASSERT_EQ(port_.Read(buffer, sizeof buffer), 6u);
    EXPECT_EQ(Bytes(buffer, buffer + 6), (Bytes{5, 6, 7, 8, 9, 10}));
    EXPECT_LT(MillisSince(start), 500);  // far below the 1000 ms a wait would take
}

TEST_F(SerialPortPosixTest, ReadReturnsTheFirstBytesThatArriveDuringTheWait) {
    ASSERT_TRUE(port_.SetTimeouts(2000, 1, 2000, 1, 1500));
    std::jthread peer([this] {
        std::this_thread::sleep_for(50ms);
        pty_.Send({0x09, 0x00});
    });
    std::uint8_t buffer[16];
    const auto start = SteadyClock::now();
    EXPECT_GE(port_.Read(buffer, sizeof buffer), 1u);
    EXPECT_EQ(buffer[0], 0x09);
    EXPECT_LT(MillisSince(start), 1500);
}

TEST_F(SerialPortPosixTest, WritesReachThePeerAndPurgeDropsWhatWaits) {
    ASSERT_TRUE(port_.SetBaudRate(115200));
    const Bytes frame = {0x03, 0x00, 0x00, 0x29};
    EXPECT_EQ(port_.Write(frame.data(), frame.size()), frame.size());
    EXPECT_EQ(pty_.Receive(), frame);

    // Purge drops what waits.
    ASSERT_TRUE(pty_.SendBuffered({1, 2, 3}));
    EXPECT_TRUE(port_.Purge());
    std::uint8_t buffer[8];
    EXPECT_EQ(port_.Read(buffer, sizeof buffer), 0u);
}

TEST_F(SerialPortPosixTest, ASecondOpenFailsUntilTheFirstCloses) {
    // Opening an open port closes it first: were the first handle kept, its lock would refuse.
    ASSERT_TRUE(port_.Open(pty_.Path()));
    EXPECT_TRUE(IsPortInUse(ports_, pty_.Path()));
    SerialPort other{ports_};
    EXPECT_FALSE(other.Open(pty_.Path()));
    EXPECT_FALSE(other.IsOpen());
    EXPECT_EQ(other.OpenFailureHint(), pty_.Path() + " is in use by another program.");
    port_.Close();
    EXPECT_FALSE(IsPortInUse(ports_, pty_.Path()));
    EXPECT_TRUE(other.Open(pty_.Path()));
}

TEST_F(SerialPortPosixTest, AStopRequestEndsAWaitAtOnce) {
    ASSERT_TRUE(port_.SetTimeouts(10000, 1, 10000, 1, 1500));
    std::stop_source stop;
    port_.SetStopToken(stop.get_token());
    std::jthread stopper([&stop] {
        std::this_thread::sleep_for(50ms);
        stop.request_stop();
    });
    std::uint8_t buffer[8];
    const auto start = SteadyClock::now();
    EXPECT_EQ(port_.Read(buffer, sizeof buffer), 0u);
    EXPECT_LT(MillisSince(start), 2000);

    // Once stopped, a read does not wait at all but still returns what is there.
    ASSERT_TRUE(pty_.SendBuffered({7}));
    EXPECT_EQ(port_.Read(buffer, sizeof buffer), 1u);
    const auto again = SteadyClock::now();
    EXPECT_EQ(port_.Read(buffer, sizeof buffer), 0u);
    EXPECT_LT(MillisSince(again), 1000);
}

TEST_F(SerialPortPosixTest, OpenSetsTheFramingFromTheWin32Codes) {
    // 7 data bits, even parity (2), two stop bits (2). A pseudo-terminal forces 8 bits
    // without parity, so only the stop bits, the handshake and the speed show here.
    ASSERT_TRUE(port_.Open(pty_.Path(), 19200, 7, 2, 2, kGenericRead | kGenericWrite));
    termios tio{};
    ASSERT_EQ(tcgetattr(pty_.Master(), &tio), 0);
    EXPECT_NE(tio.c_cflag & CSTOPB, 0u);
    EXPECT_EQ(tio.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(GetLineSpeed(pty_.Master()), 19200u);
}

class BaudRateTest : public SerialPortPosixTest,
                     public ::testing::WithParamInterface<std::uint32_t> {};

TEST_P(BaudRateTest, EveryRateOfTheSelectorIsSet) {
    EXPECT_TRUE(port_.SetBaudRate(GetParam()));
    EXPECT_EQ(GetLineSpeed(pty_.Master()), GetParam());
}

INSTANTIATE_TEST_SUITE_P(SelectorRates, BaudRateTest, ::testing::ValuesIn(kBaudRates));

// Only terminals open, a refused open says why, and the port it leaves closed does nothing.
TEST(SerialPortClosedTest, OnlyTerminalsOpenAndARefusalSaysWhy) {
    test::TempDir dir;
    test::WriteFileBytes(dir / "plain", "not a port");
    test::WriteFileBytes(dir / "locked", "x");
    fs::permissions(dir / "locked", fs::perms::none);
    const std::string plain = (dir / "plain").string();
    const std::string missing = (dir / "missing").string();
    const std::string locked = (dir / "locked").string();
    const struct {
        std::string name;
        std::string hint;
    } cases[] = {
        {plain, plain + " is not a serial port."},
        {"/dev/null", "/dev/null is not a serial port."},
        {missing, "There is no port " + missing + "."},
        {locked, geteuid() == 0 ? locked + " is not a serial port."
                                : "Permission denied on " + locked +
                                      ": add your user to the 'dialout' group and log in again."},
    };
    const PortFactory ports;
    SerialPort port{ports};
    for (const auto& c : cases) {
        EXPECT_FALSE(port.Open(c.name));
        EXPECT_EQ(port.OpenFailureHint(), c.hint);
    }
    EXPECT_FALSE(port.Open(""));
    EXPECT_FALSE(port.IsOpen());
    std::uint8_t buffer[4] = {1, 2, 3, 4};
    EXPECT_EQ(port.Read(buffer, sizeof buffer), 0u);
    EXPECT_EQ(port.Write(buffer, sizeof buffer), 0u);
    EXPECT_FALSE(port.SetBaudRate(115200));
    port.SetDtr(true);
    port.Close();
}

}  // namespace
}  // namespace skelvane
