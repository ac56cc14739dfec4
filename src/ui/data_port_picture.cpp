#include "ui/data_port_picture.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace skelvane {

DataPortPicture::DataPortPicture(QWidget* parent) : QWidget(parent) {
    setMinimumSize(220, 110);
}

QSize DataPortPicture::sizeHint() const {
    return QSize(260, 120);
}

void DataPortPicture::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(45, 45, 45);
    const QColor shell(225, 225, 218);
    const double w = width();
    const double h = height();
    // Everything is laid out on a 260 x 120 grid and scaled to the widget.
    const double scale = std::min(w / 260.0, h / 120.0);
    p.translate((w - 260 * scale) / 2, (h - 120 * scale) / 2);
    p.scale(scale, scale);

    // The PC: a monitor with a blue screen on a stand, a keyboard in front.
    p.setPen(QPen(ink, 1.5));
    p.setBrush(shell);
    p.drawRoundedRect(QRectF(8, 10, 92, 64), 4, 4);
    p.setBrush(QColor(40, 80, 150));
    p.drawRect(QRectF(15, 16, 78, 50));
    p.setPen(QPen(QColor(150, 200, 255), 1));
    for (int i = 0; i < 4; ++i) {
        p.drawLine(QPointF(21, 24 + i * 9), QPointF(21 + 40 - i * 7, 24 + i * 9));
    }
    p.setPen(QPen(ink, 1.5));
    p.setBrush(shell);
    p.drawRect(QRectF(46, 74, 16, 10));
    p.drawRoundedRect(QRectF(26, 84, 56, 6), 2, 2);
    p.drawRoundedRect(QRectF(14, 96, 82, 14), 2, 2);
    p.setPen(QPen(ink.lighter(160), 1));
    for (int x = 18; x < 92; x += 6) {
        p.drawLine(QPointF(x, 100), QPointF(x + 3, 100));
        p.drawLine(QPointF(x + 2, 105), QPointF(x + 5, 105));
    }

    // The serial port at the back of the PC, the cable, and the radio's data port.
    p.setPen(QPen(ink, 1.5));
    p.setBrush(QColor(200, 205, 220));
    p.drawRect(QRectF(100, 50, 8, 12));
    QPainterPath cable;
    cable.moveTo(108, 56);
    cable.cubicTo(140, 56, 140, 88, 172, 88);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(30, 30, 30), 3));
    p.drawPath(cable);

    // The radio: a box with two ports, status lights and an antenna.
    p.setPen(QPen(ink, 1.5));
    p.setBrush(QColor(70, 90, 110));
    p.drawRoundedRect(QRectF(172, 66, 78, 34), 4, 4);
    p.setBrush(QColor(200, 205, 220));
    p.drawRect(QRectF(168, 83, 8, 10));
    p.drawRect(QRectF(168, 70, 6, 8));
    p.setBrush(QColor(90, 220, 90));
    p.drawEllipse(QPointF(232, 76), 2.5, 2.5);
    p.setBrush(QColor(240, 180, 40));
    p.drawEllipse(QPointF(241, 76), 2.5, 2.5);
    p.setPen(QPen(ink, 2.5));
    p.drawLine(QPointF(236, 66), QPointF(236, 24));
    p.setPen(QPen(ink, 1.2));
    p.setBrush(Qt::NoBrush);
    for (int r = 8; r <= 20; r += 6) {
        p.drawArc(QRectF(236 - r, 24 - r, 2 * r, 2 * r), 30 * 16, 120 * 16);
    }

    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    p.setFont(small);
    p.setPen(ink);
    p.drawText(QRectF(172, 102, 80, 14), Qt::AlignCenter, QStringLiteral("Radio"));
    p.drawText(QRectF(118, 92, 46, 14), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("DATA"));
}

}  // namespace skelvane
