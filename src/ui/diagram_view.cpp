#include "ui/diagram_view.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "ui/command_ids.h"
#include "ui/diagram_painter.h"
#include "ui/icons.h"

namespace skelvane {

namespace {

DiagramPoint toDiagram(QPoint p) {
    return {p.x(), p.y()};
}

// The zoom steps of Zoom In and Zoom Out, in percent.
constexpr int kZoomSteps[] = {10, 15, 25, 33, 50, 67, 75, 100, 125, 150, 200, 300, 400};

// Room left round the blocks when the view is fitted to them.
constexpr int kFitMargin = 16;

// A content length in client pixels at a zoom, rounded down or up.
int scaledDown(std::int64_t content, int zoom) {
    const std::int64_t v = content * zoom;
    return static_cast<int>(v >= 0 ? v / 100 : -((-v + 99) / 100));
}

int scaledUp(std::int64_t content, int zoom) {
    return -scaledDown(-content, zoom);
}

}  // namespace

DiagramView::DiagramView(QWidget* parent)
    : QAbstractScrollArea(parent), style_(DiagramStyle::fromSystem()) {
    diagram_.setOwner(this);
    diagram_.setMetrics(style_.metrics());
    for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()}) {
        bar->setRange(0, kScrollRange);
        bar->setSingleStep(kLineStep);
        bar->setPageStep(kPageStep);
    }
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
}

DiagramView::~DiagramView() {
    cancelPlacing();  // gives back the cursor and the program's mouse presses
    // The model reports its last changes while it is torn down; nobody listens any more.
    diagram_.setOwner(nullptr);
}

int DiagramView::notify(const DiagramNotification& notification) {
    return owner_ != nullptr ? owner_->notify(notification) : 0;
}

// The extent of the blocks may have changed too; the scroll range follows once, when the
// batch of changes is done.
void DiagramView::redraw() {
    viewport()->update();
    if (!rangePending_) {
        rangePending_ = true;
        QMetaObject::invokeMethod(this, &DiagramView::updateScrollRange, Qt::QueuedConnection);
    }
}

int DiagramView::send(int code, int item, int row, QPoint point, int key) {
    DiagramNotification n;
    n.code = code;
    n.item = item;
    n.row = row;
    n.data = diagram_.getData(item);
    n.point = toDiagram(point);
    n.key = key;
    return notify(n);
}

QPoint DiagramView::toClient(DiagramPoint content) const {
    const DiagramPoint client = diagram_.toClient(content);
    return QPoint(client.x, client.y);
}

DiagramPoint DiagramView::toContent(QPoint client) const {
    return diagram_.toContent(toDiagram(client));
}

int DiagramView::singleSelected() const {
    return diagram_.selectedCount() == 1 ? diagram_.nextSelected(-1) : -1;
}

void DiagramView::syncOrigin() {
    const DiagramPoint origin{-horizontalScrollBar()->value(), -verticalScrollBar()->value()};
    if (!(origin == diagram_.scrollOrigin())) {
        diagram_.setScrollOrigin(origin);
    }
}

void DiagramView::scrollContentsBy(int, int) {
    syncOrigin();
    viewport()->update();
}

void DiagramView::updateScrollRange() {
    // Scrolling redraws, which would ask for this again.
    rangePending_ = true;
    const DiagramRect b = diagram_.contentBounds();
    const int z = diagram_.zoom();
    auto apply = [](QScrollBar* bar, int low, int high) {
        high = std::max(low, high);
        if (bar->minimum() != low || bar->maximum() != high) {
            bar->setRange(low, high);
        }
    };
    int left = 0;
    int top = 0;
    int right = scaledUp(kScrollRange, z);
    int bottom = right;
    if (diagram_.itemCount() > 0) {
        left = std::min(0, scaledDown(std::int64_t{b.left} - kContentMargin, z));
        top = std::min(0, scaledDown(std::int64_t{b.top} - kContentMargin, z));
        right = std::max(right,
                         scaledUp(std::int64_t{b.right} + kContentMargin, z) - viewport()->width());
        bottom = std::max(
            bottom, scaledUp(std::int64_t{b.bottom} + kContentMargin, z) - viewport()->height());
    }
    apply(horizontalScrollBar(), left, right);
    apply(verticalScrollBar(), top, bottom);
    syncOrigin();
    rangePending_ = false;
}

