// The "Restrictions & Repeaters" page of the property sheet against the simulated network:
// Read fills the rows and sets "Zones", in-place edits are judged on commit, "Zones" fills the
// selected row, and Write sends what the rows hold.

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>

#include "device_harness.h"
#include "operations/restrictions_page.h"
#include "support/sim_network.h"
#include "ui/log_view.h"
#include "ui/properties_sheet.h"
#include "ui/qt_prompter.h"
#include "ui/restrictions_page_view.h"
#include "ui/zone_preset_dialog.h"

using namespace skelvane;
using namespace skelvane::test;

namespace {

constexpr int kRestrictionsPage = 2;
constexpr std::uint8_t kCountryRegister = 0x59;
constexpr std::uint8_t kLinkRateRegister = 0x0E;

QString cell(RestrictionsPageView* page, const std::string& name) {
    const int row = page->rowOf(name);
    return row < 0 ? QStringLiteral("<no row>")
                   : page->list()->item(row, RestrictionsPageView::kValueColumn)->text();
}

void editValue(RestrictionsPageView* page, const std::string& name, const QString& text) {
    commitEdit(page->list(), page->rowOf(name), RestrictionsPageView::kValueColumn, text);
}

}  // namespace

class RestrictionsPageTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void pageShowsTheBlocksRowsUnderItsName();
    void readEditAndWrite();
    void zonesFillsTheSelectedRow();
};

void RestrictionsPageTest::init() {
    DeviceBench probe;
    QVERIFY2(probe.note.empty(), probe.note.c_str());
}

void RestrictionsPageTest::pageShowsTheBlocksRowsUnderItsName() {
    DeviceBench bench;
    Block* remote = bench.addBlock(BlockKind::Remote, 300);
    remote->SetName("North & South");
    remote->FindParameter("FrequencyRestriction2")->textValue = "4:902400,910000";
    const auto sheet = bench.openSheet(*remote, kRestrictionsPage);
    RestrictionsPageView* page = sheet->restrictions();
    // The '&' of the name is shown, not taken as a mnemonic mark.
    QCOMPARE(page->group()->title(), QStringLiteral("North && South"));
    QCOMPARE(cell(page, "FrequencyRestriction2"), QStringLiteral("4:902400,910000"));
    // A Remote block starts with "Rem&ote" chosen; nothing is known of the unit yet.
    QVERIFY(page->remoteButton()->isChecked());
    QVERIFY(!page->zonesButton()->isEnabled());
    QVERIFY(page->readButton()->isEnabled());
    // The entry format is told before anything is refused: as the row's tooltip and as the
    // editor's placeholder.
    const QString format =
        QStringLiteral("UA:start,end[,start,end...] in kHz, e.g. 300:902400,903000");
    const int row = page->rowOf("FrequencyRestriction2");
    QCOMPARE(page->list()->item(row, RestrictionsPageView::kValueColumn)->toolTip(), format);
    page->list()->edit(page->list()->model()->index(row, RestrictionsPageView::kValueColumn));
    auto* editor = page->list()->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor != nullptr);
    QCOMPARE(editor->placeholderText(), format);
    QVERIFY(page->zonesButton()->toolTip().contains(QStringLiteral("North America2")));
}

