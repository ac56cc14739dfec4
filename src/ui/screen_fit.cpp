#include "ui/screen_fit.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QLayout>
#include <QMainWindow>
#include <QScreen>

#include <algorithm>

namespace skelvane {
namespace {

// The title bar and borders the window system adds, before the window has a frame to measure.
constexpr QSize kFrameAllowance(16, 40);

class ScreenFitFilter final : public QObject {
  public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(watched);
            if (widget->isWindow() && widget->screen() != nullptr &&
                (qobject_cast<QDialog*>(widget) != nullptr ||
                 qobject_cast<QMainWindow*>(widget) != nullptr)) {
                fitInside(widget, widget->screen()->availableGeometry());
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

void fitInside(QWidget* window, const QRect& available) {
    QSize frame = window->frameGeometry().size() - window->size();
    frame = frame.expandedTo(kFrameAllowance);
    const QSize room = (available.size() - frame).expandedTo(QSize(1, 1));
    const QSize wanted = window->size().expandedTo(window->minimumSizeHint());
    if (wanted.width() > room.width() || wanted.height() > room.height()) {
        if (QLayout* layout = window->layout()) {
            layout->setSizeConstraint(QLayout::SetNoConstraint);
        }
        window->setMinimumSize(window->minimumSize().boundedTo(room));
    }
    window->resize(window->size().boundedTo(room));
    const QSize outer = window->size() + frame;
    const int x = std::clamp(window->x(), available.left(),
                             std::max(available.left(), available.right() + 1 - outer.width()));
    const int y = std::clamp(window->y(), available.top(),
                             std::max(available.top(), available.bottom() + 1 - outer.height()));
    window->move(x, y);
}

void installScreenFit(QApplication& app) {
    app.installEventFilter(new ScreenFitFilter(&app));
}

}  // namespace skelvane