void DiagramView::setZoom(int percent, std::optional<QPoint> anchor) {
    const int old = diagram_.zoom();
    percent = std::clamp(percent, BlockDiagram::kMinZoom, BlockDiagram::kMaxZoom);
    if (percent == old) {
        return;
    }
    const QPoint at = anchor.value_or(viewport()->rect().center());
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    // The content point under the anchor, before and after.
    const double x = (at.x() + h->value()) * 100.0 / old;
    const double y = (at.y() + v->value()) * 100.0 / old;
    diagram_.setZoom(percent);
    updateScrollRange();
    h->setValue(static_cast<int>(std::lround(x * percent / 100.0)) - at.x());
    v->setValue(static_cast<int>(std::lround(y * percent / 100.0)) - at.y());
    syncOrigin();
    viewport()->update();
}

void DiagramView::zoomIn(std::optional<QPoint> anchor) {
    const int* next = std::upper_bound(std::begin(kZoomSteps), std::end(kZoomSteps), zoom());
    if (next != std::end(kZoomSteps)) {
        setZoom(*next, anchor);
    }
}

void DiagramView::zoomOut(std::optional<QPoint> anchor) {
    const int* next = std::lower_bound(std::begin(kZoomSteps), std::end(kZoomSteps), zoom());
    if (next != std::begin(kZoomSteps)) {
        setZoom(*(next - 1), anchor);
    }
}

void DiagramView::zoomToFit() {
    const DiagramRect b = diagram_.contentBounds();
    if (diagram_.itemCount() == 0) {
        setZoom(100, QPoint(0, 0));
        return;
    }
    const std::int64_t w = std::int64_t{b.right} - b.left + 2 * kFitMargin;
    const std::int64_t h = std::int64_t{b.bottom} - b.top + 2 * kFitMargin;
    const std::int64_t fit =
        std::min({std::int64_t{100}, viewport()->width() * std::int64_t{100} / w,
                  viewport()->height() * std::int64_t{100} / h});
    setZoom(static_cast<int>(fit), QPoint(0, 0));
    updateScrollRange();
    const int z = diagram_.zoom();
    horizontalScrollBar()->setValue(scaledDown(std::int64_t{b.left} - kFitMargin, z));
    verticalScrollBar()->setValue(scaledDown(std::int64_t{b.top} - kFitMargin, z));
    syncOrigin();
}

void DiagramView::wheelEvent(QWheelEvent* event) {
    if ((event->modifiers() & Qt::ControlModifier) == 0) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    const QPoint at = event->position().toPoint();
    const int delta = event->angleDelta().y();
    if (delta > 0) {
        zoomIn(at);
    } else if (delta < 0) {
        zoomOut(at);
    }
    event->accept();
}

void DiagramView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRange();
}

void DiagramView::scrollToOrigin() {
    updateScrollRange();
    // The content's origin, or the topmost and leftmost block where one lies before it.
    const DiagramRect b = diagram_.contentBounds();
    const bool blocks = diagram_.itemCount() > 0;
    horizontalScrollBar()->setValue(blocks ? std::min(0, scaledDown(b.left, diagram_.zoom())) : 0);
    verticalScrollBar()->setValue(blocks ? std::min(0, scaledDown(b.top, diagram_.zoom())) : 0);
}

void DiagramView::scrollItemIntoView(int index) {
    updateScrollRange();
    const DiagramItem* it = diagram_.item(index);
    if (it == nullptr) {
        return;
    }
    auto scrollAxis = [](QScrollBar* bar, int low, int high, int visible) {
        const int pos = bar->value();
        if (low < pos) {
            bar->setValue(low);
        } else if (high > pos + visible) {
            bar->setValue(std::min(low, high - visible));
        }
    };
    const int z = diagram_.zoom();
    scrollAxis(horizontalScrollBar(), scaledDown(it->rect.left, z), scaledUp(it->rect.right, z),
               viewport()->width());
    scrollAxis(verticalScrollBar(), scaledDown(it->rect.top, z), scaledUp(it->rect.bottom, z),
               viewport()->height());
    syncOrigin();
}

