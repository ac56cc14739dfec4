#include "ui/hard_upgrade_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/target_label.h"

namespace skelvane {

HardUpgradeDialog::HardUpgradeDialog(const PortFactory& ports, std::string portName, Clock& clock,
                                     QWidget* parent, const BootImages& images)
    : UpgradeDialog(std::make_unique<HardUpgradeModel>(ports, std::move(portName), clock, images),
                    kTitle, CommandIcon::HardUpgrade, UpgradePicture::HardIdle, parent),
      model_(static_cast<HardUpgradeModel&>(upgradeModel())),
      force_(new QCheckBox(QStringLiteral("Force to Erase"))) {
    // Boot mode reaches only the unit the programming cable is plugged into.
    target_->setTargetText(QStringLiteral("Unit on the programming cable"));

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("File Name:")), 0, 0);
    fields->addWidget(fileEdit_, 0, 1, 1, 2);
    fields->addWidget(browse_, 0, 3);
    fields->addWidget(force_, 1, 1);
    fields->addWidget(program_, 1, 3);
    fields->setColumnStretch(2, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    layOut(fields, bottom);
    resize(sizeHint().expandedTo(QSize(560, 400)));
    listen();
}

void HardUpgradeDialog::readControls() {
    model_.SetFields(HardUpgradeFields{toFileName(fileEdit_->text()), force_->isChecked()});
}

void HardUpgradeDialog::refresh() {
    const HardUpgradeView view = model_.View();
    showState(view.programEnabled, view.programText,
              view.picture == HardUpgradePicture::Busy ? UpgradePicture::HardBusy
                                                       : UpgradePicture::HardIdle);
}

}  // namespace skelvane
