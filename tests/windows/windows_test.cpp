// The Win32 serial port, port list, port settings and file replacement on a Windows system
// (wine in CI). scripts/checks/windows maps a running skelvane-sim as the two ports named by
// SKELVANE_TEST_PORT (e.g. COM7) and SKELVANE_TEST_LONG_PORT (e.g. COM12, opened through
// the \\.\ path), and something that is no serial device as SKELVANE_TEST_GONE_PORT.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#undef ReplaceFile  // windows.h's macro would hide skelvane::ReplaceFile

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "base/clock.h"
#include "base/log_pane.h"
#include "document/file_replace.h"
#include "document/program_path.h"
#include "link/device_link.h"
#include "link/port_discovery.h"
#include "link/port_factory.h"
#include "link/port_settings.h"
#include "link/serial_port.h"
#include "link/settings_exchange.h"

namespace skelvane {
namespace {

// The platform's ports only: no simulated ones.
const PortFactory kPorts;

std::string EnvPort(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr ? value : "";
}

const std::string& Port() {
    static const std::string port = EnvPort("SKELVANE_TEST_PORT");
    return port;
}

const std::string& LongPort() {
    static const std::string port = EnvPort("SKELVANE_TEST_LONG_PORT");
    return port;
}

class PortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(Port().empty()) << "SKELVANE_TEST_PORT names no port";
        ASSERT_FALSE(LongPort().empty()) << "SKELVANE_TEST_LONG_PORT names no port";
        ASSERT_GT(LongPort().size(), 4u) << "the long port needs a name of five characters";
    }
};

// --- Connect and Read All over the real driver ---------------------------------------------------

// The codes of the frames the log shows as sent ("TX:>>>>>" and a line of "%02X " bytes).
std::vector<int> SentCodes(const LogPane& log) {
    std::vector<int> codes;
    const std::vector<std::string> lines = log.Lines();
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i].rfind("TX:", 0) == 0) {
            std::istringstream bytes(lines[i + 1]);
            int length = 0, uaLow = 0, uaHigh = 0, code = -1;
            bytes >> std::hex >> length >> uaLow >> uaHigh >> code;
            codes.push_back(code);
        }
    }
    return codes;
}

// Values written through one name of the port and read back with Read All: both directions of
// the exchange over the real driver, whatever network the simulator serves.
struct ExchangeCase {
    const char* name;
    bool longName;
    std::uint32_t networkId;
    std::uint32_t txPower;
};

class ExchangeTest : public PortTest, public ::testing::WithParamInterface<ExchangeCase> {};

TEST_P(ExchangeTest, WritesAndReadsAllOfTheLocalUnit) {
    const ExchangeCase& c = GetParam();
    SystemClock clock;
    LogPane log(0);
    DeviceLink link(clock, log, kPorts, c.longName ? LongPort() : Port());
    link.SetLocal(true);
    UnitFacts facts;
    SettingsJob job;
    job.parameters = {
        {.type = 2, .name = "UnitAddress", .readwrite = 1, .vectors = {0x02, 0x03}},
        {.type = 1, .name = "TxPower", .readwrite = 1, .value = c.txPower, .vectors = {0x0A}},
        {.type = 2, .name = "NetworkId", .readwrite = 1, .vectors = {0x10, 0x11}},
        {.type = kTextParameterType, .name = "VersionNo"},
        {.type = kTextParameterType, .name = "SerialNo"},
        {.type = kTextParameterType, .name = "FrequencyRestriction16"}};

    job.operation = SettingsOp::Write;
    job.checkedNames = {"TxPower", "NetworkId"};
    job.parameters[2].value = c.networkId;
    ASSERT_EQ(RunSettingsWorker(link, job, facts), SettingsOutcome::Succeeded)
        << testing::PrintToString(log.Lines());

    link.ClosePort();  // as the worker does after its work
    log.Clear();
    job.operation = SettingsOp::ReadAll;
    job.parameters[1].value = 0;
    job.parameters[2].value = 0;
    ASSERT_EQ(RunSettingsWorker(link, job, facts), SettingsOutcome::Succeeded)
        << testing::PrintToString(log.Lines());
    // The connection check (serial number), then each read twice: the five register groups,
    // version, serial number and data mask; the restriction entries go out unlogged.
    EXPECT_EQ(SentCodes(log),
              (std::vector<int>{0x29, 0x00, 0x00, 0x02, 0x02, 0x03, 0x03, 0x04, 0x04, 0x05, 0x05,
                                0x28, 0x28, 0x29, 0x29, 0x2A, 0x2A}));
    EXPECT_EQ(job.parameters[0].value, 1u);  // the unit on the cable
    EXPECT_EQ(job.parameters[1].value, c.txPower);
    EXPECT_EQ(job.parameters[2].value, c.networkId);
    EXPECT_FALSE(job.parameters[3].textValue.empty());
    EXPECT_FALSE(job.parameters[4].textValue.empty());
    EXPECT_FALSE(job.parameters[5].textValue.empty());  // the last of the sixteen entries
}

