#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <mutex>

namespace skelvane {

// Brings a dialog's widgets up to date with its worker without the worker touching a widget.
// The worker's listeners call the notifier, which may be called from any thread and even
// after the pump is gone; it posts at most one wake-up to the GUI thread at a time. There the
// update runs, at most 25 times a second: news arriving sooner is gathered by a timer and
// handled in one go, so a worker writing many log lines costs the GUI thread little.
class WorkerPump : public QObject {
    Q_OBJECT

  public:
    static constexpr int kMinIntervalMs = 40;

    // `update` runs on the GUI thread: it reads the thread-safe models and refreshes widgets.
    explicit WorkerPump(std::function<void()> update, QObject* parent = nullptr);
    ~WorkerPump() override;

    // For the worker's listeners: thread-safe, harmless once the pump is destroyed.
    std::function<void()> notifier() const;
    // GUI thread: the update, now (after a button press, for instance).
    void updateNow();
    // Number of updates so far (tests).
    int updates() const { return updates_; }
    // No news waits to be shown: no wake-up is on its way and no gathered update is due (tests).
    bool settled() const;

  private:
    struct Shared {
        std::mutex mutex;
        WorkerPump* target = nullptr;
        bool pending = false;
    };
    static void post(const std::shared_ptr<Shared>& shared);
    Q_INVOKABLE void wake();

    std::function<void()> update_;
    std::shared_ptr<Shared> shared_;
    QTimer gather_;
    QElapsedTimer last_;
    int updates_ = 0;
};

}  // namespace skelvane
