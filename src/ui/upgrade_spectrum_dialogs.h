#pragma once

#include <cstdint>

#include "ui/device_commands.h"
#include "ui/gui_thread_prompter.h"

namespace skelvane {

struct AppState;
class Block;

// The unit a block stands for: its "UnitAddress" parameter (cut to 16 bits), 0 when it has
// none or there is no block.
std::uint16_t unitAddressOf(const Block* block);

// The device commands that open their dialogs: the upgrades and the spectrum analyzer.
// The commands it has no dialog for go to `others`.
class UpgradeSpectrumDialogs final : public DeviceCommands {
  public:
    // `prompter` is the program's GUI prompter; the dialogs' workers reach it through a
    // GuiThreadPrompter.
    UpgradeSpectrumDialogs(AppState& state, Prompter& prompter, DeviceCommands& others);

    void properties(const DeviceContext& context) override;
    void hardUpgrade(const DeviceContext& context) override;
    void softUpgrade(const DeviceContext& context) override;
    void spectrum(const DeviceContext& context) override;

  private:
    AppState& state_;
    GuiThreadPrompter prompter_;
    DeviceCommands& others_;
};

}  // namespace skelvane
