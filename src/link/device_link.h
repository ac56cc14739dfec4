#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <stop_token>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "base/clock.h"
#include "base/log_pane.h"
#include "link/device_worker.h"
#include "link/frame.h"
#include "link/serial_port.h"

namespace skelvane {

// How often a checked request is asked per try: once, or twice for values that must read the
// same both times.
enum class Readings { One, Two };

// The link state every device dialog keeps, and what its worker does with it: the serial
// port, the port name, the unit address, the Local choice, the operation, the stop flag, the
// worker and the log pane. Requests go out as frames and their replies are collected here;
// each exchange (Settings, Diagnostics, Restrictions, ...) builds its frames and parses the
// replies itself.
//
// Threads: the owner (the dialog's thread) creates the link, sets the port name while no
// worker runs, and starts and finishes the worker. The frame, log and connect operations are
// the worker's. The unit address, Local flag and operation are atomic because the owner may
// set them while a worker runs (a second button press) and the worker replaces the address
// with every valid reply.
class DeviceLink {
  public:
    struct Options {
        // The Settings page writes nothing into its log pane while a stop is requested, so
        // a worker that is being finished leaves no half-done lines behind.
        bool silentWhileStopping = false;
    };

    // `log` must outlive the link.
    DeviceLink(Clock& clock, LogPane& log, const PortFactory& ports, std::string portName,
               Options options);
    DeviceLink(Clock& clock, LogPane& log, const PortFactory& ports, std::string portName);
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;
    // Finishes a running worker (and waits for it).
    ~DeviceLink();

    // ----- state
    SerialPort& Port() { return port_; }
    Clock& GetClock() const { return clock_; }
    LogPane& Log() { return log_; }
    const std::string& PortName() const { return portName_; }
    // Only while no worker runs.
    void SetPortName(std::string portName) { portName_ = std::move(portName); }

    // The unit address: the low 16 bits of what is set.
    std::uint16_t UnitAddress() const { return unitAddress_.load(); }
    void SetUnitAddress(std::uint32_t ua) { unitAddress_.store(static_cast<std::uint16_t>(ua)); }
    bool Local() const { return local_.load(); }
    void SetLocal(bool local) { local_.store(local); }
    // The operation code: each page has its own codes (an enum); 0 for work that has none.
    template <typename Code = int>
    Code Operation() const {
        return static_cast<Code>(operation_.load());
    }
    template <typename Code>
    void SetOperation(Code operation) {
        operation_.store(static_cast<int>(operation));
    }
    // The stop flag: a stop has been requested of the running worker.
    bool StopFlag() const { return stopFlag_.load(); }
    // Traffic lines on or off (the command-line tool shows them only when asked to).
    void SetTrafficLogging(bool on) { trafficLogging_.store(on); }

    // ----- frames (worker thread)
    // The UA a request carries: 0 with Local chosen, the unit address otherwise.
    std::uint16_t RequestUa() const { return Local() ? 0 : UnitAddress(); }
    std::vector<std::uint8_t> MakeFrame(std::uint8_t code,
                                        std::span<const std::uint8_t> payload = {}) const;

    // Writes the frame with one write, then sleeps 50 ms (Local) or 200 ms (Remote). With
    // `expectedFirstByte` 0xFF that is all; otherwise it polls up to 20 times (5 ms, then a
    // read) for data starting with that byte. False when the frame could not be written
    // whole, and when the expected byte never came (or a stop cut that wait short).
    bool SendFrame(const std::uint8_t* frame, std::size_t length,
                   std::uint8_t expectedFirstByte = 0xFF);

    // Collects one reply: up to `maxPolls` polls of {1 ms sleep; read}, until the bytes
    // received equal the first byte + 1, a stop is requested, or the polls run out. Returns
    // the number of bytes received (0 when nothing came). The reply buffer holds one whole
    // frame; bytes beyond 256 are counted but dropped, so such a count never checks out.
    std::size_t ReceiveReply(int maxPolls);
    // The bytes of the last reply held in the buffer (at most 256).
    std::span<const std::uint8_t> ReplyBytes() const;

