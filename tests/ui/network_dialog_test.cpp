// The network dialogs against the simulated network (Master 1 on the cable, Remotes 300 and
// 301; nothing answers as 302), its rows in the order the blocks are walked (newest first): what
// the user ticks is read, compared or written, each unit's status shows in its row, and what
// changes in the file is reported so the document is marked modified. The Check Network list
// selects the block a finding is about.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>

#include "device_harness.h"
#include "gui_harness.h"
#include "operations/network_compare_model.h"
#include "ui/command_ids.h"
#include "ui/explorer_tree.h"
#include "ui/main_window.h"
#include "ui/network_dialog.h"
#include "ui/properties_sheet.h"
#include "ui/settings_page_view.h"

using namespace skelvane;

namespace {

// Answers as RecordingPrompter does, calling `asked` first.
class AskingPrompter final : public Prompter {
  public:
    explicit AskingPrompter(std::function<void()> asked) : asked_(std::move(asked)) {}
    Answer Message(std::string_view text, std::string_view caption, MessageIcon icon,
                   MessageButtons buttons) override {
        asked_();
        return recorder_.Message(text, caption, icon, buttons);
    }
    std::optional<std::size_t> Choose(std::string_view caption,
                                      const std::vector<std::string>& items,
                                      std::size_t selected) override {
        return recorder_.Choose(caption, items, selected);
    }
    std::vector<RecordingPrompter::Record> Records() const { return recorder_.Records(); }

  private:
    std::function<void()> asked_;
    RecordingPrompter recorder_;
};

QStringList statusColumn(const QTreeWidget* list) {
    QStringList statuses;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        statuses << list->topLevelItem(i)->text(0) + ": " + list->topLevelItem(i)->text(4);
    }
    return statuses;
}

}  // namespace

class NetworkDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void eachTaskReportsEveryUnit_data();
    void eachTaskReportsEveryUnit();
    void untickedUnitsAreLeftOut();
    void menuCommands();
    void settingsPageComparesItsUnit();

  private:
    std::unique_ptr<test::DeviceBench> bench_;
    Block* remote300_ = nullptr;
};

void NetworkDialogTest::init() {
    bench_ = std::make_unique<test::DeviceBench>(test::DeviceBench::Time::Virtual);
    bench_->addBlock(BlockKind::Master, 1, "M");
    remote300_ = bench_->addBlock(BlockKind::Remote, 300, "R300");
    bench_->addBlock(BlockKind::Remote, 302, "R302");
    // The file says otherwise than unit 300.
    remote300_->FindParameter("TxPower")->value ^= 1;
}

void NetworkDialogTest::cleanup() {
    bench_.reset();
}

void NetworkDialogTest::eachTaskReportsEveryUnit_data() {
    QTest::addColumn<int>("task");
    QTest::addColumn<QString>("word");  // the status of a unit that went well
    QTest::addColumn<bool>("fileChanged");
    QTest::newRow("read") << static_cast<int>(NetworkTask::Read) << "done V4.45" << true;
    // A new block has no version, serial number or data mask yet: nothing to compare them to.
    QTest::newRow("compare") << static_cast<int>(NetworkTask::Compare) << "1 differ" << true;
    QTest::newRow("write") << static_cast<int>(NetworkTask::Write) << "done V4.45" << false;
}

