#include "ui/chart_widget.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPolygon>
#include <QResizeEvent>

#include "ui/qt_prompter.h"
#include "ui/worker_pump.h"

namespace skelvane {
namespace {

QColor toColor(Rgb rgb) {
    return QColor(rgb.red, rgb.green, rgb.blue);
}

QPoint toPoint(PixelPoint p) {
    return QPoint(p.x, p.y);
}

// A scene rectangle's right and bottom lie just outside it.
QRect toRect(const PixelRect& r) {
    return QRect(r.left, r.top, r.Width(), r.Height());
}

QPen solidPen(Rgb colour, int width) {
    return QPen(toColor(colour), width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
}

void drawLine(QPainter& painter, const ChartLine& line) {
    painter.setPen(solidPen(line.colour, line.width));
    painter.drawLine(toPoint(line.from), toPoint(line.to));
}

// Labels are right-aligned in their box, titles centred; turned text reads upwards, so its
// box is as tall as the text is long and its end lies at the box's top.
void drawText(QPainter& painter, const ChartText& text, const ChartFonts& fonts,
              Qt::Alignment along) {
    if (text.text.empty()) {
        return;
    }
    painter.setPen(toColor(text.colour));
    painter.setFont(fonts.font(text.font));
    const QString s = fromLatin1(text.text);
    const QRect box = toRect(text.box);
    if (text.font != ChartFont::Rotated) {
        painter.drawText(box, static_cast<int>(along | Qt::AlignVCenter | Qt::TextDontClip), s);
        return;
    }
    painter.save();
    painter.translate(box.left(), box.top() + box.height());
    painter.rotate(-90);
    painter.drawText(QRect(0, 0, box.height(), box.width()),
                     static_cast<int>(along | Qt::AlignVCenter | Qt::TextDontClip), s);
    painter.restore();
}

}  // namespace

ChartFonts ChartFonts::standard() {
    ChartFonts fonts;
    fonts.label = QFont(QStringLiteral("Arial"));
    fonts.label.setPointSize(8);
    fonts.title = QFont(QStringLiteral("Arial"));
    fonts.title.setPointSize(12);
    fonts.title.setWeight(QFont::Bold);
    return fonts;
}

TextMeasure chartTextMeasure(const ChartFonts& fonts, QPaintDevice* device) {
    const QFontMetrics label(fonts.label, device);
    const QFontMetrics title(fonts.title, device);
    return [label, title](std::string_view text, ChartFont font) {
        const QFontMetrics& metrics = font == ChartFont::Title ? title : label;
        return TextExtent{metrics.horizontalAdvance(fromLatin1(text)), metrics.height()};
    };
}

void paintChartScene(QPainter& painter, const ChartScene& scene, const ChartFonts& fonts) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBackgroundMode(Qt::TransparentMode);

    // The frame, filled and outlined as a window rectangle is drawn with the default pen.
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(toColor(scene.background));
    painter.drawRect(toRect(scene.frame).adjusted(0, 0, -1, -1));
    painter.setBrush(Qt::NoBrush);

    painter.setPen(solidPen(scene.frameColour, scene.outlineWidth));
    painter.drawRect(toRect(scene.plot));
    for (const ChartLine& line : scene.axisLines) {
        drawLine(painter, line);
    }
    for (const ChartLine& line : scene.gridLines) {
        drawLine(painter, line);
    }

    for (const ChartText& label : scene.yLabels) {
        drawText(painter, label, fonts, Qt::AlignRight);
    }
    for (const ChartText& label : scene.xLabels) {
        drawText(painter, label, fonts, Qt::AlignRight);
    }
    drawText(painter, scene.xTitle, fonts, Qt::AlignHCenter);
    drawText(painter, scene.yTitle, fonts, Qt::AlignHCenter);
    drawText(painter, scene.title, fonts, Qt::AlignHCenter);

    for (std::size_t i = 0; i < scene.curves.size(); ++i) {
        const ChartCurve& curve = scene.curves[i];
        QPolygon polygon;
        polygon.reserve(static_cast<qsizetype>(curve.points.size()));
        for (const PixelPoint& p : curve.points) {
            polygon.append(toPoint(p));
        }
        QPen pen(toColor(curve.colour), curve.width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        painter.setPen(pen);
        painter.drawPolyline(polygon);
        if (i < scene.legend.size()) {
            const LegendEntry& entry = scene.legend[i];
            drawLine(painter, entry.line);
            drawText(painter, entry.name, fonts, Qt::AlignLeft);
        }
    }
    // A legend without its curve (there is none today) is still drawn.
    for (std::size_t i = scene.curves.size(); i < scene.legend.size(); ++i) {
        drawLine(painter, scene.legend[i].line);
        drawText(painter, scene.legend[i].name, fonts, Qt::AlignLeft);
    }
    painter.restore();
}

ChartWidget::ChartWidget(ChartModel& model, QWidget* parent)
    : QWidget(parent),
      model_(model),
      fonts_(ChartFonts::standard()),
      pump_(new WorkerPump(
          [this] {
              update();
              emit modelChanged();
          },
          this)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    model_.SetRedrawListener(pump_->notifier());
    model_.Attach(width(), height());
}

ChartWidget::~ChartWidget() {
    model_.SetRedrawListener({});
}

QSize ChartWidget::sizeHint() const {
    return QSize(700, 320);
}

void ChartWidget::resizeEvent(QResizeEvent* event) {
    model_.Attach(event->size().width(), event->size().height());
    QWidget::resizeEvent(event);
}

// A hidden window hears of its new size only once it is shown; a paint or a picture taken
// before that must not use the old layout.
void ChartWidget::attachToSize() {
    const PixelRect client = model_.Client();
    if (client.Width() != width() || client.Height() != height()) {
        model_.Attach(width(), height());
    }
}

void ChartWidget::paintEvent(QPaintEvent*) {
    ++paints_;
    attachToSize();
    QPainter painter(this);
    // Around the frame the chart leaves the window's own background.
    painter.fillRect(rect(), palette().window());
    paintChartScene(painter, model_.Compose(chartTextMeasure(fonts_, this)), fonts_);
}

QImage ChartWidget::render() {
    attachToSize();
    QImage image(size(), QImage::Format_RGB32);
    image.fill(palette().window().color());
    QPainter painter(&image);
    paintChartScene(painter, model_.Compose(chartTextMeasure(fonts_, &image)), fonts_);
    return image;
}

}  // namespace skelvane
