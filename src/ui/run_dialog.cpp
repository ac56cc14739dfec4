#include "ui/run_dialog.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace skelvane {

void RunDialog::makeRunControls(QWidget* parent) {
    start_ = new QPushButton(QStringLiteral("&Start"), parent);
    stop_ = new QPushButton(QStringLiteral("S&top"), parent);
    progress_ = new QProgressBar(parent);
    progressText_ = new QLabel(parent);
}

}  // namespace skelvane
