#pragma once

#include <QAbstractScrollArea>
#include <QPoint>
#include <optional>

#include "diagram/block_diagram.h"
#include "diagram/diagram_owner.h"
#include "ui/diagram_style.h"

class QMenu;

namespace skelvane {

// The block network view: draws the diagram model and turns mouse and keyboard input into
// selection, moves, link drags and notifications. It never changes the document; every change
// that matters to the document goes to its owner (the main window) as a notification.
class DiagramView : public QAbstractScrollArea, public DiagramOwner {
    Q_OBJECT

  public:
    // Least scroll range of both bars (it grows to hold every block with kContentMargin round
    // them), and the steps of lines, pages and auto-scroll.
    static constexpr int kScrollRange = 1024;
    static constexpr int kContentMargin = 128;
    static constexpr int kLineStep = 16;
    static constexpr int kPageStep = 80;
    static constexpr int kAutoScrollStep = 6;
    static constexpr int kAutoScrollMargin = 30;

    explicit DiagramView(QWidget* parent = nullptr);
    ~DiagramView() override;

    BlockDiagram& diagram() { return diagram_; }
    const BlockDiagram& diagram() const { return diagram_; }
    void setOwner(DiagramOwner* owner) { owner_ = owner; }
    const DiagramStyle& diagramStyle() const { return style_; }

    // Scrolls so that the item's rectangle is in view (as much of it as fits).
    void scrollItemIntoView(int index);
    // Scrolls to the top left of the diagram: its origin, or the block furthest up and left
    // when one lies before it.
    void scrollToOrigin();
    // Sets the scroll bars' ranges from the blocks' extent and the zoom. Changes to the
    // diagram do this on their own once control returns to the event loop.
    void updateScrollRange();

    // Zoom in percent (BlockDiagram::kMinZoom .. kMaxZoom). Zooming keeps the content under
    // `anchor` (a client point; the middle of the view when none is given) where it was.
    int zoom() const { return diagram_.zoom(); }
    void setZoom(int percent, std::optional<QPoint> anchor = std::nullopt);
    void zoomIn(std::optional<QPoint> anchor = std::nullopt);
    void zoomOut(std::optional<QPoint> anchor = std::nullopt);
    // The largest zoom up to 100% that shows every block, scrolled to show them.
    void zoomToFit();
    // Client point of a content point, and back.
    QPoint toClient(DiagramPoint content) const;
    DiagramPoint toContent(QPoint client) const;

    // Placing a new block: the view shows the place cursor and takes the next press; the
    // next left-button release inside the client area reports placeRequested. Any other
    // ending (a press or release elsewhere, Escape, losing the focus) places nothing.
    void startPlacing(int command);
    void cancelPlacing();
    bool placing() const { return placingCommand_ != 0; }

    // A command of the context menus, as if chosen there.
    void contextCommand(int id);
    // The context menu for the current selection (the caller owns it).
    QMenu* createContextMenu(QWidget* parent);

    // DiagramOwner: the model's notifications, passed on to the owner.
    int notify(const DiagramNotification& notification) override;
    void redraw() override;

  signals:
    void placeRequested(int command, QPoint client);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool viewportEvent(QEvent* event) override;

  private:
    // A left press waiting for the drag detection.
    enum class Pending { None, Band, Item };

    int send(int code, int item = -1, int row = -1, QPoint point = {}, int key = 0);
    void leftPress(QPoint p, Qt::KeyboardModifiers modifiers);
    void rightPress(QPoint p, Qt::KeyboardModifiers modifiers);
    void startDrag(QPoint p);
    void autoScroll(QPoint p);
    void endDrag();
    void syncOrigin();
    int singleSelected() const;

    BlockDiagram diagram_;
    DiagramOwner* owner_ = nullptr;
    DiagramStyle style_;

    Pending pending_ = Pending::None;
    QPoint pressPoint_;
    int pressItem_ = -1;
    int pressRow_ = -1;
    int placingCommand_ = 0;
    bool rangePending_ = false;
};

}  // namespace skelvane
