// The device commands open their dialogs with the port of the status bar (without the mark
// of a port in use) and, for the soft upgrade and the property sheet, the selected block. The
// document is marked modified before the sheet shows, and a block named after a new unit
// address gets the name in the diagram and the explorer tree while the sheet is still open.

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>
#include <functional>
#include <memory>

// First: it hides Qt's `slots` keyword from the restriction table the page includes.
#include "ui/restriction_state.h"

#include "device_harness.h"
#include "document/document_session.h"
#include "gui_harness.h"
#include "operations/restrictions_page.h"
#include "operations/settings_page_model.h"
#include "ui/app_state.h"
#include "ui/command_ids.h"
#include "ui/device_dialogs.h"
#include "ui/diagram_view.h"
#include "ui/explorer_tree.h"
#include "ui/find_units_dialog.h"
#include "ui/hard_upgrade_dialog.h"
#include "ui/main_window.h"
#include "ui/monitor_dialog.h"
#include "ui/properties_sheet.h"
#include "ui/qt_prompter.h"
#include "ui/restrictions_page_view.h"
#include "ui/screen_fit.h"
#include "ui/settings_page_view.h"
#include "ui/soft_upgrade_dialog.h"
#include "ui/spectrum_sheet.h"

using namespace skelvane;
using test::opensModal;

namespace {

std::unique_ptr<Block> radio(BlockKind kind, std::optional<std::uint32_t> ua) {
    std::unique_ptr<Block> block = CreateBlock(static_cast<int>(kind));
    if (ua) {
        Parameter p;
        p.type = 2;
        p.name = "UnitAddress";
        p.value = *ua;
        block->AddParameter(p);
    }
    return block;
}

}  // namespace

class DeviceDialogsTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void dialogsNameTheirBlockAndUnit();
    void dialogsGetThePortOfTheStatusBar();
    void unitAddressRenamesTheBlockInTheWindow();
    void findUnitsAddsTheMissingOnesToTheWindow();
    void monitorShowsTheLatestValues();
    void everyWindowFitsASmallScreen();

  private:
    DeviceContext context(Block* block = nullptr) const {
        DeviceContext c;
        c.block = block;
        c.portName = "SIM1 (In Use)";
        c.baudRate = "57600";
        return c;
    }

    std::optional<test::Harness> h_;
    DeviceDialogs* dialogs_ = nullptr;
};

void DeviceDialogsTest::init() {
    h_.emplace(test::Harness::Devices::Dialogs);
    dialogs_ = &h_->dialogs();
}

void DeviceDialogsTest::cleanup() {
    h_.reset();
}

// Each device dialog shows the block it was opened for after its caption, and above its
// controls the unit it will talk to.
void DeviceDialogsTest::dialogsNameTheirBlockAndUnit() {
    struct Case {
        void (DeviceDialogs::*open)(const DeviceContext&);
        std::optional<std::uint32_t> ua;
        QString caption;
        QString target;
    };
    const QString soft = QStringLiteral("Soft Upgrade - Corvantis");
    const QString cable = QStringLiteral("Unit on the cable");
    const Case cases[] = {
        // The unit address cut to 16 bits.
        {&DeviceDialogs::softUpgrade, 0x10005u, soft, "Unit 5, through the unit on the cable"},
        {&DeviceDialogs::softUpgrade, std::nullopt, soft, cable},
        {&DeviceDialogs::hardUpgrade, 300u, "Hard Upgrade - Corvantis",
         "Unit on the programming cable"},
        {&DeviceDialogs::spectrum, 300u, "Tools ...", cable},
        {&DeviceDialogs::properties, 300u, "Properties", cable},
    };
    for (const Case& c : cases) {
        const std::unique_ptr<Block> block = radio(BlockKind::Remote, c.ua);
        const QString name = fromLatin1(block->Name());
        QVERIFY(!name.isEmpty());
        const bool upgrade =
            c.open == &DeviceDialogs::softUpgrade || c.open == &DeviceDialogs::hardUpgrade;
        QString title;
        QString line;
        QStringList enterButtons;  // what Enter in a field of an upgrade dialog would press
        QVERIFY(opensModal([&] { (dialogs_->*c.open)(context(block.get())); },
                           [&](QWidget* w) {
                               title = w->windowTitle();
                               const auto* label = w->findChild<QLabel*>(QStringLiteral("target"));
                               line = label != nullptr ? label->text() : QString();
                               for (const QPushButton* b : w->findChildren<QPushButton*>()) {
                                   if (upgrade && (b->autoDefault() || b->isDefault())) {
                                       enterButtons << b->text();
                                   }
                               }
                           }));
        QCOMPARE(title, c.caption + QStringLiteral(" - ") + name);
        QCOMPARE(line, name + QStringLiteral(": ") + c.target);
        QCOMPARE(enterButtons, QStringList());
    }
}

