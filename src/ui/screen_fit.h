#pragma once

#include <QRect>

class QApplication;
class QWidget;

namespace skelvane {

// Keeps a window inside `available` (a screen's available geometry): moves it in and shrinks
// it where it is larger. A window whose layout asks for more room than there is gives up
// that minimum, so that it shrinks (and its lists and logs scroll) rather than overflow.
void fitInside(QWidget* window, const QRect& available);

// Fits the main window and every dialog into its screen each time it is shown.
void installScreenFit(QApplication& app);

}  // namespace skelvane
