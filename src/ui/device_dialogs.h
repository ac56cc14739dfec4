#pragma once

#include "ui/device_commands.h"

namespace skelvane {

struct AppState;
class Prompter;

// The device commands of the program: "Properties" opens the block's property sheet; the
// commands whose dialogs are not built yet still say so.
class DeviceDialogs final : public DeviceCommands {
  public:
    // `prompter`: where the dialogs' messages go. nullptr puts them in message boxes over the
    // dialog that asks.
    DeviceDialogs(AppState& state, Prompter& fallback, Prompter* prompter = nullptr);

    void properties(const DeviceContext& context) override;
    void hardUpgrade(const DeviceContext& context) override;
    void softUpgrade(const DeviceContext& context) override;
    void spectrum(const DeviceContext& context) override;

  private:
    AppState& state_;
    Prompter* prompter_;
    UnavailableDeviceCommands unavailable_;
};

}  // namespace skelvane