    // The common head of every reply parser: a reply shorter than a frame head (4 bytes) or
    // whose first byte is not count - 1 logs "Errors in the responses!" and is rejected;
    // otherwise the unit address becomes the reply's UA. The caller then looks at the code
    // (byte 3) and logs "Unknown responses!" for one it does not know.
    bool CheckReply(const std::uint8_t* buffer, std::size_t count);

    // One request and its reply, in the usual order: the request logged (unless told not
    // to), sent, the reply collected with `maxPolls` and logged (unless told not to).
    // Returns the number of reply bytes; 0 also when the frame could not be sent. Every
    // exchange and command is reported to the port factory's exchange observer.
    struct LogChoice {
        bool request = true;
        bool reply = true;
    };
    std::size_t Exchange(std::span<const std::uint8_t> frame, int maxPolls, LogChoice log);
    std::size_t Exchange(std::span<const std::uint8_t> frame, int maxPolls) {
        return Exchange(frame, maxPolls, LogChoice{});
    }

    // A request whose reply is not looked at (writes, defaults, reset): logged (unless told
    // not to), sent, and whatever comes back within `maxPolls` collected and logged only
    // when asked to. True when the frame went out whole.
    bool Command(std::span<const std::uint8_t> frame, int maxPolls, LogChoice log);

    // A checked exchange. A reply counts only when its length byte matches what came, its code
    // is `replyCode`, it comes from the unit asked (its UA bytes, for a remote request), a
    // register reply holds whole pairs of registers the request asked for, each no more often
    // than asked (the ids of a ReadRegisters request, the 32 registers from 0x20 x g of a
    // ReadGroup g request), and `fits` (when given) accepts it. Anything else fails the try
    // ("Errors in the responses!" or "Unknown responses!"); a failed try is made again up to twice,
    // with stale input drained first and the retry logged. Returns the byte count of the accepted
    // reply, 0 when none was.
    using ReplyFits = std::function<bool(std::span<const std::uint8_t> reply)>;
    std::size_t Ask(std::span<const std::uint8_t> frame, int maxPolls, std::uint8_t replyCode,
                    LogChoice log, const ReplyFits& fits = {});
    std::size_t Ask(std::span<const std::uint8_t> frame, int maxPolls, std::uint8_t replyCode) {
        return Ask(frame, maxPolls, replyCode, LogChoice{});
    }
    // Ask for values that stay put between two readings (settings, restriction entries):
    // each try asks twice and takes the reply only when both readings agree byte for byte,
    // since a byte garbled inside a value leaves the frame well formed. Readings that differ
    // fail the try, logged with `what`.
    std::size_t AskTwice(std::span<const std::uint8_t> frame, int maxPolls, std::uint8_t replyCode,
                         std::string_view what, LogChoice log, const ReplyFits& fits = {});
    // Whether `reply` answers `request` as Ask requires (logging why not).
    bool ReplyAnswers(std::span<const std::uint8_t> request, std::span<const std::uint8_t> reply,
                      std::uint8_t replyCode);
    // The port stopped taking requests (a write failed while no stop was asked for): it has
    // gone. Every later request fails at once; a line naming the port says so.
    bool PortGone() const { return portGone_.load(); }

    // ----- log
    // A progress line (new, appended to the last line, or replacing it).
    void LogLine(std::string_view text, bool newLine, bool append = false);
    // Traffic: direction 1 sent, 0 received, 0xFF not logged.
    void LogTraffic(const std::uint8_t* bytes, std::size_t count, int direction);

    // ----- connect sequence (worker thread)
    // Accepts (true) or rejects a reply; it is called with the reply buffer and count.
    using ReplyParser = std::function<bool(const std::uint8_t* reply, std::size_t count)>;

