#include "ui/device_dialogs.h"

#include "ui/app_state.h"
#include "ui/diagram_view.h"
#include "ui/explorer_tree.h"
#include "ui/main_window.h"
#include "ui/properties_sheet.h"
#include "ui/qt_prompter.h"

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

}  // namespace

DeviceDialogs::DeviceDialogs(AppState& state, Prompter& fallback, Prompter* prompter)
    : state_(state), prompter_(prompter), unavailable_(fallback) {}

void DeviceDialogs::properties(const DeviceContext& context) {
    if (context.block == nullptr) {
        return;
    }
    // Editing may change any value, and the sheet writes into the block at once.
    state_.session.MarkModified();
    QtPrompter boxes;
    Prompter& prompter = prompter_ != nullptr ? *prompter_ : boxes;
    PropertiesSheet sheet({*context.block, context.portName, state_.unitFacts, state_.remoteUa,
                           state_.restrictions, prompter, state_.clock},
                          context.parent);
    boxes.setParent(&sheet);
    QObject::connect(&sheet, &PropertiesSheet::blockRenamed, &sheet,
                     [parent = context.parent](Block* block) { showNewName(parent, block); });
    sheet.exec();
}

void DeviceDialogs::hardUpgrade(const DeviceContext& context) {
    unavailable_.hardUpgrade(context);
}

void DeviceDialogs::softUpgrade(const DeviceContext& context) {
    unavailable_.softUpgrade(context);
}

void DeviceDialogs::spectrum(const DeviceContext& context) {
    unavailable_.spectrum(context);
}

}  // namespace skelvane
