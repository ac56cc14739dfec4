#include "ui/device_dialogs.h"

#include "link/port_names.h"
#include "ui/app_state.h"
#include "ui/spectrum_sheet.h"

namespace skelvane {

DeviceDialogs::DeviceDialogs(AppState& state, Prompter& prompter, DeviceCommands& others)
    : state_(state), prompter_(prompter), others_(others) {}

void DeviceDialogs::properties(const DeviceContext& context) {
    others_.properties(context);
}

void DeviceDialogs::hardUpgrade(const DeviceContext& context) {
    others_.hardUpgrade(context);
}

void DeviceDialogs::softUpgrade(const DeviceContext& context) {
    others_.softUpgrade(context);
}

void DeviceDialogs::spectrum(const DeviceContext& context) {
    PortSettings settings = state_.portSettings;
    settings.portName = StripInUseSuffix(context.portName);
    settings.baudRate = context.baudRate;
    SpectrumSheet sheet(settings, state_.scanParser, state_.clock, prompter_, context.parent);
    sheet.exec();
}

}  // namespace skelvane
