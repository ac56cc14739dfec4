#include "ui/diagram_style.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>

#include "ui/icons.h"

namespace skelvane {

DiagramPalette DiagramPalette::fromSystem(const QPalette& palette) {
    DiagramPalette p;
    p.window = palette.color(QPalette::Active, QPalette::Base);
    p.face = palette.color(QPalette::Active, QPalette::Button);
    p.light = palette.color(QPalette::Active, QPalette::Midlight);
    p.highlight = palette.color(QPalette::Active, QPalette::Light);
    p.shadow = palette.color(QPalette::Active, QPalette::Dark);
    p.darkShadow = palette.color(QPalette::Active, QPalette::Shadow);
    p.activeCaption = palette.color(QPalette::Active, QPalette::Highlight);
    // Qt has no caption colours of inactive windows; the shaded grey and the light text on it
    // give the same contrast as the classic ones.
    p.inactiveCaption = palette.color(QPalette::Active, QPalette::Dark);
    p.inactiveCaptionText = palette.color(QPalette::Active, QPalette::Light);
    p.buttonText = palette.color(QPalette::Active, QPalette::ButtonText);
    return p;
}

DiagramStyle DiagramStyle::fromSystem() {
    DiagramStyle style;
    style.colors = DiagramPalette::fromSystem(QApplication::palette());
    style.titleFont = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    style.rowFont = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    for (int i = 0; i < static_cast<int>(style.images.size()); ++i) {
        style.images[static_cast<std::size_t>(i)] = blockIcon(i);
    }
    return style;
}

DiagramMetrics DiagramStyle::metrics() const {
    DiagramMetrics m;
    m.titleFontHeight = QFontMetrics(titleFont).height();
    m.rowFontHeight = QFontMetrics(rowFont).height();
    return m;
}

QColor toQColor(DiagramColor color, const QColor& system) {
    if (color == kSystemColor) {
        return system;
    }
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

}  // namespace skelvane
