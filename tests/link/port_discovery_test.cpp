#include <gtest/gtest.h>

#include <filesystem>

#include "link/port_discovery.h"
#include "support/test_paths.h"

namespace skelvane {
namespace {

namespace fs = std::filesystem;

// A tty class entry whose device lives at `devicePath` under the fake sysfs.
void AddTty(const fs::path& sys, const std::string& name, const std::string& devicePath) {
    fs::create_directories(sys / "class" / "tty" / name);
    if (!devicePath.empty()) {
        fs::create_directories(sys / devicePath);
        fs::create_directory_symlink(sys / devicePath, sys / "class" / "tty" / name / "device");
    }
}

TEST(PortDiscoveryTest, ListsRealSerialDevicesOnly) {
    test::TempDir dir;
    const fs::path sys = dir / "sys";
    const fs::path dev = dir / "dev";
    fs::create_directories(dev / "serial" / "by-id");
    // Legacy placeholders, old and new kernels: not listed.
    AddTty(sys, "ttyS1", "devices/platform/serial8250/tty/ttyS1");
    AddTty(sys, "ttyS2", "devices/platform/serial8250/serial8250:0/serial8250:0.2");
    // A UART found by PNP, two USB adapters, a virtual console without a device.
    AddTty(sys, "ttyS0", "devices/pnp0/00:05");
    AddTty(sys, "ttyUSB10", "devices/pci0000:00/usb1/1-2/ttyUSB10");
    AddTty(sys, "ttyUSB2", "devices/pci0000:00/usb1/1-1/ttyUSB2");
    AddTty(sys, "ttyACM3", "devices/pci0000:00/usb1/1-3/ttyACM3");  // no node in /dev
    AddTty(sys, "tty5", "");
    for (const char* node : {"ttyS0", "ttyS1", "ttyS2", "ttyUSB2", "ttyUSB10", "tty5", "ttyACM0"}) {
        test::WriteFileBytes(dev / node, "");
    }
    // By-id links: one to a listed node (not repeated), one to a node sysfs did not show.
    fs::create_symlink("../../ttyUSB2", dev / "serial" / "by-id" / "usb-FTDI_A1-if00-port0");
    fs::create_symlink("../../ttyACM0", dev / "serial" / "by-id" / "usb-Radio_B2-if00");

    const std::vector<std::string> ports = EnumerateSerialPortsUnder(sys / "class" / "tty", dev);
    EXPECT_EQ(ports,
              (std::vector<std::string>{
                  (dev / "ttyS0").string(), (dev / "ttyUSB2").string(), (dev / "ttyUSB10").string(),
                  (dev / "serial" / "by-id" / "usb-Radio_B2-if00").string()}));
}

TEST(PortDiscoveryTest, MissingSysfsGivesNoPorts) {
    test::TempDir dir;
    EXPECT_TRUE(EnumerateSerialPortsUnder(dir / "none", dir / "dev").empty());
}

TEST(PortDiscoveryTest, HeldPortsAreMarkedAndFoundByTheirName) {
    const std::vector<PortListEntry> entries = MarkPorts(
        {"COM1", "COM3", "COM10"}, [](const std::string& name) { return name == "COM3"; });
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1].text, "COM3 (In Use)");
    EXPECT_EQ(entries[1].portName, "COM3");
    EXPECT_TRUE(entries[1].inUse);
    EXPECT_EQ(entries[2].text, "COM10");
    EXPECT_EQ(entries[2].itemData, 2u);
    // The stored name has no marker; it still selects the marked entry.
    EXPECT_EQ(FindPortEntry(entries, "COM3"), 1);
    EXPECT_EQ(FindPortEntry(entries, "COM10"), 2);
    EXPECT_EQ(FindPortEntry(entries, "com10"), -1);
    EXPECT_EQ(FindPortEntry(entries, "COM7"), -1);
}

TEST(PortDiscoveryTest, AMissingDeviceCountsAsInUse) {
    test::TempDir dir;
    EXPECT_TRUE(IsPortInUse(PortFactory{}, (dir / "ttyUSB9").string()));
}

}  // namespace
}  // namespace skelvane
