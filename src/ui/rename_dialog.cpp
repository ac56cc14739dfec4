#include "ui/rename_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "ui/qt_prompter.h"

namespace skelvane {

RenameDialog::RenameDialog(const std::string& currentName, AcceptName accept, QWidget* parent)
    : QDialog(parent), edit_(new QLineEdit(this)), acceptName_(std::move(accept)) {
    setWindowTitle(QStringLiteral("Rename Block"));
    auto* label = new QLabel(QStringLiteral("New Name:"), this);
    label->setBuddy(edit_);
    edit_->setText(fromLatin1(currentName));
    edit_->selectAll();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &RenameDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(edit_);
    layout->addWidget(buttons);
    setMinimumWidth(260);
}

void RenameDialog::accept() {
    if (acceptName_ && !acceptName_(toLatin1(edit_->text()))) {
        edit_->setFocus();
        edit_->selectAll();
        return;
    }
    QDialog::accept();
}

}  // namespace skelvane
