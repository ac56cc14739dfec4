#include "ui/device_commands.h"

#include "base/prompter.h"
#include "base/strings.h"

namespace skelvane {

std::string UnavailableDeviceCommands::message(const std::string& command) {
    return command + " is not available yet.\r\nThe device dialogs are still being built.";
}

void UnavailableDeviceCommands::properties(const DeviceContext&) {
    prompter_.Message(message("Properties"), LoadText(kIdsAppName), MessageIcon::Information);
}

void UnavailableDeviceCommands::hardUpgrade(const DeviceContext&) {
    prompter_.Message(message("Hard Upgrade"), LoadText(kIdsAppName), MessageIcon::Information);
}

void UnavailableDeviceCommands::softUpgrade(const DeviceContext&) {
    prompter_.Message(message("Soft Upgrade"), LoadText(kIdsAppName), MessageIcon::Information);
}

void UnavailableDeviceCommands::spectrum(const DeviceContext&) {
    prompter_.Message(message("Spectrum Analyzer"), LoadText(kIdsAppName),
                      MessageIcon::Information);
}

}  // namespace skelvane
