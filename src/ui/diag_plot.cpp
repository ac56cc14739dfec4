#include "ui/diag_plot.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace skelvane {

namespace {

const QColor kRssiColor(30, 100, 200);
const QColor kTemperatureColor(200, 50, 40);

}  // namespace

PlotRange niceRange(double low, double high, double unit, int divisions) {
    if (high < low) {
        std::swap(low, high);
    }
    double step = std::max(unit, std::ceil((high - low) / divisions / unit) * unit);
    for (;;) {
        const double start = std::floor(low / step) * step;
        if (start + step * divisions >= high) {
            return {start, start + step * divisions, step};
        }
        step += unit;
    }
}

Millis plotSpan(Millis oldest, Millis newest) {
    constexpr std::int64_t kMinute = 60 * 1000;
    const std::int64_t covered = (newest - oldest).count();
    const std::int64_t minutes = std::clamp<std::int64_t>((covered + kMinute - 1) / kMinute, 1,
                                                          DiagPlot::kWindow.count() / kMinute);
    return Millis{minutes * kMinute};
}

DiagPlot::DiagPlot(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QSize DiagPlot::sizeHint() const {
    return QSize(360, 150);
}

QSize DiagPlot::minimumSizeHint() const {
    return QSize(220, 110);
}

void DiagPlot::addSample(const Sample& sample) {
    samples_.push_back(sample);
    while (!samples_.empty() && samples_.back().time - samples_.front().time > kWindow) {
        samples_.pop_front();
    }
    update();
}

void DiagPlot::clear() {
    samples_.clear();
    update();
}

void DiagPlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = palette();
    p.fillRect(rect(), pal.color(QPalette::Base));
    const QFontMetrics fm = fontMetrics();
    const int line = fm.height();
    const int labelWidth = fm.horizontalAdvance(QStringLiteral("-120")) + 6;

    // The legend on top, the two scales left and right, the minutes below.
    const QRect plot(labelWidth + 4, line + 8, width() - 2 * labelWidth - 8,
                     height() - 2 * line - 14);
    if (plot.width() < 20 || plot.height() < 20) {
        return;
    }
    p.setPen(pal.color(QPalette::Text));
    int x = plot.left();
    for (const auto& [color, text] :
         {std::pair{kRssiColor, QStringLiteral("RSSI (dBm)")},
          std::pair{kTemperatureColor, QStringLiteral("Temperature (\u00B0C)")}}) {
        p.fillRect(QRect(x, 4 + line / 2 - 2, 14, 4), color);
        p.setPen(pal.color(QPalette::Text));
        p.drawText(QPoint(x + 18, 2 + fm.ascent()), text);
        x += 18 + fm.horizontalAdvance(text) + 16;
    }

    p.setPen(pal.color(QPalette::Mid));
    p.drawRect(plot.adjusted(0, 0, -1, -1));
    if (samples_.empty()) {
        p.setPen(pal.color(QPalette::PlaceholderText));
        p.drawText(plot, Qt::AlignCenter, QStringLiteral("Poll to see the values here"));
        return;
    }

    double rssiLow = samples_.front().rssiDbm;
    double rssiHigh = rssiLow;
    double tempLow = samples_.front().temperatureC;
    double tempHigh = tempLow;
    for (const Sample& s : samples_) {
        rssiLow = std::min(rssiLow, s.rssiDbm);
        rssiHigh = std::max(rssiHigh, s.rssiDbm);
        tempLow = std::min(tempLow, s.temperatureC);
        tempHigh = std::max(tempHigh, s.temperatureC);
    }
    constexpr int kDivisions = 4;
    const PlotRange rssi = niceRange(rssiLow, rssiHigh, 5, kDivisions);
    const PlotRange temp = niceRange(tempLow, tempHigh, 1, kDivisions);
    const double newest = static_cast<double>(samples_.back().time.count());
    const Millis spanTime = plotSpan(samples_.front().time, samples_.back().time);
    const double span = static_cast<double>(spanTime.count());

    const auto xOf = [&](Millis t) {
        const double age = newest - static_cast<double>(t.count());
        return plot.right() - age / span * plot.width();
    };
    const auto yOf = [&](double v, const PlotRange& r) {
        return plot.bottom() - (v - r.low) / (r.high - r.low) * plot.height();
    };

    // Grid and scales: four divisions each way, the time back from now along the bottom.
    for (int i = 0; i <= kDivisions; ++i) {
        const double y = plot.bottom() - plot.height() * i / double(kDivisions);
        p.setPen(QPen(pal.color(QPalette::Midlight), 1, Qt::DotLine));
        p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        const double r = rssi.low + (rssi.high - rssi.low) * i / kDivisions;
        const double t = temp.low + (temp.high - temp.low) * i / kDivisions;
        p.setPen(kRssiColor);
        p.drawText(QRectF(0, y - line / 2.0, labelWidth, line), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(r, 'f', 0));
        p.setPen(kTemperatureColor);
        p.drawText(QRectF(plot.right() + 6, y - line / 2.0, labelWidth, line),
                   Qt::AlignLeft | Qt::AlignVCenter, QString::number(t, 'f', 0));
    }
    p.setPen(pal.color(QPalette::Text));
    // A tick every 15 s over the first minute, every minute after.
    const int minutes = static_cast<int>(spanTime.count() / 60000);
    const int ticks = minutes == 1 ? 4 : minutes;
    for (int k = 0; k <= ticks; ++k) {
        const double xm = plot.right() - plot.width() * k / double(ticks);
        QString label = QStringLiteral("now");
        if (k > 0) {
            label = minutes == 1 ? QStringLiteral("-%1 s").arg(15 * k)
                                 : QStringLiteral("-%1 min").arg(k);
        }
        const int w = fm.horizontalAdvance(label);
        const double left = std::clamp(xm - w / 2.0, 0.0, double(width() - w));
        p.drawText(QPointF(left, plot.bottom() + 4 + fm.ascent()), label);
    }

    const auto curve = [&](const QColor& color, auto value, const PlotRange& range) {
        QPainterPath path;
        bool first = true;
        for (const Sample& s : samples_) {
            const QPointF point(xOf(s.time), yOf(value(s), range));
            if (first) {
                path.moveTo(point);
                first = false;
            } else {
                path.lineTo(point);
            }
        }
        p.setPen(QPen(color, 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
        // A single sample still shows as a dot.
        if (samples_.size() == 1) {
            p.setBrush(color);
            p.drawEllipse(path.currentPosition(), 2.5, 2.5);
        }
    };
    p.save();
    p.setClipRect(plot);
    curve(
        kRssiColor, [](const Sample& s) { return s.rssiDbm; }, rssi);
    curve(
        kTemperatureColor, [](const Sample& s) { return s.temperatureC; }, temp);
    p.restore();
}

}  // namespace skelvane
