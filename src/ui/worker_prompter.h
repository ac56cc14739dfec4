#pragma once

#include <QObject>
#include <condition_variable>
#include <mutex>

#include "base/prompter.h"

namespace skelvane {

// A Prompter a dialog's worker may call. Calls on the GUI thread go straight to the wrapped
// prompter; a call from another thread is carried to the GUI thread and the worker waits for
// the answer. Closing the dialog calls shutDown() before it stops the worker: a worker still
// waiting then gets the safe answer (Cancel, No, or nothing chosen), as does every later call
// from a worker, so a worker never waits on a window that is going away.
class WorkerPrompter final : public QObject, public ForwardingPrompter {
    Q_OBJECT

  public:
    explicit WorkerPrompter(Prompter& target, QObject* parent = nullptr);
    ~WorkerPrompter() override;

    void shutDown();

  protected:
    Reply Relay(Call call) override;

  private:
    std::mutex mutex_;
    std::condition_variable answered_;
    bool shutDown_ = false;
};

}  // namespace skelvane
