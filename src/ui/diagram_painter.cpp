#include "ui/diagram_painter.h"

#include <QFontMetrics>
#include <QPolygon>
#include <algorithm>

#include "base/latin1.h"
#include "ui/link_shape.h"

namespace skelvane {

namespace {

QRect toQRect(const DiagramRect& r) {
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

// One-pixel lines as filled rectangles: exact pixels whatever the pen does at the ends.
void hline(QPainter& p, int x1, int x2, int y, const QColor& c) {
    if (x2 >= x1) {
        p.fillRect(QRect(x1, y, x2 - x1 + 1, 1), c);
    }
}

void vline(QPainter& p, int x, int y1, int y2, const QColor& c) {
    if (y2 >= y1) {
        p.fillRect(QRect(x, y1, 1, y2 - y1 + 1), c);
    }
}

// A frame one pixel wide just inside `r`: `topLeft` on the top and left edges, `bottomRight`
// on the others.
void frame(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
    if (r.width() <= 0 || r.height() <= 0) {
        return;
    }
    const int l = r.left();
    const int t = r.top();
    const int rr = r.left() + r.width() - 1;
    const int b = r.top() + r.height() - 1;
    hline(p, l, rr - 1, t, topLeft);
    vline(p, l, t, b - 1, topLeft);
    hline(p, l, rr, b, bottomRight);
    vline(p, rr, t, b, bottomRight);
}

void raisedEdge(QPainter& p, const QRect& r, const DiagramPalette& c) {
    frame(p, r, c.light, c.darkShadow);
    frame(p, r.adjusted(1, 1, -1, -1), c.highlight, c.shadow);
}

void sunkenFrame(QPainter& p, const QRect& r, const DiagramPalette& c) {
    frame(p, r, c.shadow, c.highlight);
}

// Titles and row texts: one line, centred both ways, cut with an ellipsis.
void drawLabel(QPainter& p, const QRect& r, const std::string& text, const QColor& color) {
    if (r.width() <= 0 || r.height() <= 0 || text.empty()) {
        return;
    }
    const QFontMetrics metrics = p.fontMetrics();
    const QString label =
        metrics.elidedText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())),
                           Qt::ElideRight, r.width());
    p.setPen(color);
    p.drawText(r, Qt::AlignCenter | Qt::TextSingleLine, label);
}

QColor linkColor(const DiagramItem& item, const DiagramRow& row, const DiagramPalette& c) {
    if ((row.flags & kRowHighlighted) != 0) {
        return kHighlightedLinkColor;
    }
    if (row.pointCount == 2) {
        return kStraightLinkColor;
    }
    return item.selected() ? kSelectedLinkColor : c.shadow;
}

QRect linkBounds(const DiagramRow& row) {
    int l = row.points[0].x;
    int r = l;
    int t = row.points[0].y;
    int b = t;
    for (int i = 1; i < row.pointCount; ++i) {
        l = std::min(l, row.points[i].x);
        r = std::max(r, row.points[i].x);
        t = std::min(t, row.points[i].y);
        b = std::max(b, row.points[i].y);
    }
    return QRect(QPoint(l, t - 3), QPoint(r, b + 3));
}

void paintLink(QPainter& p, const DiagramRow& row, const QColor& color) {
    const LinkShape shape =
        makeLinkShape(row.points.data(), std::min(row.pointCount, kMaxLinkPoints));
    if (!shape.visible) {
        return;
    }
    QPolygon line;
    line.reserve(static_cast<qsizetype>(shape.line.size()));
    for (const DiagramPoint& pt : shape.line) {
        line << QPoint(pt.x, pt.y);
    }
    p.setPen(QPen(color, 1));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(line);
    QPolygon arrow;
    for (const DiagramPoint& pt : shape.arrow) {
        arrow << QPoint(pt.x, pt.y);
    }
    p.setBrush(color);
    p.drawPolygon(arrow);
}

// The status line: a dot for the last exchange (green answered, red silent, grey unknown),
// the text, and an orange warning triangle at the right end.
void paintStatus(QPainter& p, const DiagramStatus& status, const QRect& box,
                 const DiagramStyle& style) {
    if (!status.shown() || box.isEmpty()) {
        return;
    }
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const int d = std::min(box.height() - 4, 7);
    QRect text = box;
    if (status.mark != StatusMark::None) {
        const QColor color = status.mark == StatusMark::Answered ? QColor(0x1E, 0x9E, 0x3A)
                             : status.mark == StatusMark::Silent ? QColor(0xD0, 0x28, 0x28)
                                                                 : QColor(0x9A, 0x9A, 0x9A);
        p.setPen(color.darker(130));
        p.setBrush(color);
        p.drawEllipse(QRect(box.left() + 1, box.center().y() - d / 2, d, d));
        text.setLeft(box.left() + d + 4);
    }
    if (status.warning) {
        const int w = d + 3;
        const int x = box.right() - w;
        const int y = box.center().y() - w / 2;
        const QPolygon triangle({QPoint(x + w / 2, y), QPoint(x + w, y + w), QPoint(x, y + w)});
        p.setPen(QColor(0x9A, 0x5A, 0x00));
        p.setBrush(QColor(0xF0, 0xA0, 0x20));
        p.drawPolygon(triangle);
        text.setRight(x - 2);
    }
    p.setRenderHint(QPainter::Antialiasing, false);
    // One line when it fits, else two, broken at the last separator; a smaller font before
    // the text is cut.
    const QString whole = QString::fromStdString(status.text);
    const QString separator = QString::fromUtf8(" \u00B7 ");
    QStringList lines{whole};
    QFont font = style.rowFont;
    const qreal size = font.pointSizeF() > 0 ? font.pointSizeF() : 9.0;
    const auto fits = [&text](const QFont& f, const QStringList& list) {
        for (const QString& l : list) {
            if (QFontMetrics(f).horizontalAdvance(l) > text.width()) {
                return false;
            }
        }
        return true;
    };
    const qsizetype cut = whole.lastIndexOf(separator);
    if (!fits(font, lines) && cut > 0) {
        lines = QStringList{whole.left(cut), whole.mid(cut + separator.size())};
    }
    for (qreal scale = 1.0; scale > 0.65 && !fits(font, lines); scale -= 0.05) {
        font.setPointSizeF(size * scale);
    }
    p.setFont(font);
    p.setPen(style.colors.buttonText);
    const int h = text.height() / 2;
    const QRect first = lines.size() == 1 ? text : QRect(text.left(), text.top(), text.width(), h);
    p.drawText(first, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
               p.fontMetrics().elidedText(lines[0], Qt::ElideRight, text.width()));
    if (lines.size() > 1) {
        p.drawText(QRect(text.left(), text.top() + h, text.width(), text.height() - h),
                   Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   p.fontMetrics().elidedText(lines[1], Qt::ElideRight, text.width()));
    }
    p.restore();
}

