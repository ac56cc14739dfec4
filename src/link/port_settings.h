#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skelvane {

// The four port settings of the main window's status bar, as the texts its selectors show.
struct PortSettings {
    std::string portName = "COM1";
    std::string baudRate = "115200";
    std::string dataFormat = "8N1";
    std::string flowControl = "None";

    friend bool operator==(const PortSettings&, const PortSettings&) = default;
};

// The value names under which the settings are stored, in load and save order.
inline constexpr std::array<std::string_view, 4> kPortSettingNames = {"PortName", "BaudRate",
                                                                      "DataFormat", "FlowControl"};

// One entry of a selector: its text and its item data.
struct SelectorItem {
    std::string_view text;
    std::uint32_t data;
};

// The baud-rate selector: the rates, each shown with "%ld" and carrying the rate as item data.
inline constexpr std::array<std::uint32_t, 16> kBaudRates = {
    300,  600,   1200,  1800,  2400,  3600,  4800,   7200,
    9600, 14400, 19200, 28800, 38400, 57600, 115200, 230400};
inline constexpr std::array<SelectorItem, 10> kDataFormats = {{{"8N1", 1},
                                                               {"8N2", 2},
                                                               {"8E1", 3},
                                                               {"8O1", 4},
                                                               {"7N1", 5},
                                                               {"7N2", 6},
                                                               {"7E1", 7},
                                                               {"7O1", 8},
                                                               {"7E2", 9},
                                                               {"7O2", 10}}};
inline constexpr std::array<SelectorItem, 2> kFlowControls = {{{"None", 0}, {"RTS/CTS", 1}}};

// The baud-rate selector's entries, texts formatted as the selector shows them.
std::vector<std::string> BaudRateTexts();

// Where settings are kept: the registry key on Windows, an INI file elsewhere.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    // The stored text of a value of the "SerialPort" section; nullopt when missing or
    // unreadable.
    virtual std::optional<std::string> ReadValue(std::string_view name) = 0;
    // Stores the four values at once; false when they could not be stored.
    virtual bool WriteValues(const std::vector<std::pair<std::string, std::string>>& values) = 0;
};

// The settings from `store`; every missing value takes its default, the port name
// `defaultPortName`. A stored port name never keeps a " (In Use)" suffix.
PortSettings LoadPortSettings(SettingsStore& store, const std::string& defaultPortName);
// Stores the four texts; the port name without a " (In Use)" suffix. False on failure.
bool SavePortSettings(SettingsStore& store, const PortSettings& settings);

// The same through this platform's store: the registry key
// SOFTWARE\Corvantis\Skelvane\SerialPort of HKEY_LOCAL_MACHINE on Windows, the INI file
// SettingsFilePath() elsewhere. The default port name is "COM1" on Windows; elsewhere, where COM1
// names no device, the first discovered port or "SIM1".
PortSettings LoadPortSettings();
bool SavePortSettings(const PortSettings& settings);
std::unique_ptr<SettingsStore> OpenPlatformSettingsStore();
std::string PlatformDefaultPortName();

// The INI file of the settings: $XDG_CONFIG_HOME/Corvantis/Skelvane.conf, else
// $HOME/.config/Corvantis/Skelvane.conf. Empty when neither variable helps (a relative
// XDG_CONFIG_HOME is ignored, as the XDG rules say).
std::filesystem::path SettingsFilePathFor(const char* xdgConfigHome, const char* home);
std::filesystem::path SettingsFilePath();

// Settings in an INI file, section [SerialPort]. Other sections and lines of the file are
// kept when it is written. A file that cannot be read or is absurdly large is treated as
// empty for reading, and is not overwritten.
class IniSettingsStore final : public SettingsStore {
  public:
    explicit IniSettingsStore(std::filesystem::path path);
    std::optional<std::string> ReadValue(std::string_view name) override;
    bool WriteValues(const std::vector<std::pair<std::string, std::string>>& values) override;

    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// A store in memory, for tests and for programs that must not touch the user's settings.
class MemorySettingsStore final : public SettingsStore {
  public:
    std::optional<std::string> ReadValue(std::string_view name) override;
    bool WriteValues(const std::vector<std::pair<std::string, std::string>>& values) override;

    std::map<std::string, std::string, std::less<>> values;
    bool failWrites = false;
};

}  // namespace skelvane
