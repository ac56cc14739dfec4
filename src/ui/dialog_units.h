#pragma once

#include <QSize>

class QWidget;

namespace skelvane {

// Dialog layouts are given in dialog units: a quarter of the average character width of the
// dialog's font across, an eighth of its height down. The size in pixels of `width` x
// `height` units for `widget`'s font.
QSize dialogUnits(const QWidget* widget, int width, int height);

}  // namespace skelvane
