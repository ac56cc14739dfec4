// Port discovery on Windows: the SERIALCOMM map of the registry, and an exclusive open as the
// in-use probe.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "link/port_discovery.h"
#include "link/port_names.h"

namespace skelvane {

std::vector<std::string> EnumerateSerialPorts() {
    std::vector<std::string> names;
    // The key is opened and closed again for every index; the walk stops at the first index
    // that fails or does not hold a string.
    for (DWORD index = 0;; ++index) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ,
                          &key) != ERROR_SUCCESS) {
            break;
        }
        char valueName[256];
        DWORD valueNameSize = sizeof valueName;
        BYTE data[256];
        DWORD dataSize = sizeof data - 1;  // room for a terminator the value may lack
        DWORD type = 0;
        const LONG result =
            RegEnumValueA(key, index, valueName, &valueNameSize, nullptr, &type, data, &dataSize);
        RegCloseKey(key);
        if (result != ERROR_SUCCESS || type != REG_SZ) {
            break;
        }
        data[dataSize < sizeof data ? dataSize : sizeof data - 1] = 0;
        names.emplace_back(reinterpret_cast<const char*>(data));
    }
    return names;
}

bool IsPlatformPortInUse(const std::string& portName) {
    const std::string path = Win32DevicePath(portName);
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return true;
    }
    CloseHandle(handle);
    return false;
}

}  // namespace skelvane
