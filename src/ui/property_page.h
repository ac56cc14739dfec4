#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "base/prompter.h"
#include "base/strings.h"

class QPushButton;
class QRadioButton;

namespace skelvane {

class LogView;
class WorkerPump;

// A page of the "Properties" sheet. The sheet tells a page when it becomes the active page and
// when the user leaves it, and asks every page to close (stopping its worker) before the sheet
// goes away. Every page has Local/Remote, a log with "&Clear Log", and a pump that brings its
// worker's news to the widgets on the GUI thread.
class PropertyPage : public QWidget {
    Q_OBJECT

  public:
    explicit PropertyPage(QWidget* parent = nullptr);
    ~PropertyPage() override;

    virtual void activate() = 0;
    virtual void leave() = 0;
    // Stops a running worker, waiting a bounded time for it.
    virtual void closePage() = 0;
    // Whether the page's worker is running.
    virtual bool busy() const = 0;
    // What the page talks to: the Local/Remote choice and the unit address it uses.
    virtual bool targetLocal() const = 0;
    virtual std::uint16_t targetUnit() const = 0;

    LogView* log() const { return log_; }
    QRadioButton* localButton() const { return local_; }
    QRadioButton* remoteButton() const { return remote_; }
    QPushButton* clearLogButton() const { return clearLog_; }
    WorkerPump& pump() { return *pump_; }

  protected:
    // Shows what the worker changed; the pump calls it on the GUI thread.
    virtual void updateFromWorker() = 0;

    // The page makes its widgets, in the order the focus moves through them.
    std::unique_ptr<WorkerPump> pump_;
    LogView* log_ = nullptr;
    QRadioButton* local_ = nullptr;
    QRadioButton* remote_ = nullptr;
    QPushButton* clearLog_ = nullptr;
};

// A page over a model that talks to one unit through its DeviceLink: closing, "busy" and the
// target come from the model.
template <typename Model>
class LinkedPropertyPage : public PropertyPage {
  public:
    Model& model() { return *model_; }

    void closePage() override {
        model_->Close();
        updateFromWorker();
    }
    bool busy() const override { return model_->Link().Busy(); }
    bool targetLocal() const override { return model_->LocalChosen(); }
    std::uint16_t targetUnit() const override { return model_->Link().UnitAddress(); }

  protected:
    LinkedPropertyPage(std::unique_ptr<Model> model, QWidget* parent)
        : PropertyPage(parent), model_(std::move(model)) {}

    std::unique_ptr<Model> model_;
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
