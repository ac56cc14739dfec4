#pragma once

#include <QTimer>
#include <QWidget>

namespace skelvane {

// The pictures of the upgrade dialogs, exactly one shown at a time. The hard upgrade shows
// the programming cable to the unit's controller; the soft upgrade a PC cabled to the local
// unit, or reaching a remote unit through it by radio. The busy pictures move (data running
// along the cable, waves going out); the idle ones stand still.
enum class UpgradePicture { HardIdle, HardBusy, IdleLocal, IdleRemote, BusyLocal, BusyRemote };

class UpgradeAnimation : public QWidget {
    Q_OBJECT

  public:
    // Frames of a busy picture, and the time between them.
    static constexpr int kFrames = 12;
    static constexpr int kFrameMs = 90;

    explicit UpgradeAnimation(UpgradePicture picture, QWidget* parent = nullptr);

    void setPicture(UpgradePicture picture);
    UpgradePicture picture() const { return picture_; }
    bool busy() const;
    bool animating() const { return timer_.isActive(); }
    int frame() const { return frame_; }

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void updateTimer();

    UpgradePicture picture_;
    QTimer timer_;
    int frame_ = 0;
};

}  // namespace skelvane
