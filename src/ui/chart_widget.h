#pragma once

#include <QFont>
#include <QWidget>

#include "spectrum/chart_model.h"

class QPainter;

namespace skelvane {

class WorkerPump;

// The chart's three fonts: 8-point Arial for labels, legend and the x-axis title, the same
// turned by 90 degrees (reading upwards) for the x-axis labels and the y-axis title, and
// 12-point bold Arial for the title. Point sizes follow the screen's pixels per inch.
struct ChartFonts {
    QFont label;
    QFont title;

    static ChartFonts standard();
    const QFont& font(ChartFont which) const { return which == ChartFont::Title ? title : label; }
};

// How wide and tall a text is in one of the chart's fonts on `device`, before any turning.
TextMeasure chartTextMeasure(const ChartFonts& fonts, QPaintDevice* device);

// Draws a composed chart: everything the scene lists, in its order, and nothing else. Pens
// are solid and not antialiased, so every line has exactly its scene colour.
void paintChartScene(QPainter& painter, const ChartScene& scene, const ChartFonts& fonts);

// A window showing a ChartModel. The model is laid out for the window's size whenever that
// changes; a paint asks the model for its scene and draws it. The model's redraw requests
// may come from any thread: they are coalesced into at most 25 repaints a second.
//
// Takes the model's redraw listener for its lifetime; whoever changes the model from another
// thread must have stopped before the widget goes.
class ChartWidget : public QWidget {
    Q_OBJECT

  public:
    explicit ChartWidget(ChartModel& model, QWidget* parent = nullptr);
    ~ChartWidget() override;

    ChartModel& model() { return model_; }
    const ChartFonts& fonts() const { return fonts_; }
    // Paints so far, for tests of the coalescing.
    int paintCount() const { return paints_; }
    // The chart as it is now, in an image of the widget's size.
    QImage render();

    QSize sizeHint() const override;

  signals:
    // The model asked to be redrawn (at most 25 times a second, on the GUI thread).
    void modelChanged();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void attachToSize();

    ChartModel& model_;
    ChartFonts fonts_;
    WorkerPump* pump_;
    int paints_ = 0;
};

}  // namespace skelvane
