#pragma once

#include <QDialog>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QTextBrowser>
#include <filesystem>
#include <functional>

#include "document/document_session.h"

class QWidget;

namespace skelvane {

// The user guide's file, docs/user-guide.md beside the program or in the data folder; empty
// when neither holds it.
std::filesystem::path FindUserGuide(const SessionPaths& paths);

// The anchor a heading gets, as links in the guide write it: lower case, blanks made dashes,
// everything but letters, digits, dashes and underscores left out ("Soft upgrade, the log"
// gives "soft-upgrade-the-log").
QString GuideAnchor(const QString& heading);

// The anchors F1 can open, one per window, dialog or page the guide explains.
QStringList GuideSections();

// The guide's section for a widget: the first of the widget and its parents that has one (a
// tab widget answers for its current page). Empty for the top of the guide.
QString GuideSectionFor(const QWidget* widget);

// Shows the guide, a Markdown file with its pictures beside it. Links within the guide move to
// their heading; links to web pages open in the desktop's browser.
class GuideBrowser : public QTextBrowser {
    Q_OBJECT

  public:
    explicit GuideBrowser(QWidget* parent = nullptr);

    // Loads the guide; false (with a text saying where it was looked for) when it is missing.
    bool load(const std::filesystem::path& file);
    // Scrolls so that the heading `anchor` is at the top; false when there is no such heading.
    bool showSection(const QString& anchor);
    // The anchor of the heading at the top of the view, or empty above the first one.
    QString currentSection() const;

  private:
    void shrinkPictures();
    void indexHeadings();
    void follow(const QUrl& url);

    QHash<QString, int> headings_;  // anchor -> position of the heading's block
};

// The "User Guide" window. It is not modal, so the user can read it beside the dialog it
// was opened from.
class GuideWindow : public QDialog {
    Q_OBJECT

  public:
    GuideWindow(const std::filesystem::path& file, QWidget* parent);
    GuideBrowser* browser() const { return browser_; }

    // The guide window that belongs to the window `owner` (made when there is none), shown
    // at `anchor`. A modal dialog gets its own, since it blocks every other window.
    static GuideWindow* open(const std::filesystem::path& file, QWidget* owner,
                             const QString& anchor);

  private:
    GuideBrowser* browser_ = nullptr;
};

// F1 anywhere in the program: opens the guide at the section of the widget with the focus, in
// the window of the modal dialog that is open, else in `mainWindow`'s. Installed on the
// application; removes itself when destroyed.
class GuideKey : public QObject {
    Q_OBJECT

  public:
    GuideKey(std::function<std::filesystem::path()> guideFile, QWidget* mainWindow);
    ~GuideKey() override;

    // What F1 does, for the widget with the focus (or the active window without one).
    GuideWindow* openFor(QWidget* focus);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::function<std::filesystem::path()> guideFile_;
    QWidget* mainWindow_;
};

}  // namespace skelvane
