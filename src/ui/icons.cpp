#include "ui/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygon>

namespace skelvane {

namespace {

constexpr int kIconSize = 16;
// Icons are drawn at twice their size so that they stay crisp when the toolbar scales them.
constexpr int kScale = 2;

const QColor kOutline{48, 48, 48};
const QColor kMasterColor{200, 40, 40};
const QColor kRepeaterColor{40, 150, 60};
const QColor kRemoteColor{40, 90, 200};
const QColor kRadioColor{120, 120, 120};

QPixmap canvas(int size = kIconSize) {
    QPixmap pixmap(size * kScale, size * kScale);
    pixmap.fill(Qt::transparent);
    pixmap.setDevicePixelRatio(kScale);
    return pixmap;
}

void beginIcon(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kOutline, 1));
}

// A radio: a box with a status light and one or two antennas; waves for the Master.
void drawRadio(QPainter& p, const QColor& body, int antennas, bool waves) {
    beginIcon(p);
    p.setBrush(body);
    p.drawRoundedRect(QRectF(1.5, 8.5, 13, 6), 1.5, 1.5);
    p.setBrush(QColor(255, 230, 80));
    p.drawEllipse(QPointF(4.5, 11.5), 1.2, 1.2);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kOutline, 1.2));
    p.drawLine(QPointF(11.5, 8.5), QPointF(11.5, 2.0));
    if (antennas > 1) {
        p.drawLine(QPointF(8.0, 8.5), QPointF(8.0, 3.5));
    }
    if (waves) {
        p.setPen(QPen(body.darker(120), 1.0));
        p.drawArc(QRectF(8.5, 0.0, 6, 5), 300 * 16, 120 * 16);
        p.drawArc(QRectF(7.0, -1.5, 9, 8), 300 * 16, 120 * 16);
    }
}

void drawNetwork(QPainter& p) {
    beginIcon(p);
    const QPointF a(8, 3.5);
    const QPointF b(3.5, 12.5);
    const QPointF c(12.5, 12.5);
    p.setPen(QPen(kOutline, 1.2));
    p.drawLine(a, b);
    p.drawLine(a, c);
    p.drawLine(b, c);
    p.setPen(QPen(kOutline, 1));
    p.setBrush(kMasterColor);
    p.drawEllipse(a, 2.5, 2.5);
    p.setBrush(kRepeaterColor);
    p.drawEllipse(b, 2.5, 2.5);
    p.setBrush(kRemoteColor);
    p.drawEllipse(c, 2.5, 2.5);
}

void drawPage(QPainter& p, QRectF r) {
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - 3, r.top());
    path.lineTo(r.right(), r.top() + 3);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(path);
    p.drawLine(QPointF(r.right() - 3, r.top()), QPointF(r.right() - 3, r.top() + 3));
    p.drawLine(QPointF(r.right() - 3, r.top() + 3), QPointF(r.right(), r.top() + 3));
}

void drawChip(QPainter& p) {
    p.setBrush(QColor(60, 60, 60));
    p.drawRect(QRectF(3.5, 4.5, 9, 7));
    p.setPen(QPen(kOutline, 1));
    for (int i = 0; i < 4; ++i) {
        const double x = 4.5 + 2.3 * i;
        p.drawLine(QPointF(x, 2.5), QPointF(x, 4.5));
        p.drawLine(QPointF(x, 11.5), QPointF(x, 13.5));
    }
}

void drawArrowDown(QPainter& p, const QColor& color, QPointF tip) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    QPolygonF arrow;
    arrow << QPointF(tip.x() - 3.5, tip.y() - 3.5) << QPointF(tip.x() + 3.5, tip.y() - 3.5) << tip;
    p.drawPolygon(arrow);
    p.drawRect(QRectF(tip.x() - 1.2, tip.y() - 7.5, 2.4, 4.2));
}