// The sheet and the spectrum sheet talk on the port of the status bar; the document is marked
// modified before the sheet shows.
void DeviceDialogsTest::dialogsGetThePortOfTheStatusBar() {
    const std::unique_ptr<Block> block = radio(BlockKind::Master, 1);
    h_->session().User().SetModified(false);
    bool modifiedWhenShown = false;
    std::vector<std::string> ports;
    QVERIFY(opensModal([&] { dialogs_->properties(context(block.get())); },
                       [&](QWidget* w) {
                           auto* sheet = qobject_cast<PropertiesSheet*>(w);
                           QVERIFY(sheet != nullptr);
                           modifiedWhenShown = h_->session().User().Modified();
                           ports = {sheet->settings()->model().Link().PortName(),
                                    sheet->restrictions()->model().Link().PortName()};
                       }));
    QVERIFY(modifiedWhenShown);
    QVERIFY(opensModal([&] { dialogs_->spectrum(context()); },
                       [&](QWidget* w) {
                           auto* sheet = qobject_cast<SpectrumSheet*>(w);
                           QVERIFY(sheet != nullptr);
                           const SpectrumPage::State state =
                               sheet->analyzer()->model().CurrentState();
                           ports.push_back(state.portName + " " + state.baudRate);
                       }));
    QCOMPARE(ports, (std::vector<std::string>{"SIM1", "SIM1", "SIM1 57600"}));
    // No block, no sheet.
    QVERIFY(!opensModal([&] { dialogs_->properties(context()); }, [](QWidget*) {}));
}

void DeviceDialogsTest::unitAddressRenamesTheBlockInTheWindow() {
    MainWindow& window = h_->window();
    Block* remote = window.placeBlock(static_cast<int>(BlockKind::Remote), QPoint(300, 200));
    QVERIFY(remote != nullptr);
    QCOMPARE(window.singleSelectedBlock(), remote);

    QString diagramTitle;
    QString treeText;
    QVERIFY(opensModal([&] { window.runCommand(command::kProperties); },
                       [&](QWidget* w) {
                           auto* sheet = qobject_cast<PropertiesSheet*>(w);
                           QVERIFY(sheet != nullptr);
                           // An accepted unit address names the Remote after it.
                           PropertyListModel& list = sheet->settings()->model().List();
                           list.AcceptNumber(*list.FindRow("UnitAddress"), std::uint32_t{25});
                           BlockDiagram& diagram = window.diagramView()->diagram();
                           diagramTitle = QString::fromStdString(
                               diagram.item(diagram.findByData(remote))->title);
                           const auto items = window.explorer()->findItems(
                               QStringLiteral("25"), Qt::MatchExactly | Qt::MatchRecursive);
                           treeText = items.isEmpty() ? QString() : items.front()->text(0);
                       }));
    QCOMPARE(diagramTitle, QStringLiteral("25"));
    QCOMPARE(treeText, QStringLiteral("25"));
}

