#include "gui_harness.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include "document/document_session.h"
#include "sim/template_network.h"
#include "ui/diagram_view.h"

namespace skelvane::test {

namespace {

void sendMouse(QWidget& w, QEvent::Type type, QPoint p, Qt::MouseButton button,
               Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    QMouseEvent event(type, QPointF(p), QPointF(w.mapToGlobal(p)), button, buttons, modifiers);
    QApplication::sendEvent(&w, &event);
}

}  // namespace

Harness::Harness(Devices devices) {
    const std::filesystem::path dir = temp_.path().toStdString();
    // The default model's template, as shipped, is the only one the session finds.
    std::filesystem::copy_file(sim::FindDefaultTemplate(), dir / kDefaultTemplateFile);
    state_ = std::make_unique<AppState>(prompter_, SessionPaths{dir, dir});
    if (devices == Devices::Dialogs) {
        dialogs_ = std::make_unique<DeviceDialogs>(*state_, &prompter_);
    }
    window_ = std::make_unique<MainWindow>(
        *state_, dialogs_ ? static_cast<DeviceCommands&>(*dialogs_) : devices_);
    window_->resize(900, 640);
    window_->startUp();
    window_->show();
    if (!QTest::qWaitForWindowExposed(window_.get())) {
        qWarning("the main window was not exposed");
    }
    window_->activateWindow();
    view().setFocus();
}

Harness::~Harness() {
    // Nothing to ask when the test ends.
    session().User().SetModified(false);
    window_.reset();
    dialogs_.reset();
}

std::filesystem::path Harness::dir() const {
    return temp_.path().toStdString();
}

DiagramView& Harness::view() {
    return *window_->diagramView();
}

QWidget& Harness::viewport() {
    return *view().viewport();
}

BlockDiagram& Harness::diagram() {
    return view().diagram();
}

Block* Harness::master() {
    Block* root = session().User().Root();
    for (Block* b = root ? root->FirstChild() : nullptr; b != nullptr; b = b->NextSibling()) {
        if (b->Kind() == BlockKind::Master) {
            return b;
        }
    }
    return nullptr;
}

Block* Harness::place(BlockKind kind, QPoint client) {
    window_->runCommand(static_cast<int>(kind));
    press(viewport(), client);
    release(viewport(), client);
    Block* root = session().User().Root();
    // A new block is its parent's first child.
    Block* placed = root != nullptr ? root->FirstChild() : nullptr;
    return placed != nullptr && placed->Kind() == kind ? placed : nullptr;
}

int Harness::itemOf(const Block* block) {
    return diagram().findByData(const_cast<Block*>(block));
}

QPoint Harness::clientTopLeft(const Block* block) {
    diagram().ensureLayout();
    const DiagramRect& r = diagram().item(itemOf(block))->rect;
    return view().toClient({r.left, r.top});
}

QPoint centre(DiagramView& view, const DiagramRect& r) {
    return view.toClient({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
}

QPoint Harness::titleCentre(const Block* block) {
    diagram().ensureLayout();
    return centre(view(), diagram().item(itemOf(block))->titleBox);
}

QPoint Harness::iconCentre(const Block* block) {
    diagram().ensureLayout();
    return centre(view(), diagram().item(itemOf(block))->iconBox);
}

QPoint Harness::rowCentre(const Block* block, int row) {
    diagram().ensureLayout();
    return centre(view(), diagram().item(itemOf(block))->rows[static_cast<std::size_t>(row)].rect);
}

void press(QWidget& w, QPoint p, Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
    sendMouse(w, QEvent::MouseButtonPress, p, button, button, modifiers);
}

void move(QWidget& w, QPoint p, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    sendMouse(w, QEvent::MouseMove, p, Qt::NoButton, buttons, modifiers);
}

void release(QWidget& w, QPoint p, Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
    sendMouse(w, QEvent::MouseButtonRelease, p, button, Qt::NoButton, modifiers);
}

void doubleClick(QWidget& w, QPoint p) {
    press(w, p);
    release(w, p);
    sendMouse(w, QEvent::MouseButtonDblClick, p, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    release(w, p);
}

void click(QWidget& w, QPoint p, Qt::KeyboardModifiers modifiers) {
    press(w, p, Qt::LeftButton, modifiers);
    release(w, p, Qt::LeftButton, modifiers);
}

void drag(QWidget& w, QPoint from, QPoint to, Qt::KeyboardModifiers modifiers) {
    press(w, from, Qt::LeftButton, modifiers);
    constexpr int kSteps = 4;
    for (int i = 1; i <= kSteps; ++i) {
        move(w, from + (to - from) * i / kSteps, Qt::LeftButton, modifiers);
    }
    release(w, to, Qt::LeftButton, modifiers);
}

void key(QWidget& w, int qtKey, Qt::KeyboardModifiers modifiers) {
    QTest::keyClick(&w, static_cast<Qt::Key>(qtKey), modifiers);
}

std::vector<Block*> selectedBlocks(const BlockDiagram& diagram) {
    std::vector<Block*> blocks;
    for (int i = diagram.nextSelected(-1); i >= 0; i = diagram.nextSelected(i)) {
        blocks.push_back(static_cast<Block*>(diagram.getData(i)));
    }
    return blocks;
}

}  // namespace skelvane::test
