#pragma once

#include <QObject>

#include "base/prompter.h"

namespace skelvane {

// The Prompter that device dialogs hand to their models. On the GUI thread it asks the
// prompter it wraps. A worker thread that has something to say (a failed allocation, say)
// must not wait for the user: the window may at that moment be waiting for the worker to
// stop. So from any other thread the message is shown later on the GUI thread, and the call
// returns at once with the cautious answer of its buttons (Ok for a plain message, Cancel
// or No for a question); a choice from a worker is declined.
//
// Lives as long as the dialogs that use it (the program's, or a test's): a message posted
// from a worker is dropped if it goes first.
class GuiThreadPrompter final : public QObject, public Prompter {
    Q_OBJECT

  public:
    explicit GuiThreadPrompter(Prompter& gui, QObject* parent = nullptr);

    Answer Message(std::string_view text, std::string_view caption, MessageIcon icon,
                   MessageButtons buttons = MessageButtons::Ok) override;
    std::optional<std::size_t> Choose(std::string_view caption,
                                      const std::vector<std::string>& items,
                                      std::size_t selected) override;
    void Beep() override;

    // The answer given at once to a worker's message with these buttons.
    static Answer cautiousAnswer(MessageButtons buttons);

  private:
    bool onGuiThread() const;

    Prompter& gui_;
};

}  // namespace skelvane