// Against the program's own simulated network: Master 1 on the cable, Repeater 2, Remote 300.
void DeviceDialogsTest::findUnitsAddsTheMissingOnesToTheWindow() {
    MainWindow& window = h_->window();
    h_->session().User().SetModified(false);

    QStringList marks;
    const auto mark = [&marks](const QTreeWidget* list) {
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            marks << list->topLevelItem(i)->text(4);
        }
    };
    QVERIFY(opensModal([&] { window.runCommand(command::kFindUnits); },
                       [&](QWidget* w) {
                           auto* dialog = qobject_cast<FindUnitsDialog*>(w);
                           QVERIFY(dialog != nullptr);
                           QVERIFY(!dialog->addButton()->isEnabled());
                           dialog->rangeEdit()->setText(QStringLiteral("2,300"));
                           QVERIFY(dialog->start());
                           QTRY_VERIFY_WITH_TIMEOUT(dialog->startButton()->isEnabled(),
                                                    test::kLong);
                           mark(dialog->list());
                           QVERIFY(dialog->addButton()->isEnabled());
                           dialog->addButton()->click();
                           mark(dialog->list());
                           QVERIFY(!dialog->addButton()->isEnabled());
                       }));
    // Listed before Add, then after it.
    QCOMPARE(marks, (QStringList{"yes", "no", "no", "yes", "yes", "yes"}));
    QVERIFY(h_->session().User().Modified());
    BlockDiagram& diagram = window.diagramView()->diagram();
    QCOMPARE(diagram.itemCount(), 3);
    for (const char* name : {"2", "300"}) {
        QCOMPARE(window.explorer()
                     ->findItems(QString::fromLatin1(name), Qt::MatchExactly | Qt::MatchRecursive)
                     .size(),
                 1);
    }
}

// Two passes over a Master on the cable and a Remote that does not answer; what is exported
// is the model's.
void DeviceDialogsTest::monitorShowsTheLatestValues() {
    test::DeviceBench bench;
    bench.addBlock(BlockKind::Master, 1);
    bench.addBlock(BlockKind::Remote, 300);
    MonitorDialog dialog(bench.ports, "SIM1", bench.clock, MonitorUnitsOf(*bench.document.Root()));
    QVERIFY(!dialog.exportButton()->isEnabled());
    dialog.intervalBox()->setValue(1);
    bench.remote(300).SetSilentAfter(0);
    QVERIFY(dialog.start());
    QTRY_VERIFY_WITH_TIMEOUT(dialog.model().PassesDone() >= 2, test::kLong);
    dialog.model().Stop();
    QTRY_VERIFY_WITH_TIMEOUT(dialog.startButton()->isEnabled(), test::kLong);

    QTableWidget* table = dialog.table();
    QCOMPARE(table->rowCount(), 2);
    QCOMPARE(table->item(0, 3)->text(), QStringLiteral("answered"));
    QVERIFY(table->item(0, 4)->text().startsWith(QLatin1Char('-')));  // RSSI
    QCOMPARE(table->item(1, 3)->text(), QStringLiteral("did not answer"));
    QVERIFY(table->item(1, 4)->text().isEmpty());
    QVERIFY(dialog.exportButton()->isEnabled());
}

// 1366x768 at 100 %, and 1920x1080 at 200 % (960x540 logical pixels).
void DeviceDialogsTest::everyWindowFitsASmallScreen() {
    const std::unique_ptr<Block> block = radio(BlockKind::Master, 1);
    const std::vector<std::pair<const char*, std::function<void()>>> windows = {
        {"properties", [&] { dialogs_->properties(context(block.get())); }},
        {"hard upgrade", [&] { dialogs_->hardUpgrade(context(block.get())); }},
        {"soft upgrade", [&] { dialogs_->softUpgrade(context(block.get())); }},
        {"spectrum", [&] { dialogs_->spectrum(context()); }},
        {"find units", [&] { dialogs_->findUnits(context()); }},
        {"monitor", [&] { dialogs_->monitorNetwork(context()); }},
    };
    for (const QRect& screen : {QRect(0, 0, 1366, 768), QRect(0, 0, 960, 540)}) {
        const auto fits = [&screen](QWidget* w) {
            fitInside(w, screen);
            return screen.contains(QRect(w->pos(), w->size() + QSize(16, 40)));
        };
        for (const auto& [name, open] : windows) {
            bool fitted = false;
            QVERIFY2(opensModal(open, [&](QWidget* w) { fitted = fits(w); }), name);
            QVERIFY2(fitted, name);
        }
        h_->window().resize(1200, 900);
        QVERIFY(fits(&h_->window()));
    }
}

QTEST_MAIN(DeviceDialogsTest)
#include "device_dialogs_test.moc"
