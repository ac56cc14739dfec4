// The "Properties" sheet against the simulated network: what each button does to the unit and
// to the list, the edits of the parameter list, the pages handing on the unit address, and
// closing the sheet while a worker runs.

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "base/format.h"
#include "device_harness.h"
#include "link/device_worker.h"
#include "link/diagnostics_exchange.h"
#include "operations/diagnostics_page_model.h"
#include "operations/restrictions_page.h"
#include "operations/settings_page_model.h"
#include "ui/defaults_dialog.h"
#include "ui/diag_plot.h"
#include "ui/diagnostics_page_view.h"
#include "ui/log_view.h"
#include "ui/properties_sheet.h"
#include "ui/property_table.h"
#include "ui/qt_prompter.h"
#include "ui/restrictions_page_view.h"
#include "ui/settings_page_view.h"

using namespace skelvane;
using namespace skelvane::test;

namespace {

QString cell(SettingsPageView* page, const std::string& name) {
    const int row = page->table()->rowOf(name);
    return row < 0 ? QStringLiteral("<no row>")
                   : page->table()->item(row, PropertyTable::kValueColumn)->text();
}

// Edits the value of a row in the list: types `text` (a line) or picks `index` (a list).
void editValue(SettingsPageView* page, const std::string& name, const QString& text,
               int index = -1) {
    commitEdit(page->table(), page->table()->rowOf(name), PropertyTable::kValueColumn, text, index);
}

}  // namespace

class PropertiesSheetTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void settingsListJudgesEditsAndTicksRows();
    void readAllWriteAndDefault();
    void remotePagesNameTheirUnitAndResetAsksFirst();
    void diagnosticsButtonsDriveTheUnit();
    void closingWhileAWorkerRunsLeavesNoThread();
};

void PropertiesSheetTest::init() {
    DeviceBench probe;
    QVERIFY2(probe.note.empty(), probe.note.c_str());
}

// The list of settings before any unit is read: a number is judged against its range when
// the edit is committed, and the header's tick box ticks every row that can be written.
void PropertiesSheetTest::settingsListJudgesEditsAndTicksRows() {
    DeviceBench bench;
    Block* master = bench.addBlock(BlockKind::Master, 1);
    master->FindParameter("NetworkId")->value = 100;
    const Parameter& networkId = *master->FindParameter("NetworkId");
    const auto sheet = bench.openSheet(*master);
    SettingsPageView* page = sheet->settings();

    // The editor takes no digit that would carry the number past 32 bits: 4294967297 would
    // wrap around to 1 and be taken. What it holds is out of range.
    editValue(page, "NetworkId", QStringLiteral("4294967297"));
    QTRY_COMPARE(bench.prompter.Count(), std::size_t{1});
    QCOMPARE(bench.prompter.LastText(),
             Format("Value '429496729' out of range <%u, %u>", networkId.choices[0].value,
                    networkId.choices[1].value));
    QCOMPARE(networkId.value, 100u);
    QCOMPARE(cell(page, "NetworkId"), QStringLiteral("100"));
    editValue(page, "NetworkId", QStringLiteral("4095"));  // the upper end
    QTRY_COMPARE(networkId.value, 4095u);
    QCOMPARE(cell(page, "NetworkId"), QStringLiteral("4095"));
    QCOMPARE(bench.prompter.Count(), std::size_t{1});

    PropertyTable* table = page->table();
    CheckHeader* header = table->checkHeader();
    const QPoint section(header->sectionViewportPosition(0) + 10, header->height() / 2);

    // Every row but the read-only ones (the version and the serial number) starts ticked.
    const auto checkedRows = [table] {
        int checked = 0;
        for (int row = 0; row < table->rowCount(); ++row) {
            checked += table->item(row, 0)->checkState() == Qt::Checked ? 1 : 0;
        }
        return checked;
    };
    const int enabled = static_cast<int>(page->model().List().CheckedNames().size());
    QVERIFY(enabled <= table->rowCount() - 2);
    QCOMPARE(checkedRows(), enabled);

    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, section);
    QVERIFY(!header->isChecked());
    QCOMPARE(checkedRows(), 0);
    QVERIFY(page->model().List().CheckedNames().empty());

    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, section);
    QVERIFY(header->isChecked());
    QCOMPARE(checkedRows(), enabled);
}

