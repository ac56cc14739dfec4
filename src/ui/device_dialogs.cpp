#include "ui/device_dialogs.h"

#include "document/block.h"
#include "link/port_names.h"
#include "ui/app_state.h"
#include "ui/diagram_view.h"
#include "ui/explorer_tree.h"
#include "ui/find_units_dialog.h"
#include "ui/hard_upgrade_dialog.h"
#include "ui/main_window.h"
#include "ui/monitor_dialog.h"
#include "ui/network_dialog.h"
#include "ui/properties_sheet.h"
#include "ui/qt_prompter.h"
#include "ui/soft_upgrade_dialog.h"
#include "ui/spectrum_sheet.h"

namespace skelvane {

namespace {

// A block named after its new unit address gets the name in the diagram and the tree at once.
void showNewName(QWidget* parent, Block* block) {
    auto* window = qobject_cast<MainWindow*>(parent);
    if (window == nullptr || block == nullptr) {
        return;
    }
    BlockDiagram& diagram = window->diagramView()->diagram();
    const int item = diagram.findByData(block);
    if (item >= 0) {
        diagram.setTitle(item, block->Name());
    }
    window->rebuildTree();
    window->explorer()->selectBlock(block);
}

QString blockName(const Block* block) {
    return block != nullptr ? fromLatin1(block->Name()) : QString();
}

}  // namespace

std::uint16_t unitAddressOf(const Block* block) {
    const Parameter* ua = block != nullptr ? block->FindParameter("UnitAddress") : nullptr;
    return ua != nullptr ? static_cast<std::uint16_t>(ua->value) : 0;
}

DeviceDialogs::DeviceDialogs(AppState& state, Prompter* prompter)
    : state_(state), prompter_(prompter) {}

void DeviceDialogs::properties(const DeviceContext& context) {
    if (context.block == nullptr) {
        return;
    }
    // Editing may change any value, and the sheet writes into the block at once.
    state_.session.MarkModified();
    QtPrompter boxes;
    PropertiesSheet sheet({*context.block, state_.ports, StripInUseSuffix(context.portName),
                           state_.unitFacts, state_.remoteUa, state_.restrictions,
                           prompter_ != nullptr ? *prompter_ : boxes, state_.clock},
                          context.parent);
    boxes.setParent(&sheet);
    QObject::connect(&sheet, &PropertiesSheet::blockRenamed, &sheet,
                     [parent = context.parent](Block* block) { showNewName(parent, block); });
    sheet.exec();
}

// The block only names the dialog: the unit on the programming cable is reprogrammed.
void DeviceDialogs::hardUpgrade(const DeviceContext& context) {
    HardUpgradeDialog dialog(state_.ports, StripInUseSuffix(context.portName), state_.clock,
                             context.parent);
    dialog.setBlockName(blockName(context.block));
    dialog.exec();
}

void DeviceDialogs::softUpgrade(const DeviceContext& context) {
    QtPrompter boxes;
    SoftUpgradeDialog dialog(state_.ports, StripInUseSuffix(context.portName),
                             unitAddressOf(context.block), state_.schedule, state_.clock,
                             prompter_ != nullptr ? *prompter_ : boxes, context.parent);
    boxes.setParent(&dialog);
    dialog.setBlockName(blockName(context.block));
    dialog.exec();
}

void DeviceDialogs::spectrum(const DeviceContext& context) {
    PortSettings settings = state_.portSettings;
    settings.portName = StripInUseSuffix(context.portName);
    settings.baudRate = context.baudRate;
    QtPrompter boxes;
    SpectrumSheet sheet(state_.ports, settings, state_.scanParser, state_.clock,
                        prompter_ != nullptr ? *prompter_ : boxes, context.parent);
    boxes.setParent(&sheet);
    sheet.setBlockName(blockName(context.block));
    sheet.exec();
}

void DeviceDialogs::findUnits(const DeviceContext& context) {
    auto* window = qobject_cast<MainWindow*>(context.parent);
    FindUnitsDialog::AddUnits add;
    if (window != nullptr) {
        add = [window](const std::vector<FoundUnit>& units) {
            return window->addFoundUnits(units);
        };
    }
    FindUnitsDialog dialog(state_.ports, StripInUseSuffix(context.portName), state_.clock,
                           state_.session.User().Root(), add, context.parent);
    dialog.exec();
}

void DeviceDialogs::monitorNetwork(const DeviceContext& context) {
    const Block* root = state_.session.User().Root();
    MonitorDialog dialog(state_.ports, StripInUseSuffix(context.portName), state_.clock,
                         root != nullptr ? MonitorUnitsOf(*root) : std::vector<MonitorUnit>{},
                         context.parent);
    dialog.exec();
}

void DeviceDialogs::network(const DeviceContext& context, NetworkTask task) {
    Block* root = state_.session.User().Root();
    if (root == nullptr) {
        return;
    }
    QtPrompter boxes;
    NetworkDialog dialog(task, *root, state_.ports, StripInUseSuffix(context.portName),
                         prompter_ != nullptr ? *prompter_ : boxes, state_.clock, context.parent);
    boxes.setParent(&dialog);
    dialog.setChangedListener([this] { state_.session.MarkModified(); });
    dialog.exec();
}

}  // namespace skelvane
