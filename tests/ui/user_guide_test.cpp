// The user guide: F1 opens it at the section of what has the focus, in the main window and in
// a modal sheet, and the sections and links it offers exist in the guide.

#include <QFile>
#include <QRegularExpression>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <filesystem>

#include "device_harness.h"
#include "gui_harness.h"
#include "ui/command_ids.h"
#include "ui/diagram_view.h"
#include "ui/properties_sheet.h"
#include "ui/user_guide.h"

using namespace skelvane;
using namespace skelvane::test;

namespace {

const std::filesystem::path kGuide =
    std::filesystem::path(SKELVANE_SOURCE_DIR) / "docs" / "user-guide.md";

// Puts the repository's guide where the harness's program looks for it.
void installGuide(Harness& h) {
    std::filesystem::create_directories(h.dir() / "docs");
    std::filesystem::copy_file(kGuide, h.dir() / "docs" / "user-guide.md");
}

}  // namespace

class UserGuideTest : public QObject {
    Q_OBJECT

  private slots:
    void everySectionAndLinkIsInTheGuide();
    void f1OpensTheSectionOfTheFocus();
    void aMissingGuideSaysWhereItWasLookedFor();
};

void UserGuideTest::everySectionAndLinkIsInTheGuide() {
    QCOMPARE(GuideAnchor(QStringLiteral(" Soft upgrade, the schedule and the log file ")),
             QStringLiteral("soft-upgrade-the-schedule-and-the-log-file"));
    GuideBrowser browser;
    browser.resize(700, 500);
    QVERIFY(browser.load(kGuide));
    QStringList anchors = GuideSections();
    QFile file(QString::fromStdString(kGuide.string()));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    for (const auto& m :
         QRegularExpression(QStringLiteral("\\]\\(#([^)]+)\\)")).globalMatch(text)) {
        anchors << m.captured(1);
    }
    for (const QString& anchor : anchors) {
        QVERIFY2(browser.showSection(anchor), qPrintable(anchor));
    }
    QVERIFY(!browser.showSection(QStringLiteral("no-such-section")));
}

void UserGuideTest::f1OpensTheSectionOfTheFocus() {
    Harness h;
    installGuide(h);
    h.view().setFocus();
    QTest::keyClick(&h.view(), Qt::Key_F1);
    auto* guide = h.window().findChild<GuideWindow*>();
    QVERIFY(guide != nullptr && guide->isVisible());
    QCOMPARE(guide->browser()->currentSection(), QStringLiteral("drawing-a-network"));

    // A modal sheet gets its own guide, at the page shown, whichever of its widgets has focus.
    DeviceBench bench;
    Block* block = bench.addBlock(BlockKind::Master, 1);
    PropertiesSheet sheet(bench.context(*block), &h.window());
    sheet.setModal(true);
    sheet.show();
    sheet.showPage(1);
    QTabWidget* tabs = sheet.pages();
    tabs->tabBar()->setFocus();
    QTest::keyClick(tabs->tabBar(), Qt::Key_F1);
    auto* sheetGuide = sheet.findChild<GuideWindow*>();
    QVERIFY(sheetGuide != nullptr && sheetGuide->isVisible());
    QCOMPARE(sheetGuide->browser()->currentSection(), QStringLiteral("diagnostics"));

    // Help > User Guide opens the main window's guide again, not a second one.
    h.window().runCommand(command::kUserGuide);
    QCOMPARE(h.window().findChildren<GuideWindow*>(QString(), Qt::FindDirectChildrenOnly).size(),
             1);
}

void UserGuideTest::aMissingGuideSaysWhereItWasLookedFor() {
    GuideBrowser browser;
    QVERIFY(!browser.load({}));
    QVERIFY(browser.toPlainText().contains(QStringLiteral("share/skelvane")));
}

QTEST_MAIN(UserGuideTest)
#include "user_guide_test.moc"
