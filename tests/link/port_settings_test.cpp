#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "link/port_names.h"
#include "link/port_settings.h"
#include "support/test_paths.h"

namespace skelvane {
namespace {

TEST(PortNamesTest, LongComNamesGetTheDevicePrefix) {
    const std::pair<const char*, const char*> cases[] = {
        {"COM12", "\\\\.\\COM12"},       {"COM9", "COM9"}, {"com12", "com12"},
        {"COMX5", "\\\\.\\COMX5"},       {"COM", "COM"},   {"", ""},
        {"/dev/ttyUSB0", "/dev/ttyUSB0"}};
    for (const auto& [port, path] : cases) {
        EXPECT_EQ(Win32DevicePath(port), path) << port;
    }
}

// A single marker and a name without one are checked through the stored settings below.
TEST(PortNamesTest, InUseSuffixAndSimulatorNames) {
    EXPECT_EQ(StripInUseSuffix("COM3 (In Use) (In Use)"), "COM3");
    EXPECT_EQ(StripInUseSuffix(" (In Use)"), "");
    EXPECT_EQ(StripInUseSuffix("COM3 (in use)"), "COM3 (in use)");
    EXPECT_TRUE(IsSimPortName("SIM1"));
    EXPECT_FALSE(IsSimPortName("sim1"));
    EXPECT_FALSE(IsSimPortName("/dev/SIM1"));
}

TEST(PortSettingsTest, TheStoredPortNameNeverKeepsTheInUseMarker) {
    // Stored with the marker, every later open of the port would fail.
    MemorySettingsStore store;
    ASSERT_TRUE(SavePortSettings(store, {"COM3 (In Use)", "9600", "7E1", "RTS/CTS"}));
    EXPECT_EQ(store.values["PortName"], "COM3");
}

TEST(PortSettingsTest, IniRoundTripKeepsTheRestOfTheFile) {
    test::TempDir dir;
    const std::filesystem::path file = dir / "Corvantis" / "Skelvane.conf";
    IniSettingsStore store(file);
    EXPECT_EQ(LoadPortSettings(store, "SIM1"), (PortSettings{"SIM1", "115200", "8N1", "None"}));

    const PortSettings saved{"/dev/ttyUSB1", "57600", "8O1", "RTS/CTS"};
    ASSERT_TRUE(SavePortSettings(store, saved));
    EXPECT_EQ(LoadPortSettings(store, "SIM1"), saved);

    // Other sections, comments and unknown keys survive, whatever bytes they hold; keys match
    // without regard to case.
    using namespace std::string_literals;
    test::WriteFileBytes(file,
                         "; written by hand\n[Window]\nWidth=800\n\n[serialport]\n"
                         "portname = /dev/ttyS7\r\nExtra=kept\n\n[Other]\nBaudRate=1\na\0b\n"s);
    EXPECT_EQ(LoadPortSettings(store, "SIM1"),
              (PortSettings{"/dev/ttyS7", "115200", "8N1", "None"}));
    ASSERT_TRUE(SavePortSettings(store, saved));
    EXPECT_EQ(test::ReadFileBytes(file),
              "; written by hand\n[Window]\nWidth=800\n\n[serialport]\n"
              "PortName=/dev/ttyUSB1\nExtra=kept\nBaudRate=57600\nDataFormat=8O1\n"
              "FlowControl=RTS/CTS\n\n[Other]\nBaudRate=1\na\0b\n"s);
    EXPECT_EQ(LoadPortSettings(store, "SIM1"), saved);
}

TEST(PortSettingsTest, ValuesStayOneLineOfText) {
    test::TempDir dir;
    IniSettingsStore store(dir / "Skelvane.conf");
    ASSERT_TRUE(SavePortSettings(store, {"COM1\n[Evil]\nx=1", "9600", "8N1", "None"}));
    EXPECT_EQ(LoadPortSettings(store, "SIM1").portName, "COM1[Evil]x=1");

    // Read as it will be written (a value stored with the marker by an older program is
    // repaired): no blanks left where control characters were dropped, and no in-use marker.
    test::WriteFileBytes(dir / "Skelvane.conf", "[SerialPort]\nPortName=\x01 COM2 (In Use)\x02 \n");
    EXPECT_EQ(LoadPortSettings(store, "SIM1").portName, "COM2");
}

TEST(PortSettingsTest, AFileThatCannotBeReadIsNotOverwritten) {
    test::TempDir dir;
    const std::filesystem::path file = dir / "Skelvane.conf";
    const std::string huge(300 * 1024, 'x');
    test::WriteFileBytes(file, huge);
    IniSettingsStore store(file);
    EXPECT_EQ(LoadPortSettings(store, "COM1").portName, "COM1");
    EXPECT_FALSE(SavePortSettings(store, PortSettings{}));
    EXPECT_EQ(test::ReadFileBytes(file).size(), huge.size());
    EXPECT_FALSE(SavePortSettings(*std::make_unique<IniSettingsStore>(""), PortSettings{}));
}

// Saved through a fresh temporary file: a leftover in the way of a fixed temporary name does
// not stop the save, and a link to the settings file stays a link.
TEST(PortSettingsTest, SavingGoesThroughAFreshTemporaryFile) {
    test::TempDir dir;
    const std::filesystem::path file = dir / "Skelvane.conf";
    std::filesystem::create_directory(dir / "Skelvane.conf.tmp");
    test::WriteFileBytes(dir / "real.conf", "");
    std::filesystem::create_symlink("real.conf", file);
    IniSettingsStore store(file);
    const PortSettings saved{"/dev/ttyUSB1", "57600", "8O1", "RTS/CTS"};
    ASSERT_TRUE(SavePortSettings(store, saved));
    EXPECT_EQ(LoadPortSettings(store, "SIM1"), saved);
    EXPECT_TRUE(std::filesystem::is_symlink(file));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);
}

TEST(PortSettingsTest, SettingsFileLocation) {
    EXPECT_EQ(SettingsFilePathFor("/x/config", "/home/u"), "/x/config/Corvantis/Skelvane.conf");
    EXPECT_EQ(SettingsFilePathFor("", "/home/u"), "/home/u/.config/Corvantis/Skelvane.conf");
    EXPECT_EQ(SettingsFilePathFor(nullptr, "/home/u"), "/home/u/.config/Corvantis/Skelvane.conf");
    EXPECT_EQ(SettingsFilePathFor("relative", "/home/u"),
              "/home/u/.config/Corvantis/Skelvane.conf");
    EXPECT_EQ(SettingsFilePathFor(nullptr, nullptr), "");
}

TEST(PortSettingsTest, PlatformStoreFollowsXdgConfigHome) {
    test::TempDir dir;
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old != nullptr ? old : "";
    setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
    const PortSettings wanted{"SIM1", "9600", "8N2", "None"};
    EXPECT_TRUE(SavePortSettings(wanted));
    EXPECT_EQ(LoadPortSettings(), wanted);
    EXPECT_TRUE(std::filesystem::exists(dir / "Corvantis" / "Skelvane.conf"));
    if (old != nullptr) {
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    } else {
        unsetenv("XDG_CONFIG_HOME");
    }
}

}  // namespace
}  // namespace skelvane
