#pragma once

#include <cstdint>

#include "ui/device_commands.h"

namespace skelvane {

struct AppState;
class Block;
class Prompter;

// The unit a block stands for: its "UnitAddress" parameter (cut to 16 bits), 0 when it has
// none or there is no block.
std::uint16_t unitAddressOf(const Block* block);

// The device commands of the program: "Properties" opens the block's property sheet, the
// upgrades their dialogs and "Spectrum Analyzer" the "Tools ..." sheet, each with the port of
// the status bar (without the mark of a port in use).
class DeviceDialogs final : public DeviceCommands {
  public:
    // `prompter`: where the dialogs' messages go. nullptr puts them in message boxes over the
    // dialog that asks.
    explicit DeviceDialogs(AppState& state, Prompter* prompter = nullptr);

    void properties(const DeviceContext& context) override;
    void hardUpgrade(const DeviceContext& context) override;
    void softUpgrade(const DeviceContext& context) override;
    void spectrum(const DeviceContext& context) override;
    void findUnits(const DeviceContext& context) override;
    void monitorNetwork(const DeviceContext& context) override;
    void network(const DeviceContext& context, NetworkTask task) override;

  private:
    AppState& state_;
    Prompter* prompter_;
};

}  // namespace skelvane
