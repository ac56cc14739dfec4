#include "ui/upgrade_spectrum_dialogs.h"

#include "document/block.h"
#include "link/port_names.h"
#include "ui/app_state.h"
#include "ui/hard_upgrade_dialog.h"
#include "ui/soft_upgrade_dialog.h"
#include "ui/spectrum_sheet.h"

namespace skelvane {

std::uint16_t unitAddressOf(const Block* block) {
    const Parameter* ua = block != nullptr ? block->FindParameter("UnitAddress") : nullptr;
    return ua != nullptr ? static_cast<std::uint16_t>(ua->value) : 0;
}

UpgradeSpectrumDialogs::UpgradeSpectrumDialogs(AppState& state, Prompter& prompter,
                                               DeviceCommands& others)
    : state_(state), prompter_(prompter), others_(others) {}

void UpgradeSpectrumDialogs::properties(const DeviceContext& context) {
    others_.properties(context);
}

// The block plays no part: only the unit on the programming cable is reprogrammed.
void UpgradeSpectrumDialogs::hardUpgrade(const DeviceContext& context) {
    HardUpgradeDialog dialog(StripInUseSuffix(context.portName), state_.clock, context.parent);
    dialog.exec();
}

void UpgradeSpectrumDialogs::softUpgrade(const DeviceContext& context) {
    SoftUpgradeDialog dialog(StripInUseSuffix(context.portName), unitAddressOf(context.block),
                             state_.schedule, state_.clock, prompter_, context.parent);
    dialog.exec();
}

void UpgradeSpectrumDialogs::spectrum(const DeviceContext& context) {
    PortSettings settings = state_.portSettings;
    settings.portName = StripInUseSuffix(context.portName);
    settings.baudRate = context.baudRate;
    SpectrumSheet sheet(settings, state_.scanParser, state_.clock, prompter_, context.parent);
    sheet.exec();
}

}  // namespace skelvane
