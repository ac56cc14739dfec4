#pragma once

#include <string>

class QWidget;

namespace skelvane {

class Block;
enum class NetworkTask;

// What a device dialog gets when it opens: its parent window, the block it is for (none for
// the spectrum analyzer) and the port settings of the status bar at that moment.
struct DeviceContext {
    QWidget* parent = nullptr;
    Block* block = nullptr;
    std::string portName;
    std::string baudRate;
};

// The commands that open the device dialogs. The main window calls these and nothing else
// for them, so the dialogs are wired in one place (DeviceDialogs in the program, a recorder
// in tests).
class DeviceCommands {
  public:
    virtual ~DeviceCommands() = default;
    // The "Properties" sheet of one block. An implementation marks the document modified
    // before the sheet is shown (editing may change any value).
    virtual void properties(const DeviceContext& context) = 0;
    virtual void hardUpgrade(const DeviceContext& context) = 0;
    virtual void softUpgrade(const DeviceContext& context) = 0;
    // The "Tools ..." sheet with the spectrum analyzer.
    virtual void spectrum(const DeviceContext& context) = 0;
    // "Find Units": which units answer, and adding those the network lacks.
    virtual void findUnits(const DeviceContext& context) = 0;
    // "Monitor Network": every unit's diagnostics, polled at an interval.
    virtual void monitorNetwork(const DeviceContext& context) = 0;
    // "Read Network...", "Compare Network..." and "Write Network...": the dialog over the
    // whole network. An implementation marks the document modified when blocks change.
    virtual void network(const DeviceContext& context, NetworkTask task) = 0;
};

}  // namespace skelvane
