#include "link/device_link.h"

#include <algorithm>
#include <cstring>

#include "base/format.h"
#include "base/operation_summary.h"

namespace skelvane {
namespace {

constexpr std::uint32_t kDiagnosticBaud = 115200;
constexpr Millis kLocalSettle{50};
constexpr Millis kRemoteSettle{200};
constexpr Millis kReceivePoll{1};
constexpr Millis kFirstBytePoll{5};
constexpr int kFirstBytePolls = 20;
constexpr int kCheckPolls = 100;
constexpr int kWakeUpPolls = 20;
constexpr int kWakeUpAttempts = 20;
constexpr int kAskRetries = 2;
constexpr int kDrainReads = 50;
constexpr std::uint8_t kGroupCount = 7;
constexpr unsigned kRegistersPerGroup = 0x20;
// After a stop: a remote unit's reply comes within about 300 ms of quiet (50 reads of 6 ms).
constexpr int kDrainQuietReads = 50;
constexpr int kDrainMaxReads = 150;

}  // namespace

DeviceLink::DeviceLink(Clock& clock, LogPane& log, const PortFactory& ports, std::string portName,
                       Options options)
    : clock_(clock),
      log_(log),
      portName_(std::move(portName)),
      options_(options),
      observer_(ports.GetExchangeObserver()),
      port_(ports) {}

DeviceLink::DeviceLink(Clock& clock, LogPane& log, const PortFactory& ports, std::string portName)
    : DeviceLink(clock, log, ports, std::move(portName), Options{}) {}

DeviceLink::~DeviceLink() {
    worker_.RequestStop();
    worker_.Wait();
}

std::vector<std::uint8_t> DeviceLink::MakeFrame(std::uint8_t code,
                                                std::span<const std::uint8_t> payload) const {
    return BuildFrame(RequestUa(), code, payload);
}

bool DeviceLink::Sleep(Millis duration) {
    return clock_.SleepFor(duration, stop_);
}

bool DeviceLink::SendFrame(const std::uint8_t* frame, std::size_t length,
                           std::uint8_t expectedFirstByte) {
    // A frame that did not go out whole cannot be answered; saying so here keeps a dead port
    // from passing for a write that worked.
    if (frame == nullptr || length == 0 || portGone_.load()) {
        return false;
    }
    if (port_.Write(frame, length) != length) {
        if (!StopFlag()) {
            portGone_.store(true);
            LogLine(Format("The port %s does not work any more.", portName_.c_str()), true);
        }
        return false;
    }
    // The frame is out even when a stop cuts the settling time short; the reply collection
    // that follows then ends at once.
    const bool settled = Sleep(Local() ? kLocalSettle : kRemoteSettle);
    if (expectedFirstByte == 0xFF) {
        return true;
    }
    if (!settled) {
        return false;
    }
    for (int poll = 0; poll < kFirstBytePolls; ++poll) {
        if (!Sleep(kFirstBytePoll)) {
            return false;
        }
        const std::size_t got = port_.Read(scratch_.data(), scratch_.size());
        if (got > 0 && scratch_[0] == expectedFirstByte) {
            return true;
        }
    }
    return false;
}

std::size_t DeviceLink::ReceiveReply(int maxPolls) {
    std::size_t received = 0;
    replyStored_ = 0;
    for (int poll = 0; poll < maxPolls; ++poll) {
        if (!Sleep(kReceivePoll)) {
            break;
        }
        const std::size_t got = port_.Read(scratch_.data(), scratch_.size());
        if (got > 0) {
            const std::size_t room = reply_.size() - replyStored_;
            const std::size_t keep = std::min(got, room);
            std::memcpy(reply_.data() + replyStored_, scratch_.data(), keep);
            replyStored_ += keep;
            received += got;
        }
        if (received > 0 && received == static_cast<std::size_t>(reply_[0]) + 1) {
            break;
        }
        if (StopFlag()) {
            break;
        }
    }
    return received;
}

std::span<const std::uint8_t> DeviceLink::ReplyBytes() const {
    return std::span<const std::uint8_t>(reply_.data(), replyStored_);
}

bool DeviceLink::CheckReply(const std::uint8_t* buffer, std::size_t count) {
    // Four bytes at least: a reply must carry its code before anything can be made of it.
    if (buffer == nullptr || count < kFrameHeaderSize || count > kMaxFrameSize ||
        buffer[0] != count - 1) {
        LogLine("Errors in the responses!", true);
        return false;
    }
    SetUnitAddress(static_cast<std::uint32_t>(buffer[1]) << 8 | buffer[2]);
    return true;
}

std::size_t DeviceLink::Exchange(std::span<const std::uint8_t> frame, int maxPolls, LogChoice log) {
    if (log.request) {
        LogTraffic(frame.data(), frame.size(), 1);
    }
    if (!SendFrame(frame.data(), frame.size(), 0xFF)) {
        return 0;
    }
    const std::size_t count = ReceiveReply(maxPolls);
    if (log.reply) {
        LogTraffic(reply_.data(), std::min(count, replyStored_), 0);
    }
    Report(frame, count, true);
    return count;
}

bool DeviceLink::ReplyAnswers(std::span<const std::uint8_t> request,
                              std::span<const std::uint8_t> reply, std::uint8_t replyCode) {
    const auto error = [this] {
        LogLine("Errors in the responses!", true);
        return false;
    };
    if (reply.size() < kFrameHeaderSize || reply.size() > kMaxFrameSize ||
        reply[0] != reply.size() - 1) {
        return error();
    }
    if (reply[3] != replyCode) {
        LogLine("Unknown responses!", true);
        return false;
    }
    const std::uint16_t asked = request.size() >= kFrameHeaderSize
                                    ? static_cast<std::uint16_t>(request[1] << 8 | request[2])
                                    : 0;
    if (asked != 0 && (reply[1] << 8 | reply[2]) != asked) {
        return error();
    }
    if (replyCode != reply::kRegisters || request.size() < kFrameHeaderSize) {
        return true;
    }
    // Which registers the request may be answered with, and how often (a register asked for
    // twice comes back twice).
    std::array<int, 256> allowed{};
    if (request[3] < kGroupCount) {
        for (unsigned i = 0; i < kRegistersPerGroup; ++i) {
            allowed[request[3] * kRegistersPerGroup + i] = 1;
        }
    } else {
        for (std::size_t at = kFrameHeaderSize; at < request.size(); ++at) {
            ++allowed[request[at]];
        }
    }
    if ((reply.size() - kFrameHeaderSize) % 2 != 0) {
        return error();
    }
    for (std::size_t at = kFrameHeaderSize; at + 1 < reply.size(); at += 2) {
        if (--allowed[reply[at]] < 0) {
            return error();
        }
    }
    return true;
}

std::size_t DeviceLink::Ask(std::span<const std::uint8_t> frame, int maxPolls,
                            std::uint8_t replyCode, LogChoice log, const ReplyFits& fits) {
    return AskTries(frame, maxPolls, replyCode, log, fits, Readings::One, {});
}

std::size_t DeviceLink::AskTwice(std::span<const std::uint8_t> frame, int maxPolls,
                                 std::uint8_t replyCode, std::string_view what, LogChoice log,
                                 const ReplyFits& fits) {
    return AskTries(frame, maxPolls, replyCode, log, fits, Readings::Two,
                    what.empty() ? "reply" : what);
}

std::size_t DeviceLink::AskTries(std::span<const std::uint8_t> frame, int maxPolls,
                                 std::uint8_t replyCode, LogChoice log, const ReplyFits& fits,
                                 Readings readings, std::string_view what) {
    for (int attempt = 0; attempt <= kAskRetries; ++attempt) {
        if (StopFlag() || portGone_.load()) {
            return 0;
        }
        if (attempt > 0) {
            LogLine(OperationSummary::AskingAgain(attempt, kAskRetries), true);
            // What is still on its way from the last try would be taken for this reply.
            for (int read = 0; read < kDrainReads && !StopFlag(); ++read) {
                if (port_.Read(scratch_.data(), scratch_.size()) == 0) {
                    break;
                }
            }
            port_.Purge();
        }
        const std::size_t count = AskOnce(frame, maxPolls, replyCode, log, fits);
        if (count == 0) {
            continue;
        }
        if (readings == Readings::One) {
            return count;
        }
        const std::vector<std::uint8_t> first(reply_.begin(), reply_.begin() + count);
        const std::size_t again = AskOnce(frame, maxPolls, replyCode, log, fits);
        if (again == 0) {
            continue;
        }
        if (again == count && std::equal(first.begin(), first.end(), reply_.begin())) {
            return count;
        }
        LogLine(std::string(what) + ": the two readings differ!", true);
    }
    return 0;
}

std::size_t DeviceLink::AskOnce(std::span<const std::uint8_t> frame, int maxPolls,
                                std::uint8_t replyCode, LogChoice log, const ReplyFits& fits) {
    const std::size_t count = Exchange(frame, maxPolls, log);
    if (count == 0) {
        return 0;
    }
    if (count > replyStored_) {
        LogLine("Errors in the responses!", true);
    } else if (ReplyAnswers(frame, ReplyBytes(), replyCode)) {
        if (!fits || fits(ReplyBytes())) {
            return count;
        }
        LogLine("Errors in the responses!", true);
    }
    return 0;
}

bool DeviceLink::Command(std::span<const std::uint8_t> frame, int maxPolls, LogChoice log) {
    if (log.request) {
        LogTraffic(frame.data(), frame.size(), 1);
    }
    if (!SendFrame(frame.data(), frame.size(), 0xFF)) {
        return false;
    }
    const std::size_t count = ReceiveReply(maxPolls);
    if (log.reply) {
        LogTraffic(reply_.data(), std::min(count, replyStored_), 0);
    }
    Report(frame, count, false);
    return true;
}

void DeviceLink::Report(std::span<const std::uint8_t> frame, std::size_t count,
                        bool replyExpected) {
    // A wait cut short by a stop says nothing about the unit, and more bytes than a frame
    // holds are no reply of anyone's.
    if (observer_ == nullptr || (count == 0 && StopFlag()) || count > replyStored_) {
        return;
    }
    observer_->ExchangeDone(portName_, frame, ReplyBytes(), replyExpected);
}

void DeviceLink::LogLine(std::string_view text, bool newLine, bool append) {
    if (options_.silentWhileStopping && StopFlag()) {
        return;
    }
    log_.Line(text, newLine, append);
}

void DeviceLink::LogTraffic(const std::uint8_t* bytes, std::size_t count, int direction) {
    if (direction == 0xFF || !trafficLogging_.load() ||
        (options_.silentWhileStopping && StopFlag())) {
        return;
    }
    log_.Traffic(bytes, count, direction);
}

bool DeviceLink::OpenPort() {
    LogLine(" ", true);
    if (port_.IsOpen()) {
        // Left open by a worker that was ended from outside: this start only closes it.
        port_.Close();
        return false;
    }
    if (portName_.empty()) {
        return false;
    }
    LogLine("Opening serial port ", true);
    LogLine(portName_, false, true);
    if (!port_.Open(portName_)) {
        LogLine(" ... failed.", false, true);
        if (!port_.OpenFailureHint().empty()) {
            LogLine(port_.OpenFailureHint(), true);
        }
        port_.Close();
        return false;
    }
    port_.Purge();
    portGone_.store(false);
    LogLine(" ... done.", false, true);
    LogLine("Changing baud rate to 115,200 ...", true);
    if (!port_.SetBaudRate(kDiagnosticBaud)) {
        LogLine("Failed.", false, true);
        port_.Close();
        return false;
    }
    LogLine(" passed.", false, true);
    return true;
}

bool DeviceLink::VerifyConnection(const ReplyParser& parser) {
    const auto accepted = [this, &parser](std::size_t count) {
        // A remote request is answered only by the unit it was sent to.
        const std::uint16_t asked = RequestUa();
        if (count >= kFrameHeaderSize && count <= replyStored_ && asked != 0 &&
            (reply_[1] << 8 | reply_[2]) != asked) {
            LogLine("Errors in the responses!", true);
            return false;
        }
        return count > 0 && parser(reply_.data(), count);
    };
    port_.Purge();
    LogLine("Verify connection ...", true);
    bool connected = accepted(Exchange(MakeFrame(request::kReadSerialNumber), kCheckPolls));
    if (!connected) {
        LogLine("Failed.", false, true);
        LogLine("Wake up ...", true);
        const std::vector<std::uint8_t> wakeUp = MakeFrame(request::kWakeUp);
        for (int attempt = 0; attempt < kWakeUpAttempts && !StopFlag(); ++attempt) {
            if (accepted(Exchange(wakeUp, kWakeUpPolls))) {
                connected = true;
                break;
            }
        }
        if (!connected) {
            LogLine("Failed.", false, true);
            port_.Close();
            return false;
        }
    }
    LogLine(" passed.", false, true);
    return true;
}

bool DeviceLink::Connect(const ReplyParser* check) {
    if (!OpenPort()) {
        return false;
    }
    return check == nullptr || VerifyConnection(*check);
}

bool DeviceLink::StartWorker(int operation, Work work, std::string summary) {
    SetOperation(operation);
    if (busy_.load()) {
        return false;
    }
    if (worker_.Running()) {
        // The last worker has told its listener and is on its way out.
        worker_.Wait();
    }
    busy_.store(true);
    stopFlag_.store(false);
    outcome_.store(-1);
    outcomeDetail_.clear();
    if (const std::size_t at = summary.find("{unit}"); at != std::string::npos) {
        summary.replace(at, 6,
                        Local() ? std::string("the unit on the cable")
                                : Format("unit %u", static_cast<unsigned>(UnitAddress())));
    }
    if (portName_.empty()) {
        summary.clear();  // with no port nothing is tried, so there is nothing to sum up
    }
    const bool started = worker_.Start(
        [this, work = std::move(work), summary = std::move(summary)](std::stop_token stop) {
            stop_ = stop;
            port_.SetStopToken(stop);
            std::stop_callback raiseFlag(stop, [this] { stopFlag_.store(true); });
            if (!summary.empty()) {
                log_.BeginOperation(clock_.Now());
            }
            work(*this);
            if (stop.stop_requested()) {
                port_.DrainInput(kDrainQuietReads, kDrainMaxReads);
            }
            port_.Close();
            if (!summary.empty() && !stop.stop_requested()) {
                const int outcome = outcome_.load();
                log_.EndOperation(summary, clock_.Now(),
                                  outcome < 0 ? std::nullopt : std::optional<bool>(outcome == 0),
                                  outcomeDetail_);
            }
        },
        [this] {
            stopFlag_.store(false);
            busy_.store(false);
            std::function<void()> listener;
            {
                std::lock_guard lock(listenerMutex_);
                listener = finishedListener_;
            }
            if (listener) {
                listener();
            }
        });
    if (!started) {
        busy_.store(false);
    }
    return started;
}

bool DeviceLink::FinishWorker(Millis timeout) {
    return worker_.Finish(timeout);
}

void DeviceLink::SetFinishedListener(std::function<void()> listener) {
    std::lock_guard lock(listenerMutex_);
    finishedListener_ = std::move(listener);
}

}  // namespace skelvane