// Read fills the rows and sets "Zones"; an edit is judged on commit, and Write sends what the
// rows hold.
void RestrictionsPageTest::readEditAndWrite() {
    DeviceBench bench;
    sim::Unit& unit = bench.local();
    unit.SetVersion("V4.45");
    unit.SetRegister(kCountryRegister, 3);  // North America2 at 50 kHz: zones are offered
    unit.SetRegister(kLinkRateRegister, 0);
    unit.SetRestriction(0, SimEntry(5, {{0, 2500}, {5100, 25200}}));
    sim::RepeaterSlots repeaters;
    repeaters.fill(0xFFFF);
    repeaters[0] = 2;
    unit.SetRepeaters(repeaters);
    Block* master = bench.addBlock(BlockKind::Master, 1);
    const auto sheet = bench.openSheet(*master, kRestrictionsPage);
    RestrictionsPageView* page = sheet->restrictions();
    QVERIFY(page->localButton()->isChecked());

    QTest::mouseClick(page->readButton(), Qt::LeftButton);
    QVERIFY(!page->readButton()->isEnabled());
    QVERIFY(!page->writeButton()->isEnabled());
    settle(page);
    const std::pair<const char*, const char*> expected[] = {
        {"FrequencyRestriction1", "5:902400,904900,907500,927600"},
        {"RepeaterRegistration", "2"},
    };
    for (const auto& [name, text] : expected) {
        QCOMPARE(master->FindParameter(name)->textValue, std::string(text));
        QCOMPARE(cell(page, name), QString::fromLatin1(text));
    }
    QVERIFY(page->zonesButton()->isEnabled());
    QCOMPARE(page->log()->lines().lines(), paneLines(page->model().Log()));
    // Leaving the page disables "Zones"; coming back sets it from what was read.
    sheet->showPage(0);
    QVERIFY(!page->zonesButton()->isEnabled());
    sheet->showPage(kRestrictionsPage);
    QVERIFY(page->zonesButton()->isEnabled());

    // A refused edit is told, and the row keeps its text.
    editValue(page, "FrequencyRestriction1", QStringLiteral("7:905000,999999"));
    QTRY_COMPARE(bench.prompter.Count(), std::size_t{1});
    QCOMPARE(cell(page, "FrequencyRestriction1"), QString::fromLatin1(expected[0].second));

    editValue(page, "FrequencyRestriction4", QStringLiteral("300:902400,904900,907500,927600"));
    editValue(page, "RepeaterRegistration", QStringLiteral("2,301"));
    clickAndWait(page->writeButton(), page);
    QCOMPARE(page->model().LastReport()->outcome, RestrictionsOutcome::Succeeded);
    QCOMPARE(unit.SavedRestriction(3), SimEntry(300, {{0, 2500}, {5100, 25200}}));
    QCOMPARE(unit.SavedRepeaters()[1], std::uint16_t{301});
    QTRY_COMPARE(page->log()->lines().lines(), paneLines(page->model().Log()));
}

// A click on the picture picks the zone; a UA the dialog refuses keeps it open with its choice
// and the focus in the UA box, a good one closes it and fills the selected row.
void RestrictionsPageTest::zonesFillsTheSelectedRow() {
    DeviceBench bench;
    bench.facts.countryIndex = 3;
    bench.facts.linkRateIndex = 0;
    Block* master = bench.addBlock(BlockKind::Master, 1);
    master->FindParameter("FrequencyRestriction3")->textValue = "5:902400,910000";
    const auto sheet = bench.openSheet(*master, kRestrictionsPage);
    RestrictionsPageView* page = sheet->restrictions();
    QVERIFY(page->zonesButton()->isEnabled());
    // A click on the row selects it.
    QTableWidget* list = page->list();
    const int row = page->rowOf("FrequencyRestriction3");
    QTest::mouseClick(
        list->viewport(), Qt::LeftButton, {},
        list->visualItemRect(list->item(row, RestrictionsPageView::kDescriptionColumn)).center());

    bool keptOpen = false;
    QVERIFY(opensModal([&] { QTest::mouseClick(page->zonesButton(), Qt::LeftButton); },
                       [&](QWidget* w) {
                           auto* dialog = qobject_cast<ZonePresetDialog*>(w);
                           QVERIFY(dialog != nullptr);
                           QTest::mouseClick(dialog->strip(), Qt::LeftButton, {},
                                             dialog->strip()->zoneRect(0).center());
                           dialog->uaEdit()->setText(QStringLiteral("0"));
                           dialog->zoneButton(0)->setFocus();
                           dialog->accept();
                           keptOpen = dialog->isVisible() && dialog->zoneButton(0)->isChecked() &&
                                      dialog->focusWidget() == dialog->uaEdit();
                           dialog->uaEdit()->setText(QStringLiteral("7"));
                           dialog->accept();
                       }));
    QVERIFY(keptOpen);
    QCOMPARE(bench.prompter.LastText(), std::string("UA should be between 1 and 65534"));
    const std::string expected = "7:905000,927600";
    QCOMPARE(master->FindParameter("FrequencyRestriction3")->textValue, expected);
    QCOMPARE(cell(page, "FrequencyRestriction3"), QString::fromStdString(expected));
}

QTEST_MAIN(RestrictionsPageTest)
#include "restrictions_page_test.moc"
