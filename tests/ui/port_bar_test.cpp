// The status bar's port selectors: what they offer and select, what a pick writes back, and
// when the settings are stored.

#include <QComboBox>
#include <QLabel>
#include <QStatusBar>
#include <QTest>

#include "gui_harness.h"
#include "link/port_discovery.h"
#include "ui/command_ids.h"
#include "ui/port_bar.h"

using namespace skelvane;
using namespace skelvane::test;

namespace {

QStringList texts(const QComboBox& box) {
    QStringList list;
    for (int i = 0; i < box.count(); ++i) {
        list << box.itemText(i);
    }
    return list;
}

// The machine's ports only: these bars list no simulated port.
const PortFactory platformPorts;

// Picks the entry of a list as the user does.
void pick(QComboBox* list, const QString& text) {
    const int index = list->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    list->setCurrentIndex(index);
    emit list->activated(index);
}

std::vector<PortListEntry> somePorts() {
    return MarkPorts(std::vector<std::string>{"COM3", "COM4", "SIM1"},
                     [](const std::string& name) { return name == "COM4"; });
}

}  // namespace

class PortBarTest : public QObject {
    Q_OBJECT

  private slots:
    void portSelection();
    void pickingAnEntryWritesTheSetting();
    void firstRunStartsOnTheSimulatedNetwork();
    void saveStoresTheSettingsAndDialogsGetThePort();
};

// The lists select what is stored (nothing where a stored text is not in a list) and change
// no setting by showing it.
void PortBarTest::portSelection() {
    // The stored port and the entry selected: a port in use, the simulator, a port not found,
    // one whose case differs.
    const std::pair<const char*, int> cases[] = {
        {"COM4", 1}, {"SIM1", 2}, {"COM9", -1}, {"com3", -1}};
    for (const auto& [stored, selected] : cases) {
        PortSettings settings;
        settings.portName = stored;
        settings.baudRate = selected < 0 ? "12345" : "9600";
        settings.dataFormat = "7E1";
        settings.flowControl = "RTS/CTS";
        PortBar bar(settings, platformPorts);
        bar.fillPorts(somePorts());
        QCOMPARE(texts(*bar.portList()), QStringList({"COM3", "COM4 (In Use)", "SIM1"}));
        QCOMPARE(bar.portList()->currentIndex(), selected);
        QCOMPARE(bar.baudList()->currentText(), selected < 0 ? QString() : QStringLiteral("9600"));
        QCOMPARE(bar.formatList()->currentText(), QStringLiteral("7E1"));
        QCOMPARE(bar.flowList()->currentText(), QStringLiteral("RTS/CTS"));
        QCOMPARE(settings.portName, std::string(stored));
    }
}

void PortBarTest::pickingAnEntryWritesTheSetting() {
    PortSettings settings;
    PortBar bar(settings, platformPorts);
    bar.fillPorts(somePorts());
    pick(bar.portList(), QStringLiteral("COM4 (In Use)"));
    // The in-use mark is the list's, not part of the port's name.
    QCOMPARE(settings.portName, std::string("COM4"));
    pick(bar.formatList(), QStringLiteral("7N1"));
    QCOMPARE(settings.dataFormat, std::string("7N1"));
    pick(bar.flowList(), QStringLiteral("RTS/CTS"));
    QCOMPARE(settings.flowControl, std::string("RTS/CTS"));
}

void PortBarTest::firstRunStartsOnTheSimulatedNetwork() {
    Harness h;  // nothing stored yet
    PortBar& bar = *h.window().portBar();
    QCOMPARE(h.state().portSettings.portName, std::string("SIM1"));
    QCOMPARE(bar.portList()->currentText(), QStringLiteral("SIM1"));
    auto note = [&h] {
        for (const QLabel* label : h.window().statusBar()->findChildren<QLabel*>()) {
            if (label->text().contains(QStringLiteral("simulated network"))) {
                return true;
            }
        }
        return false;
    };
    QVERIFY(note());
    bar.fillPorts(somePorts());
    pick(bar.portList(), QStringLiteral("COM3"));
    QVERIFY(!note());
}

void PortBarTest::saveStoresTheSettingsAndDialogsGetThePort() {
    Harness h;
    auto* store = dynamic_cast<MemorySettingsStore*>(h.state().settingsStore.get());
    QVERIFY(store != nullptr);
    PortBar& bar = *h.window().portBar();
    bar.fillPorts(somePorts());
    pick(bar.portList(), QStringLiteral("SIM1"));
    pick(bar.baudList(), QStringLiteral("9600"));

    // Save As writes the file only; Save stores the settings first.
    QVERIFY(h.window().saveTo(h.dir() / "net.xml"));
    QVERIFY(store->values.empty());
    h.window().runCommand(command::kSave);
    QCOMPARE(store->values["PortName"], std::string("SIM1"));
    QCOMPARE(store->values["BaudRate"], std::string("9600"));

    click(h.viewport(), h.titleCentre(h.master()));
    h.window().runCommand(command::kHardUpgrade);
    QCOMPARE(h.devices().calls.size(), std::size_t{1});
    QCOMPARE(h.devices().calls[0].portName, std::string("SIM1"));
    QCOMPARE(h.devices().calls[0].baudRate, std::string("9600"));
}

QTEST_MAIN(PortBarTest)
#include "port_bar_test.moc"
