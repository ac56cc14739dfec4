// Port settings on Windows: string values under the key SOFTWARE\Corvantis\Skelvane\SerialPort,
// written to HKEY_CURRENT_USER (which every user may write) and read from there first, then from
// HKEY_LOCAL_MACHINE, where older installs kept them.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>
#include <vector>

#include "link/port_settings.h"

namespace skelvane {
namespace {

constexpr const char* kSettingsKey = "SOFTWARE\\Corvantis\\Skelvane\\SerialPort";
// Far more than any selector text; a bigger stored value is not read.
constexpr DWORD kMaxValueBytes = 4096;

class RegistrySettingsStore final : public SettingsStore {
  public:
    std::optional<std::string> ReadValue(std::string_view name) override {
        const std::string valueName(name);
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            if (std::optional<std::string> text = ReadFrom(root, valueName)) {
                return text;
            }
        }
        return std::nullopt;
    }

    bool WriteValues(const std::vector<std::pair<std::string, std::string>>& values) override {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
            return false;
        }
        bool all = true;
        for (const auto& [name, value] : values) {
            if (RegSetValueExA(key, name.c_str(), 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(value.c_str()),
                               static_cast<DWORD>(value.size() + 1)) != ERROR_SUCCESS) {
                all = false;
            }
        }
        RegCloseKey(key);
        return all;
    }

  private:
    static std::optional<std::string> ReadFrom(HKEY root, const std::string& valueName) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(root, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        std::optional<std::string> text;
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExA(key, valueName.c_str(), nullptr, &type, nullptr, &size) ==
                ERROR_SUCCESS &&
            type == REG_SZ && size <= kMaxValueBytes) {
            std::vector<char> buffer(size + 1, '\0');
            DWORD got = size;
            if (RegQueryValueExA(key, valueName.c_str(), nullptr, &type,
                                 reinterpret_cast<BYTE*>(buffer.data()), &got) == ERROR_SUCCESS &&
                type == REG_SZ) {
                buffer[got < buffer.size() ? got : buffer.size() - 1] = '\0';
                text = std::string(buffer.data());
            }
        }
        RegCloseKey(key);
        return text;
    }
};

}  // namespace

std::unique_ptr<SettingsStore> OpenPlatformSettingsStore() {
    return std::make_unique<RegistrySettingsStore>();
}

std::string PlatformDefaultPortName() {
    return "COM1";
}

}  // namespace skelvane
