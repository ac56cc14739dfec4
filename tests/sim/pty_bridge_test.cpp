// skelvane-sim as the program it is, serving its network on a pseudo-terminal.
#include <gtest/gtest.h>

#include <filesystem>

#include "link/serial_port.h"
#include "support/programs.h"

namespace skelvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Writes a request and reads until a whole frame (first byte + 1 bytes) is in, for at most
// a second.
Bytes Ask(SerialPort& port, const Bytes& request) {
    port.Write(request.data(), request.size());
    Bytes got;
    std::uint8_t buffer[256];
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (std::chrono::steady_clock::now() < end &&
           (got.empty() || got.size() < static_cast<std::size_t>(got[0]) + 1)) {
        const std::size_t n = port.Read(buffer, sizeof buffer);
        got.insert(got.end(), buffer, buffer + n);
    }
    return got;
}

TEST(PtyBridgeTest, SkelvaneSimServesTheDefaultModelsNetworkOnAPseudoTerminal) {
    test::TempDir dir;
    const std::filesystem::path link = dir / "radio";
    test::ChildProcess sim(test::RuntimeDir() / "skelvane-sim", {"--link", link.string()});
    ASSERT_TRUE(sim.Started()) << "skelvane-sim is not built";
    const std::string path = sim.NextLine();
    ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
    EXPECT_EQ(std::filesystem::read_symlink(link), path);

    // Through the symbolic link, as a user would configure the port, with the real termios
    // code of the tool: opened at 9600, switched to 115200.
    const PortFactory ports;
    SerialPort port{ports};
    ASSERT_TRUE(port.Open(link.string()));
    ASSERT_TRUE(port.Purge());
    ASSERT_TRUE(port.SetBaudRate(115200));
    // The default model's register set: transmit power (0x0B) and link rate (0x0E) as the
    // template's Master has them.
    EXPECT_EQ(Ask(port, {0x05, 0x00, 0x00, 0x14, 0x0B, 0x0E}),
              (Bytes{0x07, 0x00, 0x01, 0x64, 0x0B, 30, 0x0E, 0x01}));
    port.Close();

    EXPECT_EQ(sim.Stop(SIGTERM), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}

TEST(PtyBridgeTest, SkelvaneSimRefusesABadFaultPlan) {
    test::ChildProcess sim(test::RuntimeDir() / "skelvane-sim", {"--faults", "drop=lots"});
    ASSERT_TRUE(sim.Started());
    EXPECT_EQ(sim.Stop(0), 2);
}

}  // namespace
}  // namespace skelvane
