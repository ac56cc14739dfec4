#pragma once

#include <QPoint>
#include <QTemporaryDir>
#include <QWidget>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/prompter.h"
#include "diagram/block_diagram.h"
#include "ui/app_state.h"
#include "ui/device_commands.h"
#include "ui/device_dialogs.h"
#include "ui/main_window.h"
#include "ui/network_dialog.h"

namespace skelvane::test {

// Records which device command was asked for, for which block.
class RecordingDevices final : public DeviceCommands {
  public:
    struct Call {
        std::string command;
        Block* block;
        std::string portName;
        std::string baudRate;
    };
    void properties(const DeviceContext& c) override { record("properties", c); }
    void hardUpgrade(const DeviceContext& c) override { record("hard", c); }
    void softUpgrade(const DeviceContext& c) override { record("soft", c); }
    void spectrum(const DeviceContext& c) override { record("spectrum", c); }
    void findUnits(const DeviceContext& c) override { record("find", c); }
    void monitorNetwork(const DeviceContext& c) override { record("monitor", c); }
    void network(const DeviceContext& c, NetworkTask) override { record("network", c); }
    void record(const char* command, const DeviceContext& c) {
        calls.push_back({command, c.block, c.portName, c.baudRate});
    }
    std::vector<Call> calls;
};

// A main window on a new network from the default model's template, shown on the offscreen
// screen. Its device commands are recorded, or open the real dialogs on the port of the status
// bar (the simulated network behind "SIM1" on a first run).
class Harness {
  public:
    enum class Devices { Recorded, Dialogs };
    explicit Harness(Devices devices = Devices::Recorded);
    ~Harness();

    MainWindow& window() { return *window_; }
    DiagramView& view();
    QWidget& viewport();
    BlockDiagram& diagram();
    DocumentSession& session() { return state_->session; }
    AppState& state() { return *state_; }
    RecordingPrompter& prompter() { return prompter_; }
    RecordingDevices& devices() { return devices_; }
    DeviceDialogs& dialogs() { return *dialogs_; }
    std::filesystem::path dir() const;

    // Places a block of a kind with the mouse at a client point of the diagram.
    Block* place(BlockKind kind, QPoint client);
    // The diagram item of a block and its rectangle's points in client coordinates.
    int itemOf(const Block* block);
    QPoint clientTopLeft(const Block* block);
    QPoint titleCentre(const Block* block);
    QPoint iconCentre(const Block* block);
    QPoint rowCentre(const Block* block, int row);
    Block* master();

  private:
    QTemporaryDir temp_;
    RecordingPrompter prompter_;
    RecordingDevices devices_;
    std::unique_ptr<AppState> state_;
    std::unique_ptr<DeviceDialogs> dialogs_;
    std::unique_ptr<MainWindow> window_;
};

// Mouse input sent straight to a widget, with the button state a real mouse would report.
void press(QWidget& w, QPoint p, Qt::MouseButton button = Qt::LeftButton,
           Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void move(QWidget& w, QPoint p, Qt::MouseButtons buttons = Qt::LeftButton,
          Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void release(QWidget& w, QPoint p, Qt::MouseButton button = Qt::LeftButton,
             Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void doubleClick(QWidget& w, QPoint p);
void click(QWidget& w, QPoint p, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// Press at `from`, move in a few steps to `to`, release there.
void drag(QWidget& w, QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void key(QWidget& w, int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

// The middle of a content rectangle in client coordinates.
QPoint centre(DiagramView& view, const DiagramRect& r);
// Selected items' blocks in item order.
std::vector<Block*> selectedBlocks(const BlockDiagram& diagram);

}  // namespace skelvane::test
