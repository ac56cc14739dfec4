#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <atomic>

namespace skelvane {

// Turns any number of "something changed" calls, from any thread, into `flush` signals on
// the thread that owns the object, at most 25 a second. A device worker writes its log,
// chart and state much faster than a screen can show; the window redraws from the models
// when the flush comes, so no change is lost and none costs a repaint of its own.
//
// The object must outlive every thread that may call request(): a dialog stops its worker
// before its widgets go.
class UpdateCoalescer : public QObject {
    Q_OBJECT

  public:
    // The shortest time between two flushes: 25 a second.
    static constexpr int kIntervalMs = 40;

    explicit UpdateCoalescer(QObject* parent = nullptr);

    // Asks for a flush. Thread-safe and cheap: a request while one is pending adds nothing.
    void request();
    // Flushes done so far.
    int flushes() const { return flushes_; }

  signals:
    void flush();

  private:
    void schedule();
    void fire();

    std::atomic<bool> pending_{false};
    QTimer timer_;
    QElapsedTimer sinceLast_;
    int flushes_ = 0;
};

}  // namespace skelvane