INSTANTIATE_TEST_SUITE_P(Names, ExchangeTest,
                         ::testing::Values(ExchangeCase{"ShortName", false, 0x2345, 17},
                                           ExchangeCase{"LongName", true, 0x3456, 18}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Exclusive open and the port list ------------------------------------------------------------

const PortListEntry* Entry(const std::vector<PortListEntry>& entries, const std::string& name) {
    const int index = FindPortEntry(entries, name);
    return index < 0 ? nullptr : &entries[static_cast<std::size_t>(index)];
}

// Wine lets a serial device be opened any number of times (it enforces sharing only for files
// and folders), so there an open port cannot be seen in use.
bool UnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

TEST_F(PortTest, ListsThePortsAndMarksTheOnesThatCannotBeOpened) {
    const std::string gone = EnvPort("SKELVANE_TEST_GONE_PORT");
    ASSERT_FALSE(gone.empty()) << "SKELVANE_TEST_GONE_PORT names no port";
    const std::vector<PortListEntry> entries = DiscoverPorts(kPorts);
    for (const auto& [name, inUse] :
         {std::pair{Port(), false}, std::pair{LongPort(), false}, std::pair{gone, true}}) {
        const PortListEntry* entry = Entry(entries, name);
        ASSERT_NE(entry, nullptr) << name << " is not listed";
        EXPECT_EQ(entry->inUse, inUse) << name;
        EXPECT_EQ(entry->text, inUse ? name + " (In Use)" : name);
    }
    SerialPort port(kPorts);
    EXPECT_FALSE(port.Open(gone));
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(PortTest, AnOpenPortIsExclusiveAndListedInUse) {
    if (UnderWine()) {
        GTEST_SKIP() << "wine does not keep a serial device exclusive";
    }
    SerialPort held(kPorts);
    ASSERT_TRUE(held.Open(Port()));
    // Opening again closes the old handle first; otherwise the port would be busy.
    ASSERT_TRUE(held.Open(Port()));

    SerialPort second(kPorts);
    EXPECT_FALSE(second.Open(Port()));
    EXPECT_FALSE(second.IsOpen());
    const std::vector<PortListEntry> entries = DiscoverPorts(kPorts);
    const PortListEntry* entry = Entry(entries, Port());
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(entry->inUse);
    EXPECT_EQ(entry->text, Port() + " (In Use)");

    held.Close();
    EXPECT_FALSE(IsPortInUse(kPorts, Port()));
    EXPECT_TRUE(second.Open(Port()));
}

// --- Timeouts ------------------------------------------------------------------------------------

struct IdleCase {
    const char* name;
    std::uint32_t readConstant;  // 0: the timeouts of Open (6 ms)
    long expectMs;
};

class IdleReadTest : public PortTest, public ::testing::WithParamInterface<IdleCase> {};

// An idle line: a read waits about the read constant, then returns nothing. Order of magnitude
// only: the machine may be busy.
TEST_P(IdleReadTest, WaitsAboutTheReadConstant) {
    const IdleCase& c = GetParam();
    SerialPort port(kPorts);
    ASSERT_TRUE(port.Open(Port()));
    ASSERT_TRUE(port.SetBaudRate(115200));
    if (c.readConstant != 0) {
        ASSERT_TRUE(port.SetTimeouts(c.readConstant, 1, c.readConstant, 1, 1500));
    }
    std::uint8_t buffer[16];
    using Steady = std::chrono::steady_clock;
    for (int i = 0; i < 3; ++i) {
        const auto start = Steady::now();
        EXPECT_EQ(port.Read(buffer, sizeof buffer), 0u);
        const long elapsed = static_cast<long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - start).count());
        EXPECT_GE(elapsed, c.expectMs / 2);
        EXPECT_LT(elapsed, c.expectMs * 5 + 100);
    }
}

INSTANTIATE_TEST_SUITE_P(Timeouts, IdleReadTest,
                         ::testing::Values(IdleCase{"AfterOpen", 0, 6}, IdleCase{"Fifty", 50, 50},
                                           IdleCase{"TwoHundred", 200, 200}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PortTest, AStopRequestCutsAWaitingReadShort) {
    SerialPort port(kPorts);
    ASSERT_TRUE(port.Open(Port()));
    ASSERT_TRUE(port.SetTimeouts(5000, 1, 5000, 1, 1500));
    std::stop_source stop;
    port.SetStopToken(stop.get_token());
    std::jthread stopper([&stop] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        stop.request_stop();
    });
    std::uint8_t buffer[16];
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(port.Read(buffer, sizeof buffer), 0u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
}

// --- Port settings in the registry ---------------------------------------------------------------

constexpr const char* kCompanyKey = "SOFTWARE\\Corvantis";
constexpr const char* kSettingsKey = "SOFTWARE\\Corvantis\\Skelvane\\SerialPort";

using Values = std::vector<std::pair<std::string, std::string>>;

void WriteKey(HKEY root, const Values& values) {
    RegDeleteTreeA(root, kCompanyKey);
    if (values.empty()) {
        return;
    }
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    for (const auto& [name, value] : values) {
        RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
    }
    RegCloseKey(key);
}

std::optional<std::string> ReadKey(HKEY root, const char* name) {
    char buffer[256];
    DWORD size = sizeof buffer;
    if (RegGetValueA(root, kSettingsKey, name, RRF_RT_REG_SZ, nullptr, buffer, &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::string(buffer);
}

class RegistryTest : public ::testing::Test {
  protected:
    void TearDown() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, kCompanyKey);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kCompanyKey);
    }
};

struct LoadCase {
    const char* name;
    Values user;     // HKEY_CURRENT_USER
    Values machine;  // HKEY_LOCAL_MACHINE, as older installs left it
    PortSettings expected;
};

class LoadTest : public RegistryTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(LoadTest, ReadsTheUserKeyThenTheMachineKey) {
    const LoadCase& c = GetParam();
    WriteKey(HKEY_CURRENT_USER, c.user);
    WriteKey(HKEY_LOCAL_MACHINE, c.machine);
    EXPECT_EQ(LoadPortSettings(), c.expected);
}

const Values kOlderInstall = {
    {"PortName", "COM3"}, {"BaudRate", "9600"}, {"DataFormat", "7E1"}, {"FlowControl", "RTS/CTS"}};

INSTANTIATE_TEST_SUITE_P(
    Keys, LoadTest,
    ::testing::Values(LoadCase{"Neither", {}, {}, {"COM1", "115200", "8N1", "None"}},
                      LoadCase{
                          "MachineOnly", {}, kOlderInstall, {"COM3", "9600", "7E1", "RTS/CTS"}},
                      LoadCase{"UserFirst",
                               {{"PortName", "COM12"}, {"BaudRate", "57600"}},
                               kOlderInstall,
                               {"COM12", "57600", "7E1", "RTS/CTS"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RegistryTest, SaveWritesTheUserKeyAndReadsBack) {
    WriteKey(HKEY_LOCAL_MACHINE, kOlderInstall);
    const PortSettings saved{"COM12 (In Use)", "38400", "8O1", "RTS/CTS"};
    ASSERT_TRUE(SavePortSettings(saved));

    EXPECT_EQ(ReadKey(HKEY_CURRENT_USER, "PortName"), "COM12");
    EXPECT_EQ(ReadKey(HKEY_LOCAL_MACHINE, "PortName"), "COM3");  // left alone
    PortSettings expected = saved;
    expected.portName = "COM12";
    EXPECT_EQ(LoadPortSettings(), expected);
}

TEST_F(RegistryTest, AFailedWriteIsReported) {
    // A volatile key cannot hold the lasting one the settings go to.
    RegDeleteTreeA(HKEY_CURRENT_USER, kCompanyKey);
    HKEY parent = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Corvantis\\Skelvane", 0, nullptr,
                              REG_OPTION_VOLATILE, KEY_WRITE, nullptr, &parent, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(parent);
    EXPECT_FALSE(SavePortSettings(PortSettings{}));
}

// --- Files ---------------------------------------------------------------------------------------

std::string Contents(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(FileReplaceTest, ReplacesAnExistingFileOrLeavesItWhole) {
    char tempDir[MAX_PATH];
    ASSERT_GT(GetTempPathA(sizeof tempDir, tempDir), 0u);
    const std::filesystem::path dir = std::filesystem::path(tempDir) / "skelvane-replace";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::filesystem::path target = dir / "net.xml";
    std::ofstream(target, std::ios::binary) << "old";

    const auto writing = [](const char* text, bool result) {
        return [text, result](std::FILE* file) {
            std::fputs(text, file);
            return result;
        };
    };
    EXPECT_FALSE(ReplaceFile(target, writing("half", false)));
    EXPECT_EQ(Contents(target), "old");
    ASSERT_TRUE(ReplaceFile(target, writing("new", true)));
    EXPECT_EQ(Contents(target), "new");
    // Nothing is left beside the target.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
    std::filesystem::remove_all(dir);
}

TEST(ProgramPathTest, IsTheFolderOfThisProgram) {
    EXPECT_TRUE(std::filesystem::exists(ProgramDirectory() / "windows_test.exe"));
}

}  // namespace
}  // namespace skelvane