void paintItem(QPainter& p, const DiagramItem& it, const DiagramStyle& style) {
    const DiagramPalette& c = style.colors;
    const QRect r = toQRect(it.rect);
    p.fillRect(r, toQColor(it.backColor, c.face));
    raisedEdge(p, r, c);

    const QRect icon = toQRect(it.iconBox);
    sunkenFrame(p, icon, c);
    const std::size_t image = static_cast<std::size_t>(it.image);
    if (it.image >= 0 && image < style.images.size() && !style.images[image].isNull()) {
        p.drawPixmap(icon.left() + 1, icon.top() + 2, style.images[image]);
    }

    const QRect title = toQRect(it.titleBox);
    p.fillRect(title, it.selected() ? c.activeCaption : c.inactiveCaption);
    p.setFont(style.titleFont);
    drawLabel(p, title.adjusted(2, 0, -2, 0), it.title,
              toQColor(it.titleColor, it.selected() ? c.window : c.inactiveCaptionText));

    paintStatus(p, it.status, toQRect(it.statusBox), style);

    p.setFont(style.rowFont);
    for (std::size_t k = 1; k < it.rows.size(); ++k) {
        const DiagramRow& row = it.rows[k];
        const QRect rr = toQRect(row.rect);
        sunkenFrame(p, rr, c);
        if (!row.text.empty() && IsLatin1Alnum(static_cast<unsigned char>(row.text[0]))) {
            drawLabel(p, rr.adjusted(1, 1, -1, -1), row.text, toQColor(row.color, c.buttonText));
        }
    }
}

// Content coordinates from here on: shifted by the scroll origin, scaled by the zoom.
void toContent(QPainter& painter, const BlockDiagram& diagram) {
    const DiagramPoint origin = diagram.scrollOrigin();
    painter.translate(origin.x, origin.y);
    const qreal scale = diagram.zoom() / 100.0;
    painter.scale(scale, scale);
}

}  // namespace

void paintDiagram(QPainter& painter, BlockDiagram& diagram, const DiagramStyle& style,
                  const QRect& client, const QRect& dirty) {
    diagram.ensureLayout();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(client.intersected(dirty), style.colors.window);

    toContent(painter, diagram);
    // The part of the content that needs drawing.
    const QRect area = painter.worldTransform()
                           .inverted()
                           .mapRect(client.intersected(dirty))
                           .adjusted(-1, -1, 1, 1);

    const std::vector<int> order = diagram.zOrder();
    const auto& items = diagram.items();
    for (int index : order) {
        const DiagramItem& it = items[static_cast<std::size_t>(index)];
        for (const DiagramRow& row : it.rows) {
            if (row.pointCount < 2 || !area.intersects(linkBounds(row))) {
                continue;
            }
            paintLink(painter, row, linkColor(it, row, style.colors));
        }
    }
    for (int index : order) {
        const DiagramItem& it = items[static_cast<std::size_t>(index)];
        if (area.intersects(toQRect(it.rect))) {
            paintItem(painter, it, style);
        }
    }
    painter.restore();
}

void paintDragFeedback(QPainter& painter, const BlockDiagram& diagram) {
    std::vector<DiagramRect> rects;
    if (diagram.mode() == DiagramMode::Moving) {
        DiagramRect bounds;
        rects = diagram.moveOutline(&bounds);
        if (!rects.empty()) {
            rects.push_back(bounds);
        }
    } else if (diagram.mode() == DiagramMode::RubberBand) {
        rects.push_back(diagram.drag().band);
    }
    if (rects.empty()) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    toContent(painter, diagram);
    painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    const QBrush halfTone(Qt::black, Qt::Dense4Pattern);
    for (const DiagramRect& r : rects) {
        const int w = r.right - r.left;
        const int h = r.bottom - r.top;
        if (w <= 0 || h <= 0) {
            continue;
        }
        // Edges as one-pixel strips, so that no pixel is inverted twice at the corners.
        painter.fillRect(QRect(r.left, r.top, w, 1), halfTone);
        if (h > 1) {
            painter.fillRect(QRect(r.left, r.bottom - 1, w, 1), halfTone);
        }
        if (h > 2) {
            painter.fillRect(QRect(r.left, r.top + 1, 1, h - 2), halfTone);
            if (w > 1) {
                painter.fillRect(QRect(r.right - 1, r.top + 1, 1, h - 2), halfTone);
            }
        }
    }
    painter.restore();
}

}  // namespace skelvane
