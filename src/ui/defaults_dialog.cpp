#include "ui/defaults_dialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "link/default_sets.h"
#include "ui/qt_prompter.h"

namespace skelvane {

DefaultsDialog::DefaultsDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(fromLatin1(kDefaultsCaption));
    auto* fast = new QGroupBox(QStringLiteral("Fast Mode"), this);
    auto* slow = new QGroupBox(QStringLiteral("Slow Mode"), this);
    auto* fastLayout = new QVBoxLayout(fast);
    auto* slowLayout = new QVBoxLayout(slow);
    // One group of radio buttons across both boxes.
    auto* group = new QButtonGroup(this);
    for (std::size_t i = 0; i < kDefaultSets.size(); ++i) {
        const DefaultSet& set = kDefaultSets[i];
        const bool isFast = set.group == "Fast Mode";
        auto* button = new QRadioButton(fromLatin1(set.caption), isFast ? fast : slow);
        group->addButton(button, static_cast<int>(i));
        (isFast ? fastLayout : slowLayout)->addWidget(button);
        buttons_.push_back(button);
    }
    buttons_[kPreselectedDefaultSet]->setChecked(true);

    warning_ = new QPlainTextEdit(this);
    warning_->setReadOnly(true);
    warning_->setPlainText(messageText(kDefaultsWarning));
    warning_->setFixedHeight(warning_->fontMetrics().lineSpacing() * 8);

    auto* ok = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(ok, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ok, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* boxes = new QHBoxLayout;
    boxes->addWidget(fast);
    boxes->addWidget(slow);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(boxes);
    layout->addWidget(warning_);
    layout->addWidget(ok);
}

std::size_t DefaultsDialog::selectedIndex() const {
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        if (buttons_[i]->isChecked()) {
            return i;
        }
    }
    return kPreselectedDefaultSet;
}

std::optional<std::size_t> DefaultsDialog::chooseDefaultSet(QWidget* parent) {
    DefaultsDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.selectedIndex();
}

}  // namespace skelvane
