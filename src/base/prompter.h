#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
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

// The answer given for a message that no one could be asked: Ok where Ok is the only button,
// No for a Yes/No question, Cancel otherwise.
Answer SafeAnswer(MessageButtons buttons);

// A prompter that passes every call on to another one. A derived class puts its own step
// around the calls by overriding Relay (or replaces a call by overriding it).
class ForwardingPrompter : public Prompter {
  public:
    explicit ForwardingPrompter(Prompter& target) : target_(target) {}

    Answer Message(std::string_view text, std::string_view caption, MessageIcon icon,
                   MessageButtons buttons = MessageButtons::Ok) override;
    std::optional<std::size_t> Choose(std::string_view caption,
                                      const std::vector<std::string>& items,
                                      std::size_t selected) override;
    void Beep() override;

  protected:
    // What a call to the target gave; monostate when it was not made.
    using Reply = std::variant<std::monostate, Answer, std::optional<std::size_t>>;
    // A call to the target. It owns copies of its arguments, so it may run on another thread
    // and after its caller has given up waiting.
    using Call = std::function<Reply()>;

    // Makes the call and gives its reply. A relay that declines the call gives monostate: a
    // message then gets SafeAnswer, a choice nothing chosen, a beep is not sounded.
    virtual Reply Relay(Call call) { return call(); }

    Prompter& Target() const { return target_; }

  private:
    Prompter& target_;
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
