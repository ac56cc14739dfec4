#pragma once

#include <QPointer>
#include <QWidget>

#include "base/prompter.h"

namespace skelvane {

// Messages and choices of the core as message boxes and a list dialog. Texts arrive and
// leave as Latin-1. Used on the GUI thread only.
class QtPrompter final : public Prompter {
  public:
    explicit QtPrompter(QWidget* parent = nullptr) : parent_(parent) {}

    // The window the boxes are centred on (the main window once it exists).
    void setParent(QWidget* parent) { parent_ = parent; }

    Answer Message(std::string_view text, std::string_view caption, MessageIcon icon,
                   MessageButtons buttons = MessageButtons::Ok) override;
    std::optional<std::size_t> Choose(std::string_view caption,
                                      const std::vector<std::string>& items,
                                      std::size_t selected) override;
    void Beep() override;

  private:
    QPointer<QWidget> parent_;
};

// Latin-1 bytes of the core to a QString and back (characters beyond Latin-1 become '?').
QString fromLatin1(std::string_view text);
std::string toLatin1(const QString& text);

// A message text as a message box shows it: "\r\n" line ends become "\n".
QString messageText(std::string_view text);

}  // namespace skelvane