void drawCommand(QPainter& p, CommandIcon which) {
    beginIcon(p);
    switch (which) {
        case CommandIcon::New:
            drawPage(p, QRectF(3.5, 1.5, 9, 13));
            break;
        case CommandIcon::Open:
            p.setBrush(QColor(235, 200, 90));
            p.drawRect(QRectF(1.5, 4.5, 12, 9));
            p.setBrush(QColor(250, 225, 130));
            p.drawPolygon(QPolygonF() << QPointF(3.5, 7.5) << QPointF(15.0, 7.5)
                                      << QPointF(13.5, 13.5) << QPointF(1.5, 13.5));
            break;
        case CommandIcon::Save:
            p.setBrush(QColor(70, 90, 160));
            p.drawRect(QRectF(1.5, 1.5, 13, 13));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(4.0, 1.5, 8, 5));
            p.setBrush(QColor(200, 200, 200));
            p.drawRect(QRectF(4.0, 9.5, 8, 5));
            break;
        case CommandIcon::Copy:
            drawPage(p, QRectF(1.5, 1.5, 8, 10));
            drawPage(p, QRectF(6.5, 4.5, 8, 10));
            break;
        case CommandIcon::Delete:
            p.setPen(QPen(QColor(200, 30, 30), 2.4, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
            p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
            break;
        case CommandIcon::Master:
            drawRadio(p, kMasterColor, 1, true);
            break;
        case CommandIcon::Repeater:
            drawRadio(p, kRepeaterColor, 2, false);
            break;
        case CommandIcon::Remote:
            drawRadio(p, kRemoteColor, 1, false);
            break;
        case CommandIcon::Properties:
            drawPage(p, QRectF(2.5, 1.5, 11, 13));
            for (int i = 0; i < 4; ++i) {
                const double y = 5.0 + 2.5 * i;
                p.drawLine(QPointF(4.5, y), QPointF(6.0, y));
                p.drawLine(QPointF(7.5, y), QPointF(11.5, y));
            }
            break;
        case CommandIcon::Rename: {
            p.setBrush(Qt::white);
            p.drawRect(QRectF(0.5, 4.5, 15, 7));
            QFont font = p.font();
            font.setPixelSize(7);
            font.setBold(true);
            p.setFont(font);
            p.drawText(QRectF(1.0, 4.5, 9, 7), Qt::AlignCenter, QStringLiteral("ab"));
            p.drawLine(QPointF(11.5, 2.5), QPointF(11.5, 13.5));
            p.drawLine(QPointF(10.0, 2.5), QPointF(13.0, 2.5));
            p.drawLine(QPointF(10.0, 13.5), QPointF(13.0, 13.5));
            break;
        }
        case CommandIcon::HardUpgrade:
            drawChip(p);
            drawArrowDown(p, QColor(220, 60, 40), QPointF(8, 10.5));
            break;
        case CommandIcon::SoftUpgrade:
            drawRadio(p, kRadioColor, 1, false);
            drawArrowDown(p, QColor(40, 160, 60), QPointF(5.5, 8.0));
            break;
        case CommandIcon::Spectrum: {
            p.setPen(QPen(kOutline, 1));
            p.drawLine(QPointF(1.5, 14.5), QPointF(14.5, 14.5));
            p.drawLine(QPointF(1.5, 1.5), QPointF(1.5, 14.5));
            const double heights[] = {4, 9, 6, 11, 3, 7};
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(40, 120, 200));
            for (int i = 0; i < 6; ++i) {
                p.drawRect(QRectF(3.0 + 2.0 * i, 14.0 - heights[i], 1.5, heights[i]));
            }
            break;
        }
        case CommandIcon::About: {
            p.setBrush(QColor(40, 90, 200));
            p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
            QFont font = p.font();
            font.setPixelSize(11);
            font.setBold(true);
            p.setFont(font);
            p.setPen(Qt::white);
            p.drawText(QRectF(1.5, 1.5, 13, 13), Qt::AlignCenter, QStringLiteral("?"));
            break;
        }
    }
}

}  // namespace

QPixmap blockIcon(int imageIndex) {
    QPixmap pixmap = canvas();
    QPainter p(&pixmap);
    switch (imageIndex) {
        case 0:
            drawNetwork(p);
            break;
        case 2:
            drawRadio(p, kMasterColor, 1, true);
            break;
        case 3:
            drawRadio(p, kRepeaterColor, 2, false);
            break;
        case 4:
            drawRadio(p, kRemoteColor, 1, false);
            break;
        default:
            drawRadio(p, kRadioColor, 1, false);
            break;
    }
    return pixmap;
}

QIcon commandIcon(CommandIcon which) {
    QPixmap pixmap = canvas();
    {
        QPainter p(&pixmap);
        drawCommand(p, which);
    }
    return QIcon(pixmap);
}

QCursor placeCursor() {
    // A cross hair with a small block at its lower right: the block's top-left corner goes
    // where the cross is.
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    {
        QPainter p(&pixmap);
        p.setPen(QPen(Qt::white, 3));
        p.drawLine(8, 0, 8, 16);
        p.drawLine(0, 8, 16, 8);
        p.setPen(QPen(Qt::black, 1));
        p.drawLine(8, 0, 8, 16);
        p.drawLine(0, 8, 16, 8);
        p.setBrush(QColor(212, 208, 200));
        p.drawRect(10, 10, 14, 10);
        p.fillRect(11, 11, 13, 3, QColor(10, 36, 106));
    }
    return QCursor(pixmap, 8, 8);
}

QCursor moveCursor() {
    return QCursor(Qt::SizeAllCursor);
}

}  // namespace skelvane
