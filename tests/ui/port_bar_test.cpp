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

std::vector<PortListEntry> somePorts() {
    return MarkPorts(std::vector<std::string>{"COM3", "COM4", "SIM1"},
                     [](const std::string& name) { return name == "COM4"; });
}

}  // namespace

class PortBarTest : public QObject {
    Q_OBJECT

  private slots:
    void listsSelectTheStoredSettings();
    void portSelection_data();
    void portSelection();
    void pickingAnEntryWritesTheSetting();
    void firstRunStartsOnTheSimulatedNetwork();
    void saveStoresTheSettingsAndDialogsGetThePort();
};

void PortBarTest::listsSelectTheStoredSettings() {
    PortSettings settings;
    settings.baudRate = "9600";
    settings.dataFormat = "7E1";
    settings.flowControl = "RTS/CTS";
    PortBar bar(settings, platformPorts);
    QCOMPARE(bar.baudList()->currentText(), QStringLiteral("9600"));
    QCOMPARE(bar.formatList()->currentText(), QStringLiteral("7E1"));
    QCOMPARE(bar.flowList()->currentText(), QStringLiteral("RTS/CTS"));

    // A stored text that is not in a list leaves that list without a selection.
    PortSettings odd;
    odd.baudRate = "12345";
    PortBar other(odd, platformPorts);
    QCOMPARE(other.baudList()->currentIndex(), -1);
}

void PortBarTest::portSelection_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("selected");
    QTest::newRow("port in use") << QStringLiteral("COM4") << 1;
    QTest::newRow("simulator") << QStringLiteral("SIM1") << 2;
    QTest::newRow("not found") << QStringLiteral("COM9") << -1;
    QTest::newRow("case differs") << QStringLiteral("com3") << -1;
}

void PortBarTest::portSelection() {
    QFETCH(QString, stored);
    QFETCH(int, selected);
    PortSettings settings;
    settings.portName = stored.toStdString();
    PortBar bar(settings, platformPorts);
    bar.fillPorts(somePorts());
    QCOMPARE(texts(*bar.portList()), QStringList({"COM3", "COM4 (In Use)", "SIM1"}));
    QCOMPARE(bar.portList()->currentIndex(), selected);
    QCOMPARE(settings.portName, stored.toStdString());  // showing changes no setting
}

void PortBarTest::pickingAnEntryWritesTheSetting() {
    PortSettings settings;
    PortBar bar(settings, platformPorts);
    bar.fillPorts(somePorts());
    bar.portList()->setCurrentIndex(1);
    emit bar.portList()->activated(1);
    // The in-use mark is the list's, not part of the port's name.
    QCOMPARE(settings.portName, std::string("COM4"));
    bar.baudList()->setCurrentIndex(bar.baudList()->findText(QStringLiteral("57600")));
    emit bar.baudList()->activated(bar.baudList()->currentIndex());
    QCOMPARE(settings.baudRate, std::string("57600"));
    bar.formatList()->setCurrentIndex(4);
    emit bar.formatList()->activated(4);
    QCOMPARE(settings.dataFormat, std::string("7N1"));
    bar.flowList()->setCurrentIndex(1);
    emit bar.flowList()->activated(1);
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
    const int other = bar.portList()->findText(QStringLiteral("COM3"));
    QVERIFY(other >= 0);
    bar.portList()->setCurrentIndex(other);
    emit bar.portList()->activated(other);
    QVERIFY(!note());
}

void PortBarTest::saveStoresTheSettingsAndDialogsGetThePort() {
    Harness h;
    auto* store = dynamic_cast<MemorySettingsStore*>(h.state().settingsStore.get());
    QVERIFY(store != nullptr);
    PortBar& bar = *h.window().portBar();
    bar.fillPorts(somePorts());
    bar.portList()->setCurrentIndex(2);
    emit bar.portList()->activated(2);
    bar.baudList()->setCurrentIndex(bar.baudList()->findText(QStringLiteral("9600")));
    emit bar.baudList()->activated(bar.baudList()->currentIndex());

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