void DiagramView::autoScroll(QPoint p) {
    const QSize size = viewport()->size();
    auto step = [](int v, int extent) {
        if (v < kAutoScrollMargin) {
            return -kAutoScrollStep;
        }
        if (v >= extent - kAutoScrollMargin) {
            return kAutoScrollStep;
        }
        return 0;
    };
    const int dx = step(p.x(), size.width());
    const int dy = step(p.y(), size.height());
    if (dx != 0) {
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + dx);
    }
    if (dy != 0) {
        verticalScrollBar()->setValue(verticalScrollBar()->value() + dy);
    }
}

void DiagramView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    paintDiagram(painter, diagram_, style_, viewport()->rect(), event->rect());
    paintDragFeedback(painter, diagram_);
}

// --- mouse -------------------------------------------------------------------------------

void DiagramView::mousePressEvent(QMouseEvent* event) {
    if (placing()) {
        if (event->button() != Qt::LeftButton) {
            cancelPlacing();
        }
        return;
    }
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        leftPress(p, event->modifiers());
    } else if (event->button() == Qt::RightButton) {
        rightPress(p, event->modifiers());
    }
}

void DiagramView::leftPress(QPoint p, Qt::KeyboardModifiers modifiers) {
    const bool shift = (modifiers & Qt::ShiftModifier) != 0;
    setFocus(Qt::MouseFocusReason);
    send(diagram_notify::kClick, -1, -1, p);
    pending_ = Pending::None;
    pressPoint_ = p;
    const HitResult hit = diagram_.hitTest(toDiagram(p));
    if (hit.item < 0) {
        if (!shift) {
            diagram_.setState(-1, 0, kItemSelected);
        }
        pending_ = Pending::Band;
        return;
    }
    const DiagramItem* it = diagram_.item(hit.item);
    if (it != nullptr && !it->selected()) {
        if (!shift) {
            diagram_.setState(-1, 0, kItemSelected);
        }
        diagram_.setState(hit.item, kItemSelected, kItemSelected);
    }
    it = diagram_.item(hit.item);  // the owner may have changed the diagram meanwhile
    if (it == nullptr) {
        return;
    }
    int row = hit.part == HitPart::Row ? hit.row : -1;
    if (hit.part == HitPart::Icon) {
        // With the icon on the right the icon box is the item's own connector.
        if ((it->state & kItemIconRight) == 0) {
            return;
        }
        row = 0;
    }
    pending_ = Pending::Item;
    pressItem_ = hit.item;
    pressRow_ = row;
}

void DiagramView::startDrag(QPoint p) {
    const Pending pending = pending_;
    pending_ = Pending::None;
    if (pending == Pending::Band) {
        diagram_.beginBand(toDiagram(pressPoint_));
        diagram_.updateBand(toDiagram(p));
        viewport()->update();
        return;
    }
    send(diagram_notify::kBeginDrag, pressItem_, pressRow_, pressPoint_);
    const DiagramItem* it = diagram_.item(pressItem_);
    if (it == nullptr) {
        return;
    }
    if (pressRow_ >= 0 && diagram_.selectedCount() < 2) {
        // One block: a press on an input (or the icon that stands for one) drags a link to
        // it; an output starts nothing.
        if (static_cast<std::size_t>(pressRow_) >= it->rows.size() ||
            it->rows[static_cast<std::size_t>(pressRow_)].side == kOutputSide) {
            return;
        }
        diagram_.beginLinkDrag(pressItem_, pressRow_, toDiagram(pressPoint_));
        diagram_.dragLink(toDiagram(p));
        return;
    }
    diagram_.beginMove(toDiagram(pressPoint_));
    viewport()->setCursor(moveCursor());
    diagram_.updateMove(toDiagram(p));
    viewport()->update();
}

