// The main window's "Properties" command opens the block's sheet: the document is marked
// modified before the sheet shows, and a block named after a new unit address gets the name
// in the diagram and the explorer tree while the sheet is still open.

#include <QTest>
#include <QTreeWidget>

#include "device_harness.h"
#include "document/document_session.h"
#include "link/settings_page_model.h"
#include "ui/app_state.h"
#include "ui/command_ids.h"
#include "ui/device_dialogs.h"
#include "ui/diagram_view.h"
#include "ui/explorer_tree.h"
#include "ui/main_window.h"
#include "ui/properties_sheet.h"
#include "ui/settings_page_view.h"

using namespace skelvane;
using namespace skelvane::test;

class DeviceDialogsTest : public QObject {
    Q_OBJECT

  private slots:
    void propertiesOpensTheSheetOfTheSelectedBlock();
    void propertiesNeedsOneSelectedBlock();
};

void DeviceDialogsTest::propertiesOpensTheSheetOfTheSelectedBlock() {
    RecordingPrompter prompter;
    AppState state(prompter, DefaultSessionPaths());
    DeviceDialogs devices(state, &prompter);
    MainWindow window(state, devices);
    window.resize(900, 640);
    QVERIFY(window.startUp());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    Block* remote = window.placeBlock(static_cast<int>(BlockKind::Remote), QPoint(300, 200));
    QVERIFY(remote != nullptr);
    QCOMPARE(window.singleSelectedBlock(), remote);
    state.session.User().SetModified(false);

    bool sawSheet = false;
    bool modifiedWhenShown = false;
    QString diagramTitle;
    QString treeText;
    onNextModal([&](QWidget* w) {
        auto* sheet = qobject_cast<PropertiesSheet*>(w);
        if (sheet == nullptr) {
            w->close();
            return;
        }
        sawSheet = true;
        modifiedWhenShown = state.session.User().Modified();
        // An accepted unit address names the Remote after it.
        PropertyListModel& list = sheet->settings()->model().List();
        list.AcceptNumber(*list.FindRow("UnitAddress"), std::uint32_t{25});
        BlockDiagram& diagram = window.diagramView()->diagram();
        diagramTitle = QString::fromStdString(diagram.item(diagram.findByData(remote))->title);
        const auto items = window.explorer()->findItems(QStringLiteral("25"),
                                                        Qt::MatchExactly | Qt::MatchRecursive);
        treeText = items.isEmpty() ? QString() : items.front()->text(0);
        sheet->reject();
    });
    window.runCommand(command::kProperties);
    QVERIFY(sawSheet);
    QVERIFY(modifiedWhenShown);
    QCOMPARE(remote->Name(), std::string("25"));
    QCOMPARE(diagramTitle, QStringLiteral("25"));
    QCOMPARE(treeText, QStringLiteral("25"));
    state.session.User().SetModified(false);
}

void DeviceDialogsTest::propertiesNeedsOneSelectedBlock() {
    RecordingPrompter prompter;
    AppState state(prompter, DefaultSessionPaths());
    DeviceDialogs devices(state, &prompter);
    MainWindow window(state, devices);
    QVERIFY(window.startUp());
    window.show();
    window.diagramView()->diagram().setState(-1, 0, kItemSelected);
    state.session.User().SetModified(false);
    bool opened = false;
    QObject* watcher = onNextModal([&](QWidget* w) {
        opened = true;
        w->close();
    });
    window.runCommand(command::kProperties);
    QTest::qWait(50);
    delete watcher;
    QVERIFY(!opened);
    QVERIFY(!state.session.User().Modified());
}

QTEST_MAIN(DeviceDialogsTest)
#include "device_dialogs_test.moc"
