#pragma once

#include <iosfwd>

#include "base/prompter.h"

namespace skelvane::cli {

// Messages of the core go to the error stream (Latin-1 converted to UTF-8, "\r\n" as line
// breaks of the terminal). Nobody is there to answer: a question gets its first button's
// answer and a choice keeps the pre-selected entry.
class ConsolePrompter final : public Prompter {
  public:
    explicit ConsolePrompter(std::ostream& out) : out_(out) {}

    Answer Message(std::string_view text, std::string_view caption, MessageIcon icon,
                   MessageButtons buttons = MessageButtons::Ok) override;
    std::optional<std::size_t> Choose(std::string_view caption,
                                      const std::vector<std::string>& items,
                                      std::size_t selected) override;

  private:
    std::ostream& out_;
};

}  // namespace skelvane::cli
