#pragma once

#include <QLabel>
#include <QString>
#include <cstdint>

namespace skelvane {

// The line above a device dialog's controls: the block the dialog was opened for and what it
// talks to ("Hilltop 2: Unit 300, through the unit on the cable"). It also keeps the block's
// name after the dialog's own caption in the window's title ("Properties - Hilltop 2").
// Without a block, the line names the unit only and the title is the caption.
class TargetLabel : public QLabel {
  public:
    TargetLabel(QWidget& window, QString caption);

    void setBlockName(const QString& name);
    // The unit on the cable when `local`, otherwise unit `unitAddress` through it.
    void setTarget(bool local, std::uint16_t unitAddress);
    // A target in words of its own, for a dialog that talks to one unit only.
    void setTargetText(const QString& text);

  private:
    void showAll();

    QWidget& window_;
    QString caption_;
    QString name_;
    QString target_;
};

}  // namespace skelvane
