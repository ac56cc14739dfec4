#pragma once

#include <cstdint>
#include <string>

#include <QWidget>

#include "base/prompter.h"
#include "base/strings.h"

namespace skelvane {

// A page of the "Properties" sheet. The sheet tells a page when it becomes the active page and
// when the user leaves it, and asks every page to close (stopping its worker) before the sheet
// goes away.
class PropertyPage : public QWidget {
    Q_OBJECT

  public:
    using QWidget::QWidget;

    virtual void activate() = 0;
    virtual void leave() = 0;
    // Stops a running worker, waiting a bounded time for it.
    virtual void closePage() = 0;
    // Whether the page's worker is running.
    virtual bool busy() const = 0;
    // What the page talks to: the Local/Remote choice and the unit address it uses.
    virtual bool targetLocal() const = 0;
    virtual std::uint16_t targetUnit() const = 0;
};

// Asks before Re&set restarts a unit; true only for Yes (No is the default button).
inline bool confirmReset(Prompter& prompter, std::uint16_t unit) {
    const std::string question = "Reset unit " + std::to_string(unit) +
                                 "? Units that reach the network through it lose their link until "
                                 "it has restarted.";
    return prompter.Message(question, LoadText(kIdsAppName), MessageIcon::Question,
                            MessageButtons::YesNoDefaultNo) == Answer::Yes;
}

}  // namespace skelvane
