#pragma once

#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skelvane {

enum class MessageIcon { Information, Exclamation, Question, Error };
// YesNoDefaultNo: Yes and No with No as the default button, for a question whose Yes does
// harm when pressed by habit.
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel, YesNoDefaultNo };
enum class Answer { Ok, Cancel, Yes, No };

// Core code never opens a window: message boxes, questions and choices go through a Prompter.
// The GUI implements it with message boxes and dialogs, the command-line tool on the
// terminal, tests with RecordingPrompter. Texts are Latin-1.
class Prompter {
  public:
    virtual ~Prompter() = default;

    // Escape or closing the question answers Cancel (Ok for a message with only Ok), also
    // for Yes/No questions.
    virtual Answer Message(std::string_view text, std::string_view caption, MessageIcon icon,
                           MessageButtons buttons = MessageButtons::Ok) = 0;

    // A list of entries to choose one of, `selected` pre-selected. nullopt when the user
    // closed the list without confirming a choice.
    virtual std::optional<std::size_t> Choose(std::string_view caption,
                                              const std::vector<std::string>& items,
                                              std::size_t selected) = 0;

    // The short warning sound of a refused input.
    virtual void Beep() {}
};

// Records every message and choice and answers from a script; when the script is empty it
// gives the first button's answer (Ok or Yes) and confirms the pre-selected entry.
// Thread-safe, so workers may prompt through it too.
class RecordingPrompter final : public Prompter {
  public:
    struct Record {
        std::string text;
        std::string caption;
        MessageIcon icon = MessageIcon::Information;
        MessageButtons buttons = MessageButtons::Ok;
        bool isChoice = false;
        std::vector<std::string> items;  // for choices
        std::size_t selected = 0;        // for choices: the pre-selected entry
    };

    Answer Message(std::string_view text, std::string_view caption, MessageIcon icon,
                   MessageButtons buttons = MessageButtons::Ok) override;
    std::optional<std::size_t> Choose(std::string_view caption,
                                      const std::vector<std::string>& items,
                                      std::size_t selected) override;
    void Beep() override;

    // Queues the answer for the next message.
    void QueueAnswer(Answer answer);
    // Queues the result of the next choice (nullopt = closed without choosing).
    void QueueChoice(std::optional<std::size_t> choice);

    std::vector<Record> Records() const;
    std::size_t Count() const;
    // Text of the last message (empty when there was none).
    std::string LastText() const;
    int Beeps() const;
    void Reset();

  private:
    mutable std::mutex mutex_;
    std::vector<Record> records_;
    std::deque<Answer> answers_;
    std::deque<std::optional<std::size_t>> choices_;
    int beeps_ = 0;
};

}  // namespace skelvane
