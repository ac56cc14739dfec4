#include "ui/guide_pictures.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

#include "link/port_factory.h"
#include "operations/spectrum_page.h"
#include "ui/app_state.h"
#include "ui/diagram_view.h"
#include "ui/find_units_dialog.h"
#include "ui/hard_upgrade_dialog.h"
#include "ui/main_window.h"
#include "ui/monitor_dialog.h"
#include "ui/port_bar.h"
#include "ui/properties_sheet.h"
#include "ui/restrictions_page_view.h"
#include "ui/settings_page_view.h"
#include "ui/soft_upgrade_dialog.h"
#include "ui/spectrum_sheet.h"
#include "ui/zone_preset_dialog.h"

namespace skelvane {

namespace {

constexpr int kDeviceLimitMs = 30000;  // the simulated units answer within seconds
constexpr const char* kPort = "SIM1";

// Runs the event loop until `done` holds or `limitMs` have passed; false on time-out.
bool waitUntil(const std::function<bool()>& done, int limitMs) {
    const QDeadlineTimer deadline(limitMs);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// Lets the views take the workers' last results and paint them.
void settle() {
    waitUntil([] { return false; }, 300);
}

Block* firstMaster(Block* parent) {
    for (Block* b = parent != nullptr ? parent->FirstChild() : nullptr; b != nullptr;
         b = b->NextSibling()) {
        if (b->Kind() == BlockKind::Master) {
            return b;
        }
        if (Block* inner = firstMaster(b)) {
            return inner;
        }
    }
    return nullptr;
}

class Camera {
  public:
    explicit Camera(const QString& dir) : dir_(dir) {}

    void take(QWidget& widget, const QString& name) {
        settle();
        const QString path = QDir(dir_).filePath(name);
        if (!widget.grab().save(path)) {
            failed(path, QStringLiteral("could not be saved"));
        }
    }
    // `front` over `back` as on a desktop: `front`'s top left corner at `at` in `back`.
    void takeOver(QWidget& back, QWidget& front, QPoint at, const QString& name) {
        settle();
        const QPixmap backPicture = back.grab();
        const QPixmap frontPicture = front.grab();
        constexpr int kMargin = 12;
        const QRect backRect(QPoint(kMargin, kMargin), backPicture.size());
        const QRect frontRect(backRect.topLeft() + at, frontPicture.size());
        QPixmap desktop(backRect.united(frontRect).adjusted(0, 0, kMargin, kMargin).size());
        desktop.fill(QColor(0x5a, 0x6b, 0x7d));
        QPainter painter(&desktop);
        for (const auto& [rect, picture] :
             {std::pair{backRect, backPicture}, std::pair{frontRect, frontPicture}}) {
            painter.fillRect(rect.translated(4, 4), QColor(0, 0, 0, 90));
            painter.drawPixmap(rect.topLeft(), picture);
            painter.setPen(QColor(0x30, 0x30, 0x30));
            painter.drawRect(rect.adjusted(-1, -1, 0, 0));
        }
        painter.end();
        const QString path = QDir(dir_).filePath(name);
        if (!desktop.save(path)) {
            failed(path, QStringLiteral("could not be saved"));
        }
    }
    void failed(const QString& what, const QString& why) {
        failures << what + QStringLiteral(": ") + why;
    }

    QStringList failures;

  private:
    QString dir_;
};

}  // namespace

QStringList TakeGuidePictures(MainWindow& window, AppState& state, Prompter& prompter,
                              const QString& dir) {
    Camera camera(dir);
    if (!QDir().mkpath(dir)) {
        camera.failed(dir, QStringLiteral("the folder could not be made"));
        return camera.failures;
    }

    // The main window with the example star network, on the simulated network.
    const std::filesystem::path example = state.session.ResolveTemplatePath("star-network.xml");
    if (!window.openFile(example)) {
        camera.failed(QString::fromStdString(example.string()),
                      QStringLiteral("the example network could not be opened"));
    }
    state.portSettings.portName = kPort;
    window.portBar()->refreshPorts();
    window.resize(1000, 640);
    camera.take(window, QStringLiteral("main-window.png"));

    Block* master = firstMaster(state.session.User().Root());
    if (master == nullptr) {
        camera.failed(QStringLiteral("settings-page.png"), QStringLiteral("no Master block"));
        return camera.failures;
    }

    {
        PropertiesSheet sheet({*master, state.ports, kPort, state.unitFacts, state.remoteUa,
                               state.restrictions, prompter, state.clock},
                              &window);
        sheet.show();
        sheet.settings()->localButton()->click();
        sheet.settings()->readAllButton()->click();
        if (!waitUntil([&] { return !sheet.busy(); }, kDeviceLimitMs)) {
            camera.failed(QStringLiteral("settings-page.png"),
                          QStringLiteral("Read All timed out"));
        }
        camera.take(sheet, QStringLiteral("settings-page.png"));

        sheet.showPage(2);
        sheet.restrictions()->localButton()->click();
        sheet.restrictions()->readButton()->click();
        if (!waitUntil([&] { return !sheet.busy(); }, kDeviceLimitMs)) {
            camera.failed(QStringLiteral("restrictions-page.png"),
                          QStringLiteral("Read timed out"));
        }
        // One entry typed in, as the guide's example has it.
        emit sheet.restrictions()->cellDelegate()->committed(
            sheet.restrictions()->rowOf("FrequencyRestriction1"),
            QStringLiteral("300:902400,903000"));
        camera.take(sheet, QStringLiteral("restrictions-page.png"));
        sheet.done(QDialog::Accepted);
    }

    {
        ZonePresetDialog zones(prompter, &window);
        zones.uaEdit()->setText(QStringLiteral("300"));
        zones.zoneButton(3)->click();
        zones.show();
        camera.take(zones, QStringLiteral("zones.png"));
        zones.reject();
    }

    // The upgrade dialogs with a firmware file chosen; the file is only looked at.
    QTemporaryDir scratch;
    const QString firmware = scratch.filePath(QStringLiteral("firmware.bin"));
    QFile image(firmware);
    if (!scratch.isValid() || !image.open(QIODevice::WriteOnly) ||
        image.write(QByteArray(4096, '\xff')) != 4096) {
        camera.failed(firmware, QStringLiteral("could not be written"));
    }
    image.close();
    {
        SoftUpgradeDialog soft(state.ports, kPort, 300, state.schedule, state.clock, prompter,
                               &window);
        soft.chooseFirmwareFile(firmware);
        soft.uaEdit()->setText(QStringLiteral("300,301"));
        soft.show();
        camera.take(soft, QStringLiteral("soft-upgrade.png"));
        soft.done(QDialog::Rejected);
    }
    {
        HardUpgradeDialog hard(state.ports, kPort, state.clock, &window);
        hard.chooseFirmwareFile(firmware);
        hard.show();
        camera.take(hard, QStringLiteral("hard-upgrade.png"));
        hard.done(QDialog::Rejected);
    }

    {
        PortSettings settings = state.portSettings;
        SpectrumSheet spectrum(state.ports, settings, state.scanParser, state.clock, prompter,
                               &window);
        spectrum.resize(760, 560);
        spectrum.show();
        SpectrumPage& page = spectrum.analyzer()->model();
        page.SetScanLimit(3);
        spectrum.analyzer()->scanButton()->click();
        if (!waitUntil([&] { return !page.WorkerRunning(); }, kDeviceLimitMs)) {
            camera.failed(QStringLiteral("spectrum.png"), QStringLiteral("the scan timed out"));
        }
        camera.take(spectrum, QStringLiteral("spectrum.png"));
        spectrum.done(QDialog::Rejected);
    }

    // A monitored network, as after Find Units (which learns the units' versions) and a few
    // passes of Monitor Network at a short interval: the monitor's dialog over the main
    // window, whose blocks show what was heard. The example's unit 3 is not in the simulated
    // network, so its block shows a unit that did not answer.
    {
        FindUnitsDialog find(state.ports, kPort, state.clock, state.session.User().Root(), {},
                             &window);
        find.rangeEdit()->setText(QStringLiteral("1-3"));
        find.show();
        if (!find.start() || !waitUntil([&] { return !find.model().Busy(); }, kDeviceLimitMs)) {
            camera.failed(QStringLiteral("monitored-network.png"),
                          QStringLiteral("Find Units did not finish"));
        }
        find.done(QDialog::Rejected);
    }
    {
        constexpr std::uint64_t kPasses = 4;
        MonitorDialog monitor(state.ports, kPort, state.clock,
                              MonitorUnitsOf(*state.session.User().Root()), &window);
        monitor.intervalBox()->setValue(1);
        monitor.resize(760, 560);
        monitor.show();
        if (!monitor.model().Start(Millis{1000}, kPasses) ||
            !waitUntil([&] { return !monitor.model().Busy(); }, kDeviceLimitMs) ||
            monitor.model().PassesDone() != kPasses) {
            camera.failed(QStringLiteral("monitored-network.png"),
                          QStringLiteral("the monitor did not finish its passes"));
        }
        const int zoom = window.diagramView()->zoom();
        window.diagramView()->setZoom(125, QPoint(0, 0));
        camera.takeOver(window, monitor, QPoint(530, 200), QStringLiteral("monitored-network.png"));
        window.diagramView()->setZoom(zoom);
        monitor.done(QDialog::Rejected);
    }
    return camera.failures;
}

}  // namespace skelvane
