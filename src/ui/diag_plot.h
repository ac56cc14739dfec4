#pragma once

#include <QWidget>
#include <deque>

#include "base/clock.h"

namespace skelvane {

// A small live chart of the received signal strength (dBm, left scale, blue) and the unit's
// temperature (degrees C, right scale, red) over the last minutes of polling. Samples carry
// the time they were taken; the chart keeps the latest window and draws it from the oldest
// on the left to "now" on the right.
class DiagPlot : public QWidget {
    Q_OBJECT

  public:
    struct Sample {
        Millis time{0};
        double rssiDbm = 0;
        double temperatureC = 0;
    };
    static constexpr Millis kWindow{5 * 60 * 1000};

    explicit DiagPlot(QWidget* parent = nullptr);

    void addSample(const Sample& sample);
    void clear();
    const std::deque<Sample>& samples() const { return samples_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::deque<Sample> samples_;
};

// A scale for values from `low` to `high`: `divisions` equal steps, each a whole multiple of
// `unit`, starting at a multiple of the step, wide enough for both values.
struct PlotRange {
    double low = 0;
    double high = 1;
    double step = 1;
};
PlotRange niceRange(double low, double high, double unit, int divisions);

// How much time the chart spans for samples from `oldest` to `newest`: whole minutes, at least
// one, at most the window.
Millis plotSpan(Millis oldest, Millis newest);

}  // namespace skelvane
