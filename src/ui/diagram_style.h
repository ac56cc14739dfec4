#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QPixmap>
#include <array>

#include "diagram/diagram_types.h"

namespace skelvane {

// The colours the diagram draws with, read once from the system palette when the view is
// made.
struct DiagramPalette {
    QColor window;               // background, and the title text of selected blocks
    QColor face;                 // block body
    QColor light;                // 3D frames: lit edges
    QColor highlight;            // 3D frames: inner lit edges
    QColor shadow;               // 3D frames: shaded edges, and plain links
    QColor darkShadow;           // 3D frames: outer shaded edges
    QColor activeCaption;        // title fill of selected blocks
    QColor inactiveCaption;      // title fill of other blocks
    QColor inactiveCaptionText;  // title text of other blocks
    QColor buttonText;           // row text

    static DiagramPalette fromSystem(const QPalette& palette);
};

// Link colours that do not come from the system.
inline const QColor kHighlightedLinkColor{240, 0, 0};
inline const QColor kStraightLinkColor{200, 0, 200};
inline const QColor kSelectedLinkColor{0, 0, 240};

// Everything the painter needs besides the model.
struct DiagramStyle {
    DiagramPalette colors;
    QFont titleFont;                // the system's window-caption font
    QFont rowFont;                  // the system's message font
    std::array<QPixmap, 5> images;  // block icons by image index

    static DiagramStyle fromSystem();
    DiagramMetrics metrics() const;
};

// A diagram colour (0x00BBGGRR, or kSystemColor) as a QColor, `system` standing in for the
// system colour.
QColor toQColor(DiagramColor color, const QColor& system);

}  // namespace skelvane
