// The desktop program. Besides Qt's own options it takes two of ours: --screenshot FILE
// starts the program as usual, saves a picture of the main window to FILE and ends;
// --screenshots DIR takes the user guide's pictures into DIR on the simulated network and
// ends, without reading or changing the saved port settings. With no one to answer, their
// questions take their default answers and their messages go to stderr. --help and --version
// print their text without a display.

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QSettings>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <string_view>

#include "link/port_settings.h"
#include "ui/app_state.h"
#include "ui/device_dialogs.h"
#include "ui/guide_pictures.h"
#include "ui/log_view.h"
#include "ui/main_window.h"
#include "ui/qt_prompter.h"
#include "ui/screen_fit.h"

namespace {

using namespace skelvane;

// Answers every question with its default and writes every message to stderr.
class UnattendedPrompter final : public Prompter {
  public:
    Answer Message(std::string_view text, std::string_view caption, MessageIcon,
                   MessageButtons buttons) override {
        std::fprintf(stderr, "%s: %s\n", std::string(caption).c_str(),
                     messageText(text).toLocal8Bit().constData());
        return buttons == MessageButtons::YesNo || buttons == MessageButtons::YesNoCancel
                   ? Answer::Yes
                   : Answer::Ok;
    }
    std::optional<std::size_t> Choose(std::string_view, const std::vector<std::string>&,
                                      std::size_t selected) override {
        return selected;
    }
};

// Whether the command line asks for the help or the version text, which need no display.
bool asksOnlyForText(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-h" || arg == "-?" || arg == "--help" || arg == "--help-all" || arg == "-v" ||
            arg == "--version") {
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication::setApplicationName(QStringLiteral("Skelvane"));
    QApplication::setApplicationVersion(QStringLiteral(SKELVANE_VERSION_TEXT));
    QGuiApplication::setDesktopFileName(QStringLiteral("skelvane"));
    QCommandLineParser options;
    options.setApplicationDescription(
        QStringLiteral("Configures networks of spread-spectrum serial radio modems."));
    options.addHelpOption();
    options.addVersionOption();
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Save a picture of the main window to <file> and exit."),
        QStringLiteral("file"));
    options.addOption(screenshot);
    const QCommandLineOption guidePictures(
        QStringLiteral("screenshots"),
        QStringLiteral("Save the user guide's pictures into <folder> and exit."),
        QStringLiteral("folder"));
    options.addOption(guidePictures);
    if (asksOnlyForText(argc, argv)) {
        const QCoreApplication text(argc, argv);
        options.process(text);  // prints the text and ends the program
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("skelvane")));
    installScreenFit(app);
    options.process(app);
    const QString screenshotFile = options.value(screenshot);
    const QString picturesDir = options.value(guidePictures);
    const bool attended = screenshotFile.isEmpty() && picturesDir.isEmpty();

    QtPrompter dialogs;
    UnattendedPrompter unattended;
    Prompter& prompter = attended ? static_cast<Prompter&>(dialogs) : unattended;

    AppState state(prompter, DefaultSessionPaths());
    if (picturesDir.isEmpty()) {
        state.settingsStore = OpenPlatformSettingsStore();
    }
    // Whether the log panes show the traffic is kept from one run to the next.
    if (attended) {
        const QString org = QStringLiteral("Corvantis");
        const QString file = QStringLiteral("SkelvaneView");
        SetTrafficShown(QSettings(org, file).value(QStringLiteral("Log/ShowTraffic")).toBool());
        SetTrafficShownListener([org, file](bool shown) {
            QSettings(org, file).setValue(QStringLiteral("Log/ShowTraffic"), shown);
        });
    }
    // Unattended, the dialogs' messages go to stderr as well.
    DeviceDialogs devices(state, attended ? nullptr : &unattended);
    MainWindow window(state, devices);
    dialogs.setParent(&window);

    if (!window.startUp()) {
        return 1;
    }
    bool mustEnd = false;
    QObject::connect(&window, &MainWindow::mustEnd, &app, [&mustEnd] { mustEnd = true; });
    window.showNormal();

    if (!screenshotFile.isEmpty()) {
        QTimer::singleShot(200, &window, [&window, screenshotFile] {
            const bool saved = window.grab().save(screenshotFile);
            if (!saved) {
                std::fprintf(stderr, "Could not save the screenshot to %s\n",
                             screenshotFile.toLocal8Bit().constData());
            }
            QApplication::exit(saved ? 0 : 1);
        });
    }
    if (!picturesDir.isEmpty()) {
        QTimer::singleShot(0, &window, [&] {
            const QStringList failures = TakeGuidePictures(window, state, unattended, picturesDir);
            for (const QString& failure : failures) {
                std::fprintf(stderr, "%s\n", failure.toLocal8Bit().constData());
            }
            QApplication::exit(failures.isEmpty() ? 0 : 1);
        });
    }
    const int code = app.exec();
    return mustEnd ? 1 : code;
}
