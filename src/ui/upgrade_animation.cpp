#include "ui/upgrade_animation.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace skelvane {
namespace {

const QColor kInk(50, 50, 50);
const QColor kShell(228, 228, 220);
const QColor kActive(230, 120, 20);
const QColor kResting(165, 165, 165);

// Everything is drawn on a 160 x 64 grid, scaled to the widget.
constexpr double kGridWidth = 160;
constexpr double kGridHeight = 64;

void drawPc(QPainter& p, bool busy) {
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(kShell);
    p.drawRoundedRect(QRectF(4, 10, 40, 30), 2, 2);
    p.setBrush(busy ? QColor(40, 90, 170) : QColor(70, 80, 100));
    p.drawRect(QRectF(8, 14, 32, 21));
    p.setBrush(kShell);
    p.drawRect(QRectF(19, 40, 10, 6));
    p.drawRoundedRect(QRectF(10, 46, 28, 4), 1, 1);
}

// A straight cable from `from` to `to`; while busy, dots run along it (`frame` moves them on).
void drawCable(QPainter& p, QPointF from, QPointF to, bool busy = false, int frame = 0) {
    p.setPen(QPen(QColor(35, 35, 35), 2.2));
    p.setBrush(Qt::NoBrush);
    p.drawLine(from, to);
    if (!busy) {
        return;
    }
    p.setPen(Qt::NoPen);
    p.setBrush(kActive);
    for (int k = 0; k < 3; ++k) {
        const double t = std::fmod(
            (frame + k * UpgradeAnimation::kFrames / 3.0) / UpgradeAnimation::kFrames, 1.0);
        p.drawEllipse(from + (to - from) * t, 2.6, 2.6);
    }
}

void drawRadio(QPainter& p, QRectF body, bool lit) {
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(QColor(70, 90, 110));
    p.drawRoundedRect(body, 3, 3);
    p.setBrush(lit ? QColor(90, 230, 90) : QColor(90, 120, 90));
    p.drawEllipse(QPointF(body.right() - 7, body.top() + 5), 1.8, 1.8);
    p.setPen(QPen(kInk, 1.8));
    const double x = body.right() - 4;
    p.drawLine(QPointF(x, body.top()), QPointF(x, body.top() - 16));
}

// Waves leaving an antenna tip towards the right; busy waves travel outwards.
void drawWaves(QPainter& p, QPointF tip, bool busy, int frame) {
    p.setBrush(Qt::NoBrush);
    for (int k = 0; k < 3; ++k) {
        double r = 6 + k * 6;
        QColor colour = kResting;
        if (busy) {
            r = 4 + std::fmod(k * 6.0 + frame * 18.0 / UpgradeAnimation::kFrames, 18.0);
            colour = kActive;
            colour.setAlphaF(1.0 - (r - 4) / 20.0);
        }
        p.setPen(QPen(colour, 1.4));
        p.drawArc(QRectF(tip.x() - r, tip.y() - r, 2 * r, 2 * r), -50 * 16, 100 * 16);
    }
}

void drawChip(QPainter& p, QRectF body, bool busy, int frame) {
    p.setPen(QPen(kInk, 1));
    for (int i = 0; i < 6; ++i) {
        const double y = body.top() + 4 + i * (body.height() - 8) / 5;
        const bool lit = busy && i == frame % 6;
        p.setPen(QPen(lit ? kActive : kInk, 1.6));
        p.drawLine(QPointF(body.left() - 4, y), QPointF(body.left(), y));
        p.drawLine(QPointF(body.right(), y), QPointF(body.right() + 4, y));
    }
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(30, 30, 34));
    p.drawRect(body);
    p.setPen(busy ? kActive : QColor(200, 200, 200));
    QFont small = p.font();
    small.setPixelSize(8);
    p.setFont(small);
    p.drawText(body, Qt::AlignCenter, QStringLiteral("FLASH"));
}

}  // namespace

UpgradeAnimation::UpgradeAnimation(UpgradePicture picture, QWidget* parent)
    : QWidget(parent), picture_(picture) {
    setMinimumSize(120, 48);
    timer_.setInterval(kFrameMs);
    connect(&timer_, &QTimer::timeout, this, [this] {
        frame_ = (frame_ + 1) % kFrames;
        update();
    });
}

bool UpgradeAnimation::busy() const {
    return picture_ == UpgradePicture::HardBusy || picture_ == UpgradePicture::BusyLocal ||
           picture_ == UpgradePicture::BusyRemote;
}

void UpgradeAnimation::setPicture(UpgradePicture picture) {
    if (picture == picture_) {
        return;
    }
    picture_ = picture;
    frame_ = 0;
    updateTimer();
    update();
}

// Only a busy picture that can be seen keeps a timer running.
void UpgradeAnimation::updateTimer() {
    if (busy() && isVisible()) {
        timer_.start();
    } else {
        timer_.stop();
    }
}

void UpgradeAnimation::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    updateTimer();
}

void UpgradeAnimation::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    updateTimer();
}

QSize UpgradeAnimation::sizeHint() const {
    return QSize(160, 64);
}

void UpgradeAnimation::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double scale = std::min(width() / kGridWidth, height() / kGridHeight);
    p.translate((width() - kGridWidth * scale) / 2, (height() - kGridHeight * scale) / 2);
    p.scale(scale, scale);

    const bool active = busy();
    drawPc(p, active);
    switch (picture_) {
        case UpgradePicture::HardIdle:
        case UpgradePicture::HardBusy:
            drawCable(p, QPointF(44, 28), QPointF(112, 28), active, frame_);
            drawChip(p, QRectF(116, 12, 32, 32), active, frame_);
            break;
        case UpgradePicture::IdleLocal:
        case UpgradePicture::BusyLocal:
            drawCable(p, QPointF(44, 28), QPointF(104, 40), active, frame_);
            drawRadio(p, QRectF(104, 32, 50, 18), active);
            break;
        case UpgradePicture::IdleRemote:
        case UpgradePicture::BusyRemote:
            drawCable(p, QPointF(44, 28), QPointF(54, 42));
            drawRadio(p, QRectF(54, 36, 34, 14), active);
            drawWaves(p, QPointF(84, 20), active, frame_);
            drawRadio(p, QRectF(120, 36, 34, 14), active);
            break;
    }
}

}  // namespace skelvane
