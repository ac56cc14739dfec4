// The device commands of the main window open their dialogs with the port of the status bar
// (without the mark of a port in use) and, for the soft upgrade and the property sheet, the
// selected block.

#include <QApplication>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

// First: it hides Qt's `slots` keyword from the restriction table the page includes.
#include "ui/restriction_state.h"

#include "base/prompter.h"
#include "document/block.h"
#include "gui_harness.h"
#include "link/settings_page_model.h"
#include "restrictions/restrictions_page.h"
#include "ui/app_state.h"
#include "ui/device_dialogs.h"
#include "ui/hard_upgrade_dialog.h"
#include "ui/properties_sheet.h"
#include "ui/restrictions_page_view.h"
#include "ui/settings_page_view.h"
#include "ui/soft_upgrade_dialog.h"
#include "ui/spectrum_sheet.h"

using namespace skelvane;

namespace {

// Once the next modal window is up, `inspect` looks at it and it is closed. False when none
// came.
class NextModal {
  public:
    explicit NextModal(std::function<void(QWidget*)> inspect) : inspect_(std::move(inspect)) {
        elapsed_.start();
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (QWidget* w = QApplication::activeModalWidget()) {
                timer_.stop();
                inspect_(w);
                seen_ = true;
                w->close();
            } else if (elapsed_.elapsed() > 5000) {
                timer_.stop();
            }
        });
        timer_.start(10);
    }
    bool seen() const { return seen_; }

  private:
    std::function<void(QWidget*)> inspect_;
    QTimer timer_;
    QElapsedTimer elapsed_;
    bool seen_ = false;
};

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
    void spectrumOpensTheToolsSheet();
    void softUpgradeTakesTheBlocksUnitAddress_data();
    void softUpgradeTakesTheBlocksUnitAddress();
    void hardUpgradeOpensItsDialog();
    void propertiesOpensTheBlocksSheet();

  private:
    DeviceContext context(Block* block = nullptr) const {
        DeviceContext c;
        c.block = block;
        c.portName = "SIM1 (In Use)";
        c.baudRate = "57600";
        return c;
    }

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<RecordingPrompter> prompter_;
    std::unique_ptr<AppState> state_;
    std::unique_ptr<DeviceDialogs> dialogs_;
};

void DeviceDialogsTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    const std::filesystem::path dir = dir_->path().toStdString();
    test::writeTemplate(dir / "TAVRIN-A.TPL");
    prompter_ = std::make_unique<RecordingPrompter>();
    state_ = std::make_unique<AppState>(*prompter_, SessionPaths{dir, dir});
    dialogs_ = std::make_unique<DeviceDialogs>(*state_, prompter_.get());
}

void DeviceDialogsTest::cleanup() {
    dialogs_.reset();
    state_.reset();
    prompter_.reset();
    dir_.reset();
}

void DeviceDialogsTest::spectrumOpensTheToolsSheet() {
    SpectrumPage::State seen;
    NextModal modal([&seen](QWidget* w) {
        auto* sheet = qobject_cast<SpectrumSheet*>(w);
        QVERIFY(sheet != nullptr);
        seen = sheet->analyzer()->model().CurrentState();
    });
    dialogs_->spectrum(context());
    QVERIFY(modal.seen());
    // The port of the status bar, without the mark of a port in use.
    QCOMPARE(seen.portName, std::string("SIM1"));
    QCOMPARE(seen.baudRate, std::string("57600"));
}

void DeviceDialogsTest::softUpgradeTakesTheBlocksUnitAddress_data() {
    QTest::addColumn<bool>("hasUa");
    QTest::addColumn<uint>("ua");
    QTest::addColumn<uint>("expected");
    QTest::newRow("remote") << true << 300u << 300u;
    QTest::newRow("no unit address") << false << 0u << 0u;
    QTest::newRow("cut to 16 bits") << true << 0x10005u << 5u;
}

void DeviceDialogsTest::softUpgradeTakesTheBlocksUnitAddress() {
    QFETCH(bool, hasUa);
    QFETCH(uint, ua);
    QFETCH(uint, expected);
    const std::unique_ptr<Block> block =
        radio(BlockKind::Remote, hasUa ? std::optional<std::uint32_t>(ua) : std::nullopt);
    std::optional<std::uint16_t> seen;
    NextModal modal([&seen](QWidget* w) {
        auto* dialog = qobject_cast<SoftUpgradeDialog*>(w);
        QVERIFY(dialog != nullptr);
        seen = dialog->model().View().unitAddress;
    });
    dialogs_->softUpgrade(context(block.get()));
    QVERIFY(modal.seen());
    QCOMPARE(seen, std::optional<std::uint16_t>(static_cast<std::uint16_t>(expected)));
}

void DeviceDialogsTest::hardUpgradeOpensItsDialog() {
    const std::unique_ptr<Block> block = radio(BlockKind::Master, 1);
    QString title;
    NextModal modal([&title](QWidget* w) {
        QVERIFY(qobject_cast<HardUpgradeDialog*>(w) != nullptr);
        title = w->windowTitle();
    });
    dialogs_->hardUpgrade(context(block.get()));
    QVERIFY(modal.seen());
    QCOMPARE(title, QStringLiteral("Hard Upgrade - Corvantis"));
}

void DeviceDialogsTest::propertiesOpensTheBlocksSheet() {
    const std::unique_ptr<Block> block = radio(BlockKind::Master, 1);
    block->SetName("Hilltop");
    state_->session.User().SetModified(false);
    bool modifiedWhenShown = false;
    std::string settingsPort;
    std::string restrictionsPort;
    QString title;
    NextModal modal([&](QWidget* w) {
        auto* sheet = qobject_cast<PropertiesSheet*>(w);
        QVERIFY(sheet != nullptr);
        modifiedWhenShown = state_->session.User().Modified();
        settingsPort = sheet->settings()->model().Link().PortName();
        restrictionsPort = sheet->restrictions()->model().Link().PortName();
        title = sheet->restrictions()->group()->title();
    });
    dialogs_->properties(context(block.get()));
    QVERIFY(modal.seen());
    QVERIFY(modifiedWhenShown);
    QCOMPARE(settingsPort, std::string("SIM1"));
    QCOMPARE(restrictionsPort, std::string("SIM1"));
    QCOMPARE(title, QStringLiteral("Hilltop"));
    // No block, no sheet.
    NextModal none([](QWidget*) {});
    dialogs_->properties(context());
    QTest::qWait(50);
    QVERIFY(!none.seen());
}

QTEST_MAIN(DeviceDialogsTest)
#include "device_commands_test.moc"
