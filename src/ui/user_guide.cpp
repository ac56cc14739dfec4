#include "ui/user_guide.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QImage>
#include <QKeyEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QUrl>
#include <QVBoxLayout>
#include <system_error>

namespace skelvane {

namespace {

constexpr const char* kGuideFile = "docs/user-guide.md";

// Which section of the guide explains which window, dialog or page. The first match walking
// up from the widget with the focus wins, so a page comes before the sheet that holds it.
struct SectionOf {
    const char* className;
    const char* heading;
};
constexpr SectionOf kSections[] = {
    {"skelvane::SettingsPageView", "Reading and writing a unit"},
    {"skelvane::DefaultsDialog", "Factory defaults"},
    {"skelvane::DiagnosticsPageView", "Diagnostics"},
    {"skelvane::RestrictionsPageView", "Restrictions, zones and repeater lists"},
    {"skelvane::ZonePresetDialog", "Restrictions, zones and repeater lists"},
    {"skelvane::SoftUpgradeDialog", "Soft upgrade, the schedule and the log file"},
    {"skelvane::HardUpgradeDialog", "Hard upgrade and recovery of an erased unit"},
    {"skelvane::SpectrumSheet", "Spectrum scan"},
    {"skelvane::PortBar", "First steps on the simulated network"},
    {"skelvane::DiagramView", "Drawing a network"},
    {"skelvane::ExplorerTree", "Drawing a network"},
    {"skelvane::RenameDialog", "Drawing a network"},
};

QString sectionOfWidget(const QWidget* w) {
    for (const SectionOf& s : kSections) {
        if (w->inherits(s.className)) {
            return GuideAnchor(QString::fromLatin1(s.heading));
        }
    }
    return {};
}

}  // namespace

std::filesystem::path FindUserGuide(const SessionPaths& paths) {
    std::error_code ec;
    for (const std::filesystem::path& dir : {paths.programDir, paths.dataDir}) {
        if (!dir.empty() && std::filesystem::is_regular_file(dir / kGuideFile, ec)) {
            return dir / kGuideFile;
        }
    }
    return {};
}

QString GuideAnchor(const QString& heading) {
    QString anchor;
    for (const QChar c : heading.trimmed().toLower()) {
        if (c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_')) {
            anchor += c;
        } else if (c.isSpace()) {
            anchor += QLatin1Char('-');
        }
    }
    return anchor;
}

QStringList GuideSections() {
    QStringList anchors;
    for (const SectionOf& s : kSections) {
        anchors << GuideAnchor(QString::fromLatin1(s.heading));
    }
    return anchors;
}

QString GuideSectionFor(const QWidget* widget) {
    for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        if (const auto* tabs = qobject_cast<const QTabWidget*>(w);
            tabs != nullptr && tabs->currentWidget() != nullptr) {
            if (QString s = sectionOfWidget(tabs->currentWidget()); !s.isEmpty()) {
                return s;
            }
        }
        if (QString s = sectionOfWidget(w); !s.isEmpty()) {
            return s;
        }
    }
    return {};
}

// --- GuideBrowser ---------------------------------------------------------------------------

GuideBrowser::GuideBrowser(QWidget* parent) : QTextBrowser(parent) {
    setOpenLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, &GuideBrowser::follow);
}

bool GuideBrowser::load(const std::filesystem::path& file) {
    headings_.clear();
    if (file.empty()) {
        setMarkdown(
            QStringLiteral(
                "# User guide not found\n\nThe guide, `%1`, is looked for beside the program and "
                "in the installed data folder (`share/skelvane`). It is also in the program's "
                "source repository.")
                .arg(QString::fromLatin1(kGuideFile)));
        return false;
    }
    setSource(QUrl::fromLocalFile(QString::fromStdString(file.string())),
              QTextDocument::MarkdownResource);
    shrinkPictures();
    indexHeadings();
    return true;
}

