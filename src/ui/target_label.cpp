#include "ui/target_label.h"

#include <utility>

#include "operations/target_text.h"

namespace skelvane {

TargetLabel::TargetLabel(QWidget& window, QString caption)
    : QLabel(&window), window_(window), caption_(std::move(caption)) {
    setObjectName(QStringLiteral("target"));
    showAll();
}

void TargetLabel::setBlockName(const QString& name) {
    if (name != name_) {
        name_ = name;
        showAll();
    }
}

void TargetLabel::setTarget(bool local, std::uint16_t unitAddress) {
    setTargetText(QString::fromLatin1(TargetText(local, unitAddress)));
}

void TargetLabel::setTargetText(const QString& text) {
    if (text != target_) {
        target_ = text;
        showAll();
    }
}

void TargetLabel::showAll() {
    const QString title = name_.isEmpty() ? caption_ : caption_ + QStringLiteral(" - ") + name_;
    if (window_.windowTitle() != title) {
        window_.setWindowTitle(title);
    }
    setText(name_.isEmpty() ? target_ : name_ + QStringLiteral(": ") + target_);
}

}  // namespace skelvane
