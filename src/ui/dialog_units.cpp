#include "ui/dialog_units.h"

#include <QFontMetrics>
#include <QWidget>

namespace skelvane {

QSize dialogUnits(const QWidget* widget, int width, int height) {
    const QFontMetrics metrics = widget->fontMetrics();
    static const QString alphabet =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int average = (metrics.horizontalAdvance(alphabet) / 26 + 1) / 2;
    return QSize(width * average / 4, height * metrics.height() / 8);
}

}  // namespace skelvane
