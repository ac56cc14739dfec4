#include "base/prompter.h"

namespace skelvane {

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
