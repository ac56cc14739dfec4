#include "ui/gui_thread_prompter.h"

#include <QThread>
#include <string>

namespace skelvane {

GuiThreadPrompter::GuiThreadPrompter(Prompter& gui, QObject* parent) : QObject(parent), gui_(gui) {}

bool GuiThreadPrompter::onGuiThread() const {
    return QThread::currentThread() == thread();
}

Answer GuiThreadPrompter::cautiousAnswer(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::Ok:
            return Answer::Ok;
        case MessageButtons::YesNo:
            return Answer::No;
        case MessageButtons::OkCancel:
        case MessageButtons::YesNoCancel:
            return Answer::Cancel;
    }
    return Answer::Cancel;
}

Answer GuiThreadPrompter::Message(std::string_view text, std::string_view caption, MessageIcon icon,
                                  MessageButtons buttons) {
    if (onGuiThread()) {
        return gui_.Message(text, caption, icon, buttons);
    }
    QMetaObject::invokeMethod(
        this,
        [this, text = std::string(text), caption = std::string(caption), icon, buttons] {
            gui_.Message(text, caption, icon, buttons);
        },
        Qt::QueuedConnection);
    return cautiousAnswer(buttons);
}

std::optional<std::size_t> GuiThreadPrompter::Choose(std::string_view caption,
                                                     const std::vector<std::string>& items,
                                                     std::size_t selected) {
    if (onGuiThread()) {
        return gui_.Choose(caption, items, selected);
    }
    return std::nullopt;
}

void GuiThreadPrompter::Beep() {
    if (onGuiThread()) {
        gui_.Beep();
        return;
    }
    QMetaObject::invokeMethod(
        this, [this] { gui_.Beep(); }, Qt::QueuedConnection);
}

}  // namespace skelvane
