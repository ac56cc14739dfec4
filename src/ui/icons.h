#pragma once

#include <QCursor>
#include <QIcon>
#include <QPixmap>

namespace skelvane {

// Pictures drawn by the program itself: the 16-pixel block icons shared by the explorer tree
// and the diagram, the toolbar's command icons and the cursors.

// Block icon by image index: 0 Network, 1 Radio, 2 Master, 3 Repeater, 4 Remote. Any other
// index gives the Radio icon.
QPixmap blockIcon(int imageIndex);

enum class CommandIcon {
    New,
    Open,
    Save,
    Copy,
    Delete,
    Master,
    Repeater,
    Remote,
    Properties,
    Rename,
    HardUpgrade,
    SoftUpgrade,
    Spectrum,
    About,
};

QIcon commandIcon(CommandIcon which);

// The cursor shown while a new block waits to be placed, and while blocks are moved.
QCursor placeCursor();
QCursor moveCursor();

}  // namespace skelvane
