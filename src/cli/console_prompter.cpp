#include "cli/console_prompter.h"

#include <ostream>
#include <string>

#include "base/latin1.h"

namespace skelvane::cli {
namespace {

std::string ForTerminal(std::string_view latin1) {
    std::string text;
    text.reserve(latin1.size());
    for (std::size_t i = 0; i < latin1.size(); ++i) {
        if (latin1[i] == '\r' && i + 1 < latin1.size() && latin1[i + 1] == '\n') {
            continue;
        }
        text.push_back(latin1[i]);
    }
    return Latin1ToUtf8(text);
}

}  // namespace

Answer ConsolePrompter::Message(std::string_view text, std::string_view, MessageIcon,
                                MessageButtons buttons) {
    out_ << ForTerminal(text) << '\n';
    switch (buttons) {
        case MessageButtons::YesNo:
        case MessageButtons::YesNoDefaultNo:
        case MessageButtons::YesNoCancel:
            return Answer::Yes;
        case MessageButtons::Ok:
        case MessageButtons::OkCancel:
            break;
    }
    return Answer::Ok;
}

std::optional<std::size_t> ConsolePrompter::Choose(std::string_view,
                                                   const std::vector<std::string>& items,
                                                   std::size_t selected) {
    if (selected >= items.size()) {
        return std::nullopt;
    }
    return selected;
}

}  // namespace skelvane::cli