// Read All fills the list from the unit; edits stay marked until Write has sent them; Default
// (enabled once the version is known) sends the set chosen in its dialog.
void PropertiesSheetTest::readAllWriteAndDefault() {
    DeviceBench bench;
    Block* master = bench.addBlock(BlockKind::Master, 1);
    const Parameter& power = *master->FindParameter("TxPower");
    const Parameter& networkId = *master->FindParameter("NetworkId");
    // Values the unit does not hold, so that the read visibly changes them.
    master->FindParameter("NetworkId")->value = 7;
    const auto sheet = bench.openSheet(*master);
    SettingsPageView* page = sheet->settings();
    QVERIFY(!page->defaultButton()->isEnabled());

    QTest::mouseClick(page->readAllButton(), Qt::LeftButton);
    // Every action button is disabled while the worker runs.
    QVERIFY(!page->readAllButton()->isEnabled());
    QVERIFY(!page->writeButton()->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(page->readAllButton()->isEnabled(), kLong);
    settle(page);
    // A number, a list choice and a text, as the unit holds them.
    QCOMPARE(networkId.value, bench.local().Value(networkId.vectors));
    QCOMPARE(cell(page, "NetworkId"), QString::number(networkId.value));
    QCOMPARE(cell(page, "TxPower"),
             fromLatin1(power.choices[std::size_t(ShownChoice(power))].name));
    QCOMPARE(cell(page, "SerialNo"), fromLatin1(master->FindParameter("SerialNo")->textValue));
    QVERIFY(page->defaultButton()->isEnabled());
    QCOMPARE(page->log()->lines().lines(), paneLines(page->model().Log()));

    // A list choice and a number, edited in the list.
    const int lowPower = 1;  // "250 mW"
    editValue(page, "TxPower", {}, lowPower);
    editValue(page, "NetworkId", QStringLiteral("4000"));
    QTRY_COMPARE(networkId.value, 4000u);
    QCOMPARE(power.value, power.choices[lowPower].value);

    // Edited values stay marked until they have been written.
    auto marked = [page](const char* name) {
        const int row = page->table()->rowOf(name);
        return page->table()->item(row, PropertyTable::kCheckColumn)->text() == "*" &&
               page->table()->item(row, PropertyTable::kValueColumn)->font().bold();
    };
    QTRY_COMPARE(page->writeButton()->text(), QStringLiteral("&Write (2)"));
    QVERIFY(marked("TxPower") && marked("NetworkId") && !marked("HopPattern"));
    const QString tip = page->table()->item(page->table()->rowOf("TxPower"), 1)->toolTip();
    QVERIFY2(tip.contains("Choices: ") && tip.contains("Register: 0x0B (id 0x0B)"),
             qPrintable(tip));

    clickAndWait(page->writeButton(), page);
    QCOMPARE(page->writeButton()->text(), QStringLiteral("&Write"));
    QVERIFY(!marked("TxPower") && !marked("NetworkId"));
    QCOMPARE(bench.local().Value(networkId.vectors), 4000u);

    // Default offers the sets; the one chosen is sent.
    QVERIFY(opensModal([&] { QTest::mouseClick(page->defaultButton(), Qt::LeftButton); },
                       [](QWidget* w) {
                           auto* dialog = qobject_cast<DefaultsDialog*>(w);
                           QVERIFY(dialog != nullptr);
                           // "F2 (PMP Remote)" comes up selected.
                           QCOMPARE(dialog->selectedIndex(), 1);
                           QVERIFY(dialog->setButton(1)->isChecked());
                           dialog->setButton(2)->click();  // "F4 (PMP Master)"
                           dialog->accept();
                       }));
    settle(page);
    QCOMPARE(bench.local().LastDefaultSet(), 4);
}

// A Remote block's sheet starts with "Rem&ote" chosen and hands its address on to the
// Diagnostics page; the line above the controls follows the choice of unit; Reset asks first,
// and No (the default button) sends nothing.
void PropertiesSheetTest::remotePagesNameTheirUnitAndResetAsksFirst() {
    DeviceBench bench;
    Block* remote = bench.addBlock(BlockKind::Remote, 300);
    const auto sheet = bench.openSheet(*remote);
    SettingsPageView* settings = sheet->settings();
    QVERIFY(settings->remoteButton()->isChecked());
    QCOMPARE(bench.remoteUa.Get(), std::uint16_t{0});
    const auto* line = sheet->findChild<QLabel*>(QStringLiteral("target"));
    QVERIFY(line != nullptr);
    settings->localButton()->click();
    QTRY_COMPARE(line->text(), fromLatin1(remote->Name()) + QStringLiteral(": Unit on the cable"));
    settings->remoteButton()->click();
    QTRY_COMPARE(line->text(), fromLatin1(remote->Name()) +
                                   QStringLiteral(": Unit 300, through the unit on the cable"));

    sheet->showPage(1);
    QCOMPARE(bench.remoteUa.Get(), std::uint16_t{300});
    DiagnosticsPageView* diagnostics = sheet->diagnostics();
    QCOMPARE(diagnostics->model().UnitAddress(), std::uint16_t{300});
    QVERIFY(diagnostics->remoteButton()->isChecked());
    // What Read brings is shown in the values list.
    clickAndWait(diagnostics->readButton(), diagnostics);
    const Parameter& rssi = *remote->FindParameter("DiagRSSI");
    QVERIFY(rssi.value != 0);
    const int row = static_cast<int>(
        std::find_if(diagnostics->model().Rows().begin(), diagnostics->model().Rows().end(),
                     [](const auto& r) { return r.name == "DiagRSSI"; }) -
        diagnostics->model().Rows().begin());
    QCOMPARE(diagnostics->values()->item(row, 1)->text(),
             fromLatin1(*FormatDiagValue("DiagRSSI", rssi.value)));

    sheet->showPage(0);
    const QStringList before = paneLines(settings->model().Log());
    bench.prompter.QueueAnswer(Answer::No);
    settings->resetButton()->click();
    QCOMPARE(bench.prompter.Count(), std::size_t{1});
    const auto question = bench.prompter.Records().front();
    QCOMPARE(question.text, std::string("Reset unit 300? Units that reach the network through it "
                                        "lose their link until it has restarted."));
    QVERIFY(question.buttons == MessageButtons::YesNoDefaultNo);
    QVERIFY(!sheet->busy());
    QCOMPARE(paneLines(settings->model().Log()), before);
    bench.prompter.QueueAnswer(Answer::Yes);
    clickAndWait(settings->resetButton(), settings);
    QVERIFY(paneLines(settings->model().Log()).size() > 0);
}

// Read with "Poll" reads until Stop, and the chart shows what the passes read; Get and Set
// take the custom fields.
void PropertiesSheetTest::diagnosticsButtonsDriveTheUnit() {
    DeviceBench bench;
    Block* master = bench.addBlock(BlockKind::Master, 1);
    const std::vector<std::uint8_t> networkIdIds = master->FindParameter("NetworkId")->vectors;
    QCOMPARE(networkIdIds.size(), std::size_t{2});
    const auto sheet = bench.openSheet(*master, 1);
    QVERIFY(QTest::qWaitForWindowActive(sheet.get()));
    DiagnosticsPageView* page = sheet->diagnostics();
    page->pollBox()->setChecked(true);
    QTest::mouseClick(page->readButton(), Qt::LeftButton);
    QVERIFY(!page->readButton()->isEnabled());
    QVERIFY(!page->pollBox()->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(page->model().Passes() >= 3, kLong);
    QTest::mouseClick(page->stopButton(), Qt::LeftButton);
    // "&Stop" ends the worker (polling runs in it, so nothing reads any more).
    settle(page);
    QVERIFY(page->readButton()->isEnabled());
    QVERIFY(page->pollBox()->isEnabled());
    QVERIFY(page->plot()->samples().size() >= 2);
    QCOMPARE(page->plot()->samples().back().rssiDbm,
             -static_cast<double>(master->FindParameter("DiagRSSI")->value));
    page->pollBox()->setChecked(false);

    // A wrong field takes the focus (the worker starts all the same).
    page->idEdit(1)->setText(QStringLiteral("256"));
    page->readButton()->setFocus();
    QTest::mouseClick(page->getButton(), Qt::LeftButton);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(page->idEdit(1)));
    settle(page);

    // A 2-byte register: id1 is the low byte (right), id2 the high byte.
    page->sizeEdit()->setText(QStringLiteral("2"));
    page->idEdit(0)->setText(QString::number(networkIdIds[1]));
    page->idEdit(1)->setText(QString::number(networkIdIds[0]));
    page->valueEdit()->setText(QStringLiteral("4660"));
    clickAndWait(page->setButton(), page);
    QCOMPARE(bench.local().Value(networkIdIds), 0x1234u);
    page->valueEdit()->setText(QStringLiteral("0"));
    clickAndWait(page->getButton(), page);
    QCOMPARE(page->valueEdit()->text(), QStringLiteral("4660"));
}

// Settings: Read All from a remote; Diagnostics: polling; Restrictions: Read from a remote,
// nineteen requests at 200 ms each, caught after the first.
void PropertiesSheetTest::closingWhileAWorkerRunsLeavesNoThread() {
    for (const int page : {0, 1, 2}) {
        DeviceBench bench;
        Block* remote = bench.addBlock(BlockKind::Remote, 300);
        const int before = DeviceWorker::UnjoinedThreads();
        auto sheet = bench.openSheet(*remote, page);
        const LogPane* log = nullptr;
        if (page == 0) {
            QTest::mouseClick(sheet->settings()->readAllButton(), Qt::LeftButton);
            log = &sheet->settings()->model().Log();
        } else if (page == 1) {
            sheet->diagnostics()->pollBox()->setChecked(true);
            QTest::mouseClick(sheet->diagnostics()->readButton(), Qt::LeftButton);
            log = &sheet->diagnostics()->model().Log();
        } else {
            QCOMPARE(sheet->restrictions()->model().RemoteUa(), std::uint16_t{300});
            QTest::mouseClick(sheet->restrictions()->readButton(), Qt::LeftButton);
            log = &sheet->restrictions()->model().Log();
        }
        // Caught talking to the unit.
        QTRY_VERIFY_WITH_TIMEOUT(paneLines(*log).contains(QStringLiteral("TX:>>>>>")), kLong);
        QVERIFY(sheet->busy());
        QCOMPARE(DeviceWorker::UnjoinedThreads(), before + 1);

        sheet->reject();
        // Closing waits for the worker: when it returns, nothing runs any more.
        QVERIFY(!sheet->busy());
        QVERIFY(!sheet->isVisible());
        sheet.reset();
        QCOMPARE(DeviceWorker::UnjoinedThreads(), before);
    }
}

QTEST_MAIN(PropertiesSheetTest)
#include "properties_sheet_test.moc"
