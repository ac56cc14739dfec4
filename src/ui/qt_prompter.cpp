#include "ui/qt_prompter.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace skelvane {

QString fromLatin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string toLatin1(const QString& text) {
    const QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString messageText(std::string_view text) {
    QString s = fromLatin1(text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return s;
}

namespace {

QMessageBox::Icon toQtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Exclamation:
            return QMessageBox::Warning;
        case MessageIcon::Question:
            return QMessageBox::Question;
        case MessageIcon::Error:
            return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

Answer QtPrompter::Message(std::string_view text, std::string_view caption, MessageIcon icon,
                           MessageButtons buttons) {
    QMessageBox box(toQtIcon(icon), fromLatin1(caption), messageText(text), QMessageBox::NoButton,
                    parent_);
    switch (buttons) {
        case MessageButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case MessageButtons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case MessageButtons::YesNo:
        case MessageButtons::YesNoDefaultNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            if (buttons == MessageButtons::YesNoDefaultNo) {
                box.setDefaultButton(QMessageBox::No);
            }
            // Escape and closing the box answer neither: left to itself the box would take
            // them for No, which some questions take for "go ahead".
            box.setEscapeButton(box.addButton(QMessageBox::Cancel));
            box.button(QMessageBox::Cancel)->hide();
            break;
        case MessageButtons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
    }
    const int result = box.exec();
    switch (result) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        case QMessageBox::Ok:
            return Answer::Ok;
        default:
            // Escape or closing the box.
            return buttons == MessageButtons::Ok ? Answer::Ok : Answer::Cancel;
    }
}

std::optional<std::size_t> QtPrompter::Choose(std::string_view caption,
                                              const std::vector<std::string>& items,
                                              std::size_t selected) {
    QDialog dialog(parent_);
    dialog.setWindowTitle(fromLatin1(caption));
    auto* list = new QListWidget(&dialog);
    for (const std::string& item : items) {
        list->addItem(fromLatin1(item));
    }
    if (selected < items.size()) {
        list->setCurrentRow(static_cast<int>(selected));
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(list);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted || list->currentRow() < 0) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(list->currentRow());
}

void QtPrompter::Beep() {
    QApplication::beep();
}

}  // namespace skelvane