    // The first part of every worker: the " " line, a port left open is closed (and the
    // worker ends), an empty port name ends it, then opening the port at 9600 baud, purging
    // it and switching to 115200 baud, with their log lines. False when the worker is to end;
    // the port is closed then.
    bool OpenPort();
    // The Settings page's connection check: a serial-number request whose reply `parser`
    // must accept, else up to 20 wake-up requests. False (port closed) when none is accepted.
    bool VerifyConnection(const ReplyParser& parser);
    // OpenPort, then VerifyConnection when `check` is given.
    bool Connect(const ReplyParser* check);
    void ClosePort() { port_.Close(); }

    // Sleeps on the link's clock; false when a stop was requested.
    bool Sleep(Millis duration);

    // ----- worker (owner thread)
    using Work = std::function<void(DeviceLink&)>;
    // Stores the operation, then runs `work` on the worker thread unless a worker is already
    // running (then nothing more happens and the result is false). After `work` the port is
    // closed, and the finished listener is called on the worker thread.
    // With a `summary` title ("Read All from {unit}"; {unit} becomes "unit 300" or "the unit
    // on the cable"), the log ends with the operation's summary line unless a stop ended it.
    bool StartWorker(int operation, Work work, std::string summary = {});
    template <typename Code>
    requires std::is_enum_v<Code>
    bool StartWorker(Code operation, Work work, std::string summary = {}) {
        return StartWorker(static_cast<int>(operation), std::move(work), std::move(summary));
    }
    // Worker thread: the operation's own verdict for its summary line; without one the
    // summary goes by the failures its log reports.
    // `detail` ("3 of 4 units done") is added to the line.
    void ReportOutcome(bool succeeded, std::string detail = {}) {
        outcome_.store(succeeded ? 1 : 0);
        outcomeDetail_ = std::move(detail);
    }
    // Requests the worker to stop and waits up to `timeout` for it; every wait of the worker
    // ends within a few milliseconds of the request. True when no worker runs afterwards.
    bool FinishWorker(Millis timeout);
    // Between StartWorker and the end of the work.
    bool Busy() const { return busy_.load(); }
    // Waits until the worker has ended (tests, the command-line tool).
    void Wait() { worker_.Wait(); }
    // Called on the worker thread when a worker has finished (Busy() is false by then).
    void SetFinishedListener(std::function<void()> listener);

  private:
    void Report(std::span<const std::uint8_t> frame, std::size_t count, bool replyExpected);
    // Ask's tries, each with `readings` readings; two that differ are logged with `what`.
    std::size_t AskTries(std::span<const std::uint8_t> frame, int maxPolls, std::uint8_t replyCode,
                         LogChoice log, const ReplyFits& fits, Readings readings,
                         std::string_view what);
    // One try of Ask: the byte count of an accepted reply, else 0.
    std::size_t AskOnce(std::span<const std::uint8_t> frame, int maxPolls, std::uint8_t replyCode,
                        LogChoice log, const ReplyFits& fits);

    Clock& clock_;
    LogPane& log_;
    std::string portName_;
    Options options_;
    ExchangeObserver* observer_;
    SerialPort port_;
    std::atomic<std::uint16_t> unitAddress_{0};
    std::atomic<bool> local_{false};
    std::atomic<int> operation_{0};
    std::atomic<bool> stopFlag_{false};
    std::atomic<bool> trafficLogging_{true};
    std::atomic<bool> busy_{false};
    std::atomic<bool> portGone_{false};
    std::atomic<int> outcome_{-1};  // -1: not reported
    std::string outcomeDetail_;     // worker thread
    std::stop_token stop_;          // the running worker's; used on the worker thread only

    std::array<std::uint8_t, kMaxFrameSize> reply_{};
    std::array<std::uint8_t, kMaxFrameSize> scratch_{};
    std::size_t replyStored_ = 0;

    std::mutex listenerMutex_;
    std::function<void()> finishedListener_;

    // Last, so that it is destroyed (and the thread joined) before what the work uses.
    DeviceWorker worker_;
};

}  // namespace skelvane