void DiagramView::mouseMoveEvent(QMouseEvent* event) {
    if (placing()) {
        return;
    }
    const QPoint p = event->position().toPoint();
    if (pending_ != Pending::None) {
        if ((event->buttons() & Qt::LeftButton) != 0 &&
            (p - pressPoint_).manhattanLength() >= QApplication::startDragDistance()) {
            startDrag(p);
        }
        return;
    }
    switch (diagram_.mode()) {
        case DiagramMode::Moving:
            diagram_.updateMove(toDiagram(p));
            autoScroll(p);
            viewport()->update();
            break;
        case DiagramMode::LinkDrag:
            autoScroll(p);
            diagram_.dragLink(toDiagram(p));
            break;
        case DiagramMode::RubberBand:
            diagram_.updateBand(toDiagram(p));
            autoScroll(p);
            viewport()->update();
            break;
        case DiagramMode::Idle:
            if (event->buttons() == Qt::NoButton) {
                diagram_.updateHover(toDiagram(p));
            }
            break;
    }
}

void DiagramView::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (placing()) {
        if (event->button() == Qt::LeftButton) {
            const int command = placingCommand_;
            const bool inside = viewport()->rect().contains(p);
            cancelPlacing();
            if (inside) {
                emit placeRequested(command, p);
            }
        }
        return;
    }
    if (event->button() != Qt::LeftButton) {
        return;
    }
    pending_ = Pending::None;
    if (diagram_.mode() != DiagramMode::Idle) {
        viewport()->unsetCursor();
        diagram_.finishDrag(toDiagram(p));
        viewport()->update();
    }
}

void DiagramView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (placing() || event->button() != Qt::LeftButton) {
        return;
    }
    pending_ = Pending::None;
    const QPoint p = event->position().toPoint();
    const HitResult hit = diagram_.hitTest(toDiagram(p));
    if (hit.item >= 0 && hit.part == HitPart::Title &&
        send(diagram_notify::kActivate, hit.item, -1, p) != 0) {
        return;
    }
    send(diagram_notify::kDoubleClick, hit.item, hit.row, p);
}

void DiagramView::rightPress(QPoint p, Qt::KeyboardModifiers modifiers) {
    setFocus(Qt::MouseFocusReason);
    endDrag();
    send(diagram_notify::kRightClick, -1, -1, p);
    const HitResult hit = diagram_.hitTest(toDiagram(p));
    if (hit.item < 0) {
        diagram_.setState(-1, 0, kItemSelected);
        return;
    }
    const DiagramItem* it = diagram_.item(hit.item);
    const bool onlySelected = it != nullptr && it->selected() && diagram_.selectedCount() == 1;
    if ((modifiers & Qt::ShiftModifier) == 0 && !onlySelected) {
        diagram_.setState(-1, 0, kItemSelected);
    }
    diagram_.setState(hit.item, kItemSelected, kItemSelected);
}

void DiagramView::endDrag() {
    pending_ = Pending::None;
    if (diagram_.mode() != DiagramMode::Idle) {
        viewport()->unsetCursor();
        diagram_.endCapture();
    }
}

void DiagramView::focusOutEvent(QFocusEvent* event) {
    if (event->reason() != Qt::PopupFocusReason) {
        endDrag();
        cancelPlacing();
    }
    QAbstractScrollArea::focusOutEvent(event);
}

void DiagramView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) {
        endDrag();
        cancelPlacing();
    }
    QAbstractScrollArea::changeEvent(event);
}

// --- placing -----------------------------------------------------------------------------

// While a block waits to be placed the view watches every mouse press of the program: a
// press anywhere else ends placing and goes no further, as if the view held the mouse.
void DiagramView::startPlacing(int command) {
    cancelPlacing();
    endDrag();
    placingCommand_ = command;
    setFocus(Qt::OtherFocusReason);
    QApplication::setOverrideCursor(placeCursor());
    qApp->installEventFilter(this);
}

void DiagramView::cancelPlacing() {
    if (placingCommand_ == 0) {
        return;
    }
    placingCommand_ = 0;
    qApp->removeEventFilter(this);
    QApplication::restoreOverrideCursor();
}

