#include "base/prompter.h"

namespace skelvane {

Answer SafeAnswer(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::Ok:
            return Answer::Ok;
        case MessageButtons::YesNo:
        case MessageButtons::YesNoDefaultNo:
            return Answer::No;
        case MessageButtons::OkCancel:
        case MessageButtons::YesNoCancel:
            break;
    }
    return Answer::Cancel;
}

Answer ForwardingPrompter::Message(std::string_view text, std::string_view caption,
                                   MessageIcon icon, MessageButtons buttons) {
    const Reply reply =
        Relay([this, text = std::string(text), caption = std::string(caption), icon, buttons] {
            return Reply(target_.Message(text, caption, icon, buttons));
        });
    const Answer* answer = std::get_if<Answer>(&reply);
    return answer != nullptr ? *answer : SafeAnswer(buttons);
}

std::optional<std::size_t> ForwardingPrompter::Choose(std::string_view caption,
                                                      const std::vector<std::string>& items,
                                                      std::size_t selected) {
    const Reply reply = Relay([this, caption = std::string(caption), items, selected] {
        return Reply(target_.Choose(caption, items, selected));
    });
    const auto* choice = std::get_if<std::optional<std::size_t>>(&reply);
    return choice != nullptr ? *choice : std::nullopt;
}

void ForwardingPrompter::Beep() {
    Relay([this] {
        target_.Beep();
        return Reply();
    });
}

Answer RecordingPrompter::Message(std::string_view text, std::string_view caption, MessageIcon icon,
                                  MessageButtons buttons) {
    std::lock_guard lock(mutex_);
    Record record;
    record.text = std::string(text);
    record.caption = std::string(caption);
    record.icon = icon;
    record.buttons = buttons;
    records_.push_back(std::move(record));
    if (!answers_.empty()) {
        const Answer answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    return (buttons == MessageButtons::YesNo || buttons == MessageButtons::YesNoCancel)
               ? Answer::Yes
               : Answer::Ok;
}

std::optional<std::size_t> RecordingPrompter::Choose(std::string_view caption,
                                                     const std::vector<std::string>& items,
                                                     std::size_t selected) {
    std::lock_guard lock(mutex_);
    Record record;
    record.caption = std::string(caption);
    record.isChoice = true;
    record.items = items;
    record.selected = selected;
    records_.push_back(std::move(record));
    if (!choices_.empty()) {
        const auto choice = choices_.front();
        choices_.pop_front();
        return choice;
    }
    return selected;
}

void RecordingPrompter::Beep() {
    std::lock_guard lock(mutex_);
    ++beeps_;
}

void RecordingPrompter::QueueAnswer(Answer answer) {
    std::lock_guard lock(mutex_);
    answers_.push_back(answer);
}

void RecordingPrompter::QueueChoice(std::optional<std::size_t> choice) {
    std::lock_guard lock(mutex_);
    choices_.push_back(choice);
}

std::vector<RecordingPrompter::Record> RecordingPrompter::Records() const {
    std::lock_guard lock(mutex_);
    return records_;
}

std::size_t RecordingPrompter::Count() const {
    std::lock_guard lock(mutex_);
    return records_.size();
}

std::string RecordingPrompter::LastText() const {
    std::lock_guard lock(mutex_);
    return records_.empty() ? std::string() : records_.back().text;
}

int RecordingPrompter::Beeps() const {
    std::lock_guard lock(mutex_);
    return beeps_;
}

void RecordingPrompter::Reset() {
    std::lock_guard lock(mutex_);
    records_.clear();
    answers_.clear();
    choices_.clear();
    beeps_ = 0;
}

}  // namespace skelvane
