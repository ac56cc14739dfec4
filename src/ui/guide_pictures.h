#pragma once

#include <QString>
#include <QStringList>

namespace skelvane {

struct AppState;
class MainWindow;
class Prompter;

// Takes the user guide's pictures the way a user would see them: the example star network in
// the main window on port "SIM1", a Master's Settings page after Read All and its Restrictions
// page after Read (both from the simulated network), the zone presets, the upgrade dialogs
// with a firmware file chosen, the spectrum sheet after a few scans and the network after
// Find Units and a few passes of Monitor Network, the monitor over the main window. Each is
// saved as a PNG file in `dir`. Every wait is bounded. Returns what could not be made, one line
// each (empty when every picture was saved).
QStringList TakeGuidePictures(MainWindow& window, AppState& state, Prompter& prompter,
                              const QString& dir);

}  // namespace skelvane