// Over a block's status line, its tooltip; over a block whose title is cut short, the whole
// title.
bool DiagramView::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip) {
        return QAbstractScrollArea::viewportEvent(event);
    }
    const auto* help = static_cast<QHelpEvent*>(event);
    const DiagramPoint at = toContent(help->pos());
    for (int i = diagram_.itemCount() - 1; i >= 0; --i) {
        const DiagramItem* it = diagram_.item(i);
        const DiagramRect& box = it->statusBox;
        if (!it->status.tip.empty() && at.x >= box.left && at.x < box.right && at.y >= box.top &&
            at.y < box.bottom) {
            QToolTip::showText(help->globalPos(), QString::fromStdString(it->status.tip),
                               viewport());
            return true;
        }
        const DiagramRect& title = it->titleBox;
        if (at.x >= title.left && at.x < title.right && at.y >= title.top && at.y < title.bottom) {
            const QString text =
                QString::fromLatin1(it->title.data(), static_cast<qsizetype>(it->title.size()));
            // The painter leaves two pixels on either side of the title.
            if (QFontMetrics(style_.titleFont).horizontalAdvance(text) >
                title.right - title.left - 4) {
                QToolTip::showText(help->globalPos(), text, viewport());
                return true;
            }
        }
    }
    QToolTip::hideText();
    event->ignore();
    return true;
}

bool DiagramView::eventFilter(QObject* watched, QEvent* event) {
    if (placing() && watched != viewport() && watched->isWidgetType()) {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick:
                cancelPlacing();
                return true;
            default:
                break;
        }
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

// --- keyboard and menus ------------------------------------------------------------------

void DiagramView::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    send(diagram_notify::kKeyDown, -1, -1, {}, key);
    switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter: {
            const int one = singleSelected();
            if (one >= 0 && send(diagram_notify::kReturn, one) == 0) {
                send(diagram_notify::kActivate, one);
            }
            return;
        }
        case Qt::Key_F2: {
            const int one = singleSelected();
            if (one >= 0) {
                send(diagram_notify::kBeginRename, one);
            }
            return;
        }
        case Qt::Key_Escape:
            cancelPlacing();
            endDrag();
            return;
        default:
            QAbstractScrollArea::keyPressEvent(event);
    }
}

QMenu* DiagramView::createContextMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    auto add = [this, menu](const char* text, int id) {
        QAction* action = menu->addAction(QString::fromLatin1(text));
        connect(action, &QAction::triggered, this, [this, id] { contextCommand(id); });
    };
    if (singleSelected() >= 0) {
        add("Re&name", command::kRename);
        add("&Properties", command::kProperties);
        add("&Hard Upgrade", command::kHardUpgrade);
        add("&Soft Upgrade", command::kSoftUpgrade);
        add("&Copy\tCtrl+C", command::kCopy);
    } else {
        add("Master\tCtrl+M", command::kPasteMaster);
        add("Repeater\tCtrl+P", command::kPasteRepeater);
        add("Remote\tCtrl+R", command::kPasteRemote);
    }
    return menu;
}

void DiagramView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createContextMenu(this);
    menu->exec(event->globalPos());
    delete menu;
}

void DiagramView::contextCommand(int id) {
    const int one = singleSelected();
    switch (id) {
        case command::kRename:
            if (one >= 0) {
                send(diagram_notify::kBeginRename, one);
            }
            break;
        case command::kProperties:
            if (one >= 0) {
                send(diagram_notify::kActivate, one);
            }
            break;
        case command::kHardUpgrade:
            if (one >= 0) {
                send(diagram_notify::kHardUpgrade, one);
            }
            break;
        case command::kSoftUpgrade:
            if (one >= 0) {
                send(diagram_notify::kSoftUpgrade, one);
            }
            break;
        case command::kCopy:
            if (one >= 0) {
                send(diagram_notify::kCopy, one);
            }
            break;
        default:
            send(id);
            break;
    }
}

}  // namespace skelvane
