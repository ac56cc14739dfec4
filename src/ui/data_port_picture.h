#pragma once

#include <QWidget>

namespace skelvane {

// The spectrum page's picture: a PC whose serial port is cabled to the data port of a radio.
class DataPortPicture : public QWidget {
    Q_OBJECT

  public:
    explicit DataPortPicture(QWidget* parent = nullptr);
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace skelvane