// The pictures are screenshots as large as the windows; shown at most this wide, they fit the
// guide's window without a sideways scroll.
void GuideBrowser::shrinkPictures() {
    constexpr int kMaxWidth = 640;
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid() || !fragment.charFormat().isImageFormat()) {
                continue;
            }
            QTextImageFormat image = fragment.charFormat().toImageFormat();
            const QVariant data =
                document()->resource(QTextDocument::ImageResource, QUrl(image.name()));
            const QSize size = data.value<QImage>().size();
            if (size.width() <= kMaxWidth) {
                continue;
            }
            image.setWidth(kMaxWidth);
            image.setHeight(qRound(double(size.height()) * kMaxWidth / size.width()));
            QTextCursor cursor(document());
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(image);
        }
    }
}

void GuideBrowser::indexHeadings() {
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
        if (b.blockFormat().headingLevel() > 0) {
            headings_.insert(GuideAnchor(b.text()), b.position());
        }
    }
}

bool GuideBrowser::showSection(const QString& anchor) {
    const auto it = headings_.constFind(anchor);
    if (it == headings_.constEnd()) {
        return false;
    }
    const QTextBlock block = document()->findBlock(*it);
    const QRectF r = document()->documentLayout()->blockBoundingRect(block);
    QTextCursor cursor(block);
    setTextCursor(cursor);
    verticalScrollBar()->setValue(qRound(r.top()));
    return true;
}

QString GuideBrowser::currentSection() const {
    const int top = verticalScrollBar()->value();
    QString current;
    int best = -1;
    for (auto it = headings_.constBegin(); it != headings_.constEnd(); ++it) {
        const QTextBlock block = document()->findBlock(it.value());
        const int y = qRound(document()->documentLayout()->blockBoundingRect(block).top());
        if (y <= top + 2 && y > best) {
            best = y;
            current = it.key();
        }
    }
    return current;
}

void GuideBrowser::follow(const QUrl& url) {
    if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https") ||
        url.scheme() == QLatin1String("mailto")) {
        QDesktopServices::openUrl(url);
    } else if (url.hasFragment()) {
        showSection(url.fragment());
    }
}

// --- GuideWindow ----------------------------------------------------------------------------

GuideWindow::GuideWindow(const std::filesystem::path& file, QWidget* parent)
    : QDialog(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("Skelvane User Guide"));
    setAttribute(Qt::WA_DeleteOnClose);
    browser_ = new GuideBrowser(this);
    browser_->load(file);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(browser_);
    layout->addWidget(buttons);

    // As large as reads well, never larger than the screen.
    QSize size(820, 700);
    if (const QScreen* screen =
            parent != nullptr ? parent->screen() : QApplication::primaryScreen()) {
        size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    }
    resize(size);
}

GuideWindow* GuideWindow::open(const std::filesystem::path& file, QWidget* owner,
                               const QString& anchor) {
    auto* window = owner != nullptr
                       ? owner->findChild<GuideWindow*>(QString(), Qt::FindDirectChildrenOnly)
                       : nullptr;
    if (window == nullptr) {
        window = new GuideWindow(file, owner);
    }
    window->show();
    window->raise();
    window->activateWindow();
    if (anchor.isEmpty() || !window->browser()->showSection(anchor)) {
        window->browser()->verticalScrollBar()->setValue(0);
    }
    return window;
}

// --- GuideKey -------------------------------------------------------------------------------

GuideKey::GuideKey(std::function<std::filesystem::path()> guideFile, QWidget* mainWindow)
    : QObject(mainWindow), guideFile_(std::move(guideFile)), mainWindow_(mainWindow) {
    qApp->installEventFilter(this);
}

GuideKey::~GuideKey() {
    qApp->removeEventFilter(this);
}

GuideWindow* GuideKey::openFor(QWidget* focus) {
    QWidget* owner = QApplication::activeModalWidget();
    if (owner == nullptr) {
        owner = mainWindow_;
    }
    if (focus == nullptr) {
        focus = QApplication::activeWindow() != nullptr ? QApplication::activeWindow() : owner;
    }
    return GuideWindow::open(guideFile_(), owner, GuideSectionFor(focus));
}

bool GuideKey::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier) {
        return false;
    }
    auto* widget = static_cast<QWidget*>(watched);
    // Within the guide itself F1 has nothing more to show.
    for (QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        if (qobject_cast<GuideWindow*>(w) != nullptr) {
            return true;
        }
    }
    // A key goes to the widget with the focus, so that is the one to explain.
    openFor(widget);
    return true;
}

}  // namespace skelvane