void NetworkDialogTest::eachTaskReportsEveryUnit() {
    QFETCH(int, task);
    QFETCH(QString, word);
    QFETCH(bool, fileChanged);
    const auto kind = static_cast<NetworkTask>(task);
    const std::uint32_t fileValue = remote300_->FindParameter("TxPower")->value;
    // The question before writing is asked with Start disabled.
    bool startEnabledWhenAsked = true;
    NetworkDialog* shown = nullptr;
    AskingPrompter prompter([&] { startEnabledWhenAsked = shown->startButton()->isEnabled(); });
    NetworkDialog dialog(kind, *bench_->document.Root(), bench_->ports, "SIM1", prompter,
                         bench_->clock);
    shown = &dialog;
    int changes = 0;
    dialog.setChangedListener([&changes] { ++changes; });
    dialog.show();
    QCOMPARE(dialog.cableBox()->currentText(), QStringLiteral("M"));
    QVERIFY(dialog.startButton()->isEnabled());
    if (kind == NetworkTask::Write) {
        // Only what differs: unit 300's TxPower. The Master has nothing to write.
        QVERIFY(dialog.changedOnlyBox()->isChecked());
    }

    QTest::mouseClick(dialog.startButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.running(), test::kLong);

    const QString masterWord = kind == NetworkTask::Read      ? QStringLiteral("done V4.45")
                               : kind == NetworkTask::Compare ? QStringLiteral("same")
                                                              : QStringLiteral("unchanged");
    QCOMPARE(statusColumn(dialog.unitList()),
             QStringList({"R302: no answer", "R300: " + word, "M: " + masterWord}));
    QCOMPARE(dialog.progressText()->text(), QStringLiteral("3 of 3 units"));
    QCOMPARE(dialog.progress()->value(), 3);
    QVERIFY(dialog.startButton()->isEnabled());

    if (kind == NetworkTask::Compare) {
        // The unit's value is listed beside the file's; taking it changes the block.
        QTreeWidget* rows = dialog.differences();
        QCOMPARE(rows->topLevelItemCount(), 1);
        QCOMPARE(rows->topLevelItem(0)->text(1), QStringLiteral("TxPower"));
        QVERIFY(dialog.differencesNote()->isHidden());
        QCOMPARE(remote300_->FindParameter("TxPower")->value, fileValue);
        QVERIFY(dialog.takeAllButton()->isEnabled());
        QTest::mouseClick(dialog.takeAllButton(), Qt::LeftButton);
        QCOMPARE(rows->topLevelItemCount(), 0);
        // The empty list says why: R302 did not answer.
        QCOMPARE(dialog.differencesNote()->text(),
                 QStringLiteral("No differences in the units read; 1 of 3 could not be read."));
    }
    if (kind == NetworkTask::Write) {
        // Asked first, listing the unit and how many values it gets.
        QVERIFY(!startEnabledWhenAsked);
        const auto records = prompter.Records();
        QVERIFY(std::any_of(records.begin(), records.end(), [](const auto& r) {
            return r.text.find("R300: 1 value") != std::string::npos;
        }));
    }
    // A read or a taken value puts the unit's TxPower into the block; a write leaves it.
    QCOMPARE(remote300_->FindParameter("TxPower")->value != fileValue, fileChanged);
    QCOMPARE(changes > 0, fileChanged);
}

void NetworkDialogTest::untickedUnitsAreLeftOut() {
    NetworkDialog dialog(NetworkTask::Read, *bench_->document.Root(), bench_->ports, "SIM1",
                         bench_->prompter, bench_->clock);
    dialog.show();
    for (int i = 0; i < 3; ++i) {
        dialog.unitList()->topLevelItem(i)->setCheckState(0, Qt::Unchecked);
    }
    QVERIFY(!dialog.startButton()->isEnabled());
    dialog.unitList()->topLevelItem(1)->setCheckState(0, Qt::Checked);
    QTest::mouseClick(dialog.startButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.running(), test::kLong);
    QCOMPARE(statusColumn(dialog.unitList()),
             QStringList({"R302: not chosen", "R300: done V4.45", "M: not chosen"}));
}

void NetworkDialogTest::menuCommands() {
    test::Harness harness;
    MainWindow& window = harness.window();
    // Two Masters with the template's one address: a finding naming both, the newer first
    // (the walk order). The older one is selected before.
    Block* older = harness.master();
    Block* newer = window.placeBlock(static_cast<int>(BlockKind::Master), QPoint(300, 200));
    QVERIFY(newer != nullptr && newer != older);
    window.explorer()->selectBlock(older);
    QCOMPARE(window.singleSelectedBlock(), older);
    QVERIFY(test::opensModal([&] { window.runCommand(command::kCheckNetwork); },
                             [](QWidget* w) {
                                 auto* dialog = qobject_cast<CheckNetworkDialog*>(w);
                                 QVERIFY(dialog != nullptr);
                                 QVERIFY(dialog->findings()->count() >= 1);
                                 emit dialog->findings()->itemDoubleClicked(
                                     dialog->findings()->item(0));
                             }));
    QCOMPARE(window.singleSelectedBlock(), newer);
    // The other network commands go to the device dialogs.
    window.runCommand(command::kWriteNetwork);
    QCOMPARE(harness.devices().calls.back().command, std::string("network"));
}

void NetworkDialogTest::settingsPageComparesItsUnit() {
    PropertiesSheet sheet(bench_->context(*remote300_));
    sheet.show();
    sheet.settings()->remoteButton()->setChecked(true);
    QStringList rows;
    QString note;
    QVERIFY(test::opensModal(
        [&] { QTest::mouseClick(sheet.settings()->compareButton(), Qt::LeftButton); },
        [&](QWidget* w) {
            auto* dialog = qobject_cast<NetworkDialog*>(w);
            QVERIFY(dialog != nullptr);
            QTest::mouseClick(dialog->startButton(), Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(!dialog->running(), test::kLong);
            rows = statusColumn(dialog->unitList());
            QTest::mouseClick(dialog->takeAllButton(), Qt::LeftButton);
            note = dialog->differencesNote()->text();
        }));
    // Only this block's unit, reached by its address; Take All leaves nothing to list.
    QCOMPARE(rows, QStringList({"R300: 1 differ"}));
    QCOMPARE(note, QStringLiteral("No differences: the unit matches the file."));
}

QTEST_MAIN(NetworkDialogTest)
#include "network_dialog_test.moc"
