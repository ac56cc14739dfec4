// What a user does in the main window: new networks, placing, linking, moving, selecting,
// deleting, copying and pasting, renaming, saving and opening.

#include <QCursor>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <algorithm>
#include <array>
#include <fstream>

#include "base/strings.h"
#include "document/document_session.h"
#include "gui_harness.h"
#include "ui/command_ids.h"
#include "ui/diagram_view.h"
#include "ui/explorer_tree.h"
#include "ui/rename_dialog.h"

using namespace skelvane;
using namespace skelvane::test;

namespace {

// The tree's texts, depth first, indented by level.
QStringList treeTexts(QTreeWidget& tree) {
    QStringList texts;
    for (QTreeWidgetItemIterator it(&tree); *it != nullptr; ++it) {
        int level = 0;
        for (const QTreeWidgetItem* up = (*it)->parent(); up != nullptr; up = up->parent()) {
            ++level;
        }
        texts << QString(level * 2, QLatin1Char(' ')) + (*it)->text(0);
    }
    return texts;
}

// Everything a diagram shows that the document decides: titles, positions, rows and links.
QStringList describe(const BlockDiagram& d) {
    QStringList lines;
    for (const DiagramItem& it : d.items()) {
        QString line = QStringLiteral("%1 @%2,%3 w%4 s%5:")
                           .arg(QString::fromLatin1(it.title.c_str()))
                           .arg(it.rect.left)
                           .arg(it.rect.top)
                           .arg(it.width)
                           .arg(it.state);
        for (const DiagramRow& row : it.rows) {
            line +=
                QStringLiteral(" [%1 %2").arg(row.side).arg(QString::fromLatin1(row.text.c_str()));
            if (row.linked()) {
                const int src = d.findById(row.sourceItemId);
                line += QStringLiteral(" <- %1.%2")
                            .arg(QString::fromLatin1(d.item(src)->title.c_str()))
                            .arg(row.sourceRow);
            }
            line += QLatin1Char(']');
        }
        lines << line;
    }
    lines.sort();
    return lines;
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void placeLinkUnlinkAndDelete();
    void outsideTheDiagramNothingIsPlacedOrPasted();
    void renameUpdatesDiagramAndTree();
    void saveThenOpenGivesTheSameDiagram();
    void blockCommandsNeedExactlyOneSelectedBlock();
    void doubleClickOnAnInputLinksItOrGoesToItsSource();
    void selectionIsSharedByTreeAndDiagram();
    void unsavedChangesAreAskedAboutOnce();
    void untitledSaveAsksForANameAndReplacingAsksFirst();
};

void MainWindowTest::placeLinkUnlinkAndDelete() {
    Harness h;
    Block* master = h.master();
    Block* repeater = h.place(BlockKind::Repeater, QPoint(200, 40));
    QVERIFY(repeater != nullptr);
    Block* remote = h.place(BlockKind::Remote, QPoint(360, 140));
    QVERIFY(remote != nullptr);
    QCOMPARE(treeTexts(*h.window().explorer()),
             QStringList({QStringLiteral("Network"), QStringLiteral("  Master"),
                          QStringLiteral("  Remote"), QStringLiteral("  Repeater")}));

    // The Repeater's input is its icon box; drag from there onto the Master's, its output.
    drag(h.viewport(), h.iconCentre(repeater), h.iconCentre(master));
    QCOMPARE(repeater->Inputs().at(0).id, master->Outputs().at(0).id);
    // The Remote's input onto the Repeater's output row.
    drag(h.viewport(), h.iconCentre(remote), h.rowCentre(repeater, 1));
    QCOMPARE(remote->Inputs().at(0).id, repeater->Outputs().at(0).id);

    // Delete takes the block, its tree item and the links to its output.
    click(h.viewport(), h.titleCentre(repeater));
    key(h.view(), Qt::Key_Delete);
    QCOMPARE(h.diagram().itemCount(), 2);
    QCOMPARE(h.itemOf(repeater), -1);
    QCOMPARE(treeTexts(*h.window().explorer()),
             QStringList({QStringLiteral("Network"), QStringLiteral("  Master"),
                          QStringLiteral("  Remote")}));
    // The Remote's input no longer names an output that does not exist.
    QCOMPARE(remote->Inputs().at(0).id, 0);

    drag(h.viewport(), h.iconCentre(remote), h.iconCentre(master));
    QCOMPARE(remote->Inputs().at(0).id, master->Outputs().at(0).id);
    h.session().User().SetModified(false);
    // A drag that ends without a drop (Escape) leaves the link as it was, though the diagram
    // showed it gone while the mouse was far from any output.
    press(h.viewport(), h.iconCentre(remote));
    move(h.viewport(), QPoint(560, 480));
    move(h.viewport(), QPoint(600, 500));
    QVERIFY(!h.diagram().item(h.itemOf(remote))->rows[0].linked());
    key(h.view(), Qt::Key_Escape);
    release(h.viewport(), QPoint(600, 500));
    QCOMPARE(h.diagram().mode(), DiagramMode::Idle);
    QVERIFY(h.diagram().item(h.itemOf(remote))->rows[0].linked());
    QCOMPARE(remote->Inputs().at(0).id, master->Outputs().at(0).id);
    QVERIFY(!h.session().User().Modified());
    // Dropped far from any block, the link is removed.
    drag(h.viewport(), h.iconCentre(remote), QPoint(600, 500));
    QCOMPARE(remote->Inputs().at(0).id, 0);
    QVERIFY(!h.diagram().item(h.itemOf(remote))->rows[0].linked());
    QVERIFY(h.session().User().Modified());

    // Several at once, from the toolbar command.
    click(h.viewport(), h.titleCentre(h.master()));
    click(h.viewport(), h.titleCentre(remote), Qt::ShiftModifier);
    h.window().runCommand(command::kDelete);
    QCOMPARE(h.diagram().itemCount(), 0);
    QVERIFY(h.session().User().Root()->FirstChild() == nullptr);
}

// Placing ends, without a block, on a release outside the diagram or on Escape; Paste needs
// a point inside the diagram.
void MainWindowTest::outsideTheDiagramNothingIsPlacedOrPasted() {
    Harness h;
    h.window().runCommand(static_cast<int>(BlockKind::Remote));
    QVERIFY(h.view().placing());
    const QPoint outside(-20, 50);
    press(h.viewport(), outside);
    release(h.viewport(), outside);
    QVERIFY(!h.view().placing());
    QCOMPARE(h.diagram().itemCount(), 1);
    QVERIFY(!h.session().User().Modified());
    h.window().runCommand(static_cast<int>(BlockKind::Remote));
    key(h.view(), Qt::Key_Escape);
    QVERIFY(!h.view().placing());
    click(h.viewport(), QPoint(300, 300));
    QCOMPARE(h.diagram().itemCount(), 1);

    const QPoint inside = h.viewport().mapToGlobal(QPoint(300, 250));
    click(h.viewport(), h.titleCentre(h.master()));
    h.window().runCommand(command::kCopy);
    const QPoint globalOutside = h.viewport().mapToGlobal(outside);
    QVERIFY(h.window().pasteBlock(static_cast<int>(BlockKind::Remote), globalOutside) == nullptr);
    QCOMPARE(h.diagram().itemCount(), 1);
    Block* pasted = h.window().pasteBlock(static_cast<int>(BlockKind::Remote), inside);
    QVERIFY(pasted != nullptr);
    QCOMPARE(h.diagram().itemCount(), 2);
    QCOMPARE(h.window().explorer()->currentItem()->text(0), QStringLiteral("Remote"));
}

void MainWindowTest::renameUpdatesDiagramAndTree() {
    Harness h;
    Block* remote = h.place(BlockKind::Remote, QPoint(200, 200));
    click(h.viewport(), h.titleCentre(remote));
    // F2 opens the dialog; a refused name keeps it open with the rule's message, and a good
    // one is taken.
    bool keptOpen = false;
    QTimer::singleShot(0, [&] {
        if (auto* dialog = qobject_cast<RenameDialog*>(QApplication::activeModalWidget())) {
            dialog->nameEdit()->setText(QStringLiteral("-12"));
            dialog->accept();
            keptOpen = dialog->isVisible() && remote->Name() == "Remote";
            dialog->nameEdit()->setText(QStringLiteral("Alpha"));
            dialog->accept();
        }
    });
    key(h.view(), Qt::Key_F2);
    QVERIFY(keptOpen);
    QCOMPARE(h.prompter().LastText(), std::string(LoadText(kIdsNameInvalid)));
    QCOMPARE(remote->Name(), std::string("Alpha"));
    QCOMPARE(h.diagram().item(h.itemOf(remote))->title, std::string("Alpha"));
    QCOMPARE(treeTexts(*h.window().explorer()),
             QStringList({QStringLiteral("Network"), QStringLiteral("  Alpha"),
                          QStringLiteral("  Master")}));
    QCOMPARE(ExplorerTree::blockOf(h.window().explorer()->currentItem()), remote);

    // A title cut short shows the whole name as a tooltip; one that fits shows none.
    const auto tipOverTitle = [&] {
        QToolTip::hideText();
        QHelpEvent help(QEvent::ToolTip, h.titleCentre(remote),
                        h.viewport().mapToGlobal(h.titleCentre(remote)));
        QApplication::sendEvent(&h.viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    QCOMPARE(tipOverTitle(), QString());
    const QString longName = QStringLiteral("AlphaBravoCharlieDeltaEchoFoxtrotGolf");
    QTimer::singleShot(0, [&] {
        if (auto* dialog = qobject_cast<RenameDialog*>(QApplication::activeModalWidget())) {
            dialog->nameEdit()->setText(longName);
            dialog->accept();
        }
    });
    key(h.view(), Qt::Key_F2);
    QCOMPARE(QString::fromStdString(remote->Name()), longName);
    QCOMPARE(tipOverTitle(), longName);
}

void MainWindowTest::saveThenOpenGivesTheSameDiagram() {
    Harness h;
    Block* repeater = h.place(BlockKind::Repeater, QPoint(200, 40));
    Block* remote = h.place(BlockKind::Remote, QPoint(360, 140));
    h.place(BlockKind::Remote, QPoint(360, 260));
    drag(h.viewport(), h.iconCentre(repeater), h.iconCentre(h.master()));
    drag(h.viewport(), h.iconCentre(remote), h.rowCentre(repeater, 1));
    click(h.viewport(), QPoint(600, 500));
    const QStringList before = describe(h.diagram());

    const std::filesystem::path path = h.dir() / "saved.xml";
    const QString titled = QStringLiteral("Skelvane - ") + QString::fromStdString(path.string());
    QCOMPARE(h.window().windowTitle(), QStringLiteral("Skelvane - Unknown.xml"));
    QVERIFY(h.window().saveTo(path));
    QVERIFY(!h.session().User().Modified());
    QCOMPARE(h.window().windowTitle(), titled);
    h.window().runCommand(command::kNew);
    QCOMPARE(h.diagram().itemCount(), 1);
    QCOMPARE(h.window().windowTitle(), QStringLiteral("Skelvane - Unknown.xml"));
    // The opened network is shown from its top left, wherever the last one was scrolled to.
    const std::array bars{h.view().horizontalScrollBar(), h.view().verticalScrollBar()};
    for (QScrollBar* bar : bars) {
        QCOMPARE(bar->value(), 0);
        bar->setValue(bar->maximum());
        QVERIFY(bar->value() > 0);
    }
    QVERIFY(h.window().openFile(path));
    for (QScrollBar* bar : bars) {
        QCOMPARE(bar->value(), 0);
    }
    QCOMPARE(describe(h.diagram()), before);
    QCOMPARE(treeTexts(*h.window().explorer()).size(), 5);
    QCOMPARE(h.window().windowTitle(), titled);

    // A file that cannot be read: the window shows what the document kept, untitled.
    const std::filesystem::path broken = h.dir() / "broken.xml";
    std::ofstream(broken) << "<?xml version=\"1.0\"?><Network><Blocks><Block type=\"34794\"";
    QVERIFY(!h.window().openFile(broken));
    QCOMPARE(h.diagram().itemCount(), 0);
    QCOMPARE(h.window().windowTitle(), QStringLiteral("Skelvane - Unknown.xml"));
}

// Soft Upgrade and Copy act on exactly one selected block.
void MainWindowTest::blockCommandsNeedExactlyOneSelectedBlock() {
    Harness h;
    Block* remote = h.place(BlockKind::Remote, QPoint(200, 200));
    const auto runBoth = [&h] {
        h.window().runCommand(command::kSoftUpgrade);
        h.window().runCommand(command::kCopy);
    };
    // None selected, then two: nothing happens (no dialog is opened either, or the test
    // would wait on it).
    click(h.viewport(), QPoint(600, 500));
    runBoth();
    click(h.viewport(), h.titleCentre(remote));
    click(h.viewport(), h.titleCentre(h.master()), Qt::ShiftModifier);
    runBoth();
    QVERIFY(h.devices().calls.empty());
    QVERIFY(h.session().CopiedBlock() == nullptr);

    click(h.viewport(), QPoint(600, 500));
    click(h.viewport(), h.titleCentre(remote));
    runBoth();
    QCOMPARE(h.session().CopiedBlock(), remote);
    QCOMPARE(h.devices().calls.size(), std::size_t{1});
    QCOMPARE(h.devices().calls[0].command, std::string("soft"));
    QCOMPARE(h.devices().calls[0].block, remote);

    // Enter, and a double click on a title, open a block's properties.
    key(h.view(), Qt::Key_Return);
    doubleClick(h.viewport(), h.titleCentre(h.master()));
    const std::vector<RecordingDevices::Call>& calls = h.devices().calls;
    QVERIFY(calls.size() >= 2);
    QCOMPARE(calls.end()[-2].command, std::string("properties"));
    QCOMPARE(calls.end()[-2].block, remote);
    QCOMPARE(calls.back().command, std::string("properties"));
    QCOMPARE(calls.back().block, h.master());
}

void MainWindowTest::doubleClickOnAnInputLinksItOrGoesToItsSource() {
    Harness h;
    // The automatic link takes the nearest block right of the input's block and its output
    // candidate: row 1 for a block without exactly one input. A block with no inputs and
    // two outputs offers its second output that way; the standard kinds offer none.
    Block* remote = h.place(BlockKind::Remote, QPoint(16, 200));
    Block* twoOutputs = h.place(BlockKind::Master, QPoint(120, 200));
    twoOutputs->AddOutput(0, "B", h.session().User().Ids());
    h.window().rebuildDiagram();
    h.session().User().SetModified(false);
    doubleClick(h.viewport(), h.iconCentre(remote));
    QCOMPARE(remote->Inputs().at(0).id, twoOutputs->Outputs().at(1).id);
    QVERIFY(h.session().User().Modified());
    QVERIFY(h.diagram().item(h.itemOf(remote))->rows[0].linked());
    // Linked now: it goes to its source, the mouse to the top left of the source's box.
    h.session().User().SetModified(false);
    QCursor::setPos(h.viewport().mapToGlobal(QPoint(5, 5)));
    doubleClick(h.viewport(), h.iconCentre(remote));
    QCOMPARE(QCursor::pos(), h.viewport().mapToGlobal(h.clientTopLeft(twoOutputs) + QPoint(5, 5)));
    QVERIFY(h.session().User().Modified());

    // Nothing suitable to its right: nothing happens.
    Block* repeater = h.place(BlockKind::Repeater, QPoint(400, 300));
    h.session().User().SetModified(false);
    doubleClick(h.viewport(), h.iconCentre(repeater));
    QCOMPARE(repeater->Inputs().at(0).id, 0);
    QVERIFY(!h.session().User().Modified());
}

// A rubber band selects only whole blocks; the diagram, the tree and the Edit menu's Delete
// share the selection.
void MainWindowTest::selectionIsSharedByTreeAndDiagram() {
    Harness h;
    Block* remote = h.place(BlockKind::Remote, QPoint(200, 200));
    const QPoint masterTopLeft = h.clientTopLeft(h.master());
    const QPoint remoteTopLeft = h.clientTopLeft(remote);
    // From empty space above and left of the Master to the middle of the Remote: the Master
    // lies wholly inside, the Remote is cut.
    drag(h.viewport(), masterTopLeft - QPoint(10, 10), h.titleCentre(remote));
    QCOMPARE(selectedBlocks(h.diagram()), std::vector<Block*>{h.master()});
    // A band round both selects both.
    const DiagramRect box = h.diagram().item(h.itemOf(remote))->rect;
    drag(h.viewport(), masterTopLeft - QPoint(10, 10),
         remoteTopLeft + QPoint(box.right - box.left + 20, box.bottom - box.top + 10));
    QCOMPARE(selectedBlocks(h.diagram()).size(), std::size_t{2});

    ExplorerTree& tree = *h.window().explorer();
    QAction* remove = h.window().action(command::kDelete);
    QVERIFY(h.window().menuBar()->actions().at(1)->menu()->actions().contains(remove));
    // A click on empty space clears the selection.
    click(h.viewport(), QPoint(600, 500));
    QCOMPARE(h.diagram().selectedCount(), 0);
    QVERIFY(!remove->isEnabled());
    click(h.viewport(), h.titleCentre(h.master()));
    QCOMPARE(ExplorerTree::blockOf(tree.currentItem()), h.master());
    QVERIFY(remove->isEnabled());
    click(h.viewport(), h.titleCentre(remote));
    QCOMPARE(ExplorerTree::blockOf(tree.currentItem()), remote);

    tree.setCurrentItem(tree.findItem(h.master()));
    QCOMPARE(selectedBlocks(h.diagram()), std::vector<Block*>{h.master()});
    tree.setCurrentItem(tree.findItem(remote));
    QCOMPARE(selectedBlocks(h.diagram()), std::vector<Block*>{remote});
    // The root has no box: nothing is selected.
    tree.setCurrentItem(tree.findItem(h.session().User().Root()));
    QCOMPARE(h.diagram().selectedCount(), 0);
}

// Close, Open and New ask about unsaved changes: once, and Open before its file dialog.
void MainWindowTest::unsavedChangesAreAskedAboutOnce() {
    Harness h;
    const auto asked = [&h] {
        const auto records = h.prompter().Records();
        return static_cast<int>(std::count_if(records.begin(), records.end(), [](const auto& r) {
            return r.text == LoadText(kIdsDiscardChanges);
        }));
    };
    const std::filesystem::path path = h.dir() / "one.xml";
    QVERIFY(h.window().saveTo(path));
    h.place(BlockKind::Remote, QPoint(200, 200));
    h.prompter().QueueAnswer(Answer::Cancel);
    QVERIFY(!h.window().close());
    QVERIFY(h.window().isVisible());
    QCOMPARE(asked(), 1);

    h.prompter().QueueAnswer(Answer::Yes);  // discard the changes
    int questionsBeforeDialog = -1;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        questionsBeforeDialog = asked();
        dialog->selectFile(QString::fromStdString(path.string()));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    h.window().runCommand(command::kOpen);
    QCOMPARE(questionsBeforeDialog, 2);
    QCOMPARE(asked(), 2);
    QCOMPARE(h.diagram().itemCount(), 1);  // the saved network: its Master only
    QCOMPARE(h.window().windowTitle(),
             QStringLiteral("Skelvane - ") + QString::fromStdString(path.string()));

    // A new network after discarding them: its Master alone, in the diagram and the tree.
    h.place(BlockKind::Remote, QPoint(200, 200));
    h.prompter().QueueAnswer(Answer::Yes);
    h.window().runCommand(command::kNew);
    QCOMPARE(asked(), 3);
    QCOMPARE(h.diagram().itemCount(), 1);
    QCOMPARE(treeTexts(*h.window().explorer()),
             QStringList({QStringLiteral("Network"), QStringLiteral("  Master")}));
    // Nothing left to ask about.
    QVERIFY(h.window().close());
    QCOMPARE(asked(), 3);
}

// Save of a network never saved under a chosen name opens Save As, which asks before it
// replaces a file: No keeps the file and the network untitled, Yes saves there.
void MainWindowTest::untitledSaveAsksForANameAndReplacingAsksFirst() {
    Harness h;
    const std::filesystem::path existing = h.dir() / "kept.xml";
    {
        QFile file(QString::fromStdString(existing.string()));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("keep me");
    }
    const auto contents = [&existing] {
        QFile file(QString::fromStdString(existing.string()));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    h.place(BlockKind::Remote, QPoint(200, 200));
    QVERIFY(h.session().Untitled());
    for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        bool asked = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) {
                return;
            }
            QTimer::singleShot(0, [&, dialog] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                asked = box != nullptr && box->button(answer) != nullptr;
                if (asked) {
                    box->button(answer)->click();
                }
                QTimer::singleShot(0, dialog, [dialog] {
                    if (dialog->isVisible()) {
                        dialog->reject();
                    }
                });
            });
            dialog->selectFile(QString::fromStdString(existing.string()));
            QMetaObject::invokeMethod(dialog, "accept");
        });
        h.window().runCommand(command::kSave);
        QVERIFY(asked);
        QCOMPARE(h.session().Untitled(), answer == QMessageBox::No);
        QCOMPARE(contents() == "keep me", answer == QMessageBox::No);
    }
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
