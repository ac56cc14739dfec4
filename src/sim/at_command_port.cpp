#include "sim/at_command_port.h"

#include <algorithm>

#include "base/format.h"

namespace skelvane::sim {
namespace {

// The bars of a sweep line count levels up from -111 dBm: '.' up to the mean, '*' from
// there to the peak.
constexpr int kBarFloor = -111;
// The most lines sent in one piece.
constexpr int kMaxLinesAtOnce = 6;

std::string SweepLine(int channel, const ChannelLevel& level) {
    std::string line = Format("ch %d %ddBm ", channel, level.mean);
    const int total = std::max(level.peak - kBarFloor, 0);
    int dots = std::clamp(level.mean - kBarFloor, 0, total);
    int stars = total - dots;
    // A single '*' would mark the mean only; the radio shows it as a '.' instead.
    if (stars == 1) {
        ++dots;
        stars = 0;
    }
    line.append(static_cast<std::size_t>(dots), '.');
    line.append(static_cast<std::size_t>(stars), '*');
    line += "\r\n";
    return line;
}

// The paging channel's line: its bar has one '.' less than the level above -111 dBm.
std::string PagingLine(const ChannelLevel& level) {
    std::string line = Format("Paging %ddBm ", level.mean);
    line.append(static_cast<std::size_t>(std::max(level.peak - kBarFloor - 1, 0)), '.');
    line += "\r\n";
    return line;
}

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

}  // namespace

AtCommandPort::AtCommandPort(AtCommandOptions options)
    : options_(std::move(options)), noise_(options_.seed), random_(options_.seed ^ 0x9E3779B9u) {}

void AtCommandPort::OnBytes(PortContext& port, std::span<const std::uint8_t> bytes) {
    std::string echo;
    const auto flushEcho = [&port, &echo] {
        if (!echo.empty()) {
            port.Send(Bytes(echo));
            echo.clear();
        }
    };
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::uint8_t byte = bytes[i];
        if (byte == '\r' || byte == '\n') {
            echo.push_back(static_cast<char>(byte));
            if (line_.empty()) {
                continue;
            }
            // CR LF ends one line, not two; and after a command that leaves command mode the
            // LF must not reach the diagnostic side.
            if (byte == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                echo.push_back('\n');
                ++i;
            }
            flushEcho();
            const std::string line = std::move(line_);
            line_.clear();
            Execute(port, line);
            if (port.Self().Mode() != UnitMode::Data) {
                // Left command mode: what follows is the diagnostic side's.
                if (PortHandler* next = port.Self().PortHandlerFor(port.Self().Mode());
                    next != nullptr && i + 1 < bytes.size()) {
                    next->OnBytes(port, bytes.subspan(i + 1));
                }
                return;
            }
            continue;
        }
        if (byte == 0x08) {
            if (!line_.empty()) {
                line_.pop_back();
                echo.push_back(static_cast<char>(byte));
            }
            continue;
        }
        if (byte < 0x20 || byte >= 0x7F) {
            if (line_.empty()) {
                // No command starts like this: a diagnostic client is talking.
                flushEcho();
                port.SetMode(UnitMode::Diagnostic);
                if (PortHandler* diagnostic = port.Self().PortHandlerFor(UnitMode::Diagnostic)) {
                    diagnostic->OnBytes(port, bytes.subspan(i));
                }
                return;
            }
            continue;  // line noise inside a command
        }
        // Escape characters in command mode mean nothing.
        if (line_.empty() && byte == '+') {
            continue;
        }
        if (line_.size() <= kMaxLine) {
            line_.push_back(static_cast<char>(byte));
        }
        echo.push_back(static_cast<char>(byte));
    }
    flushEcho();
}

void AtCommandPort::OnLineChange(PortContext& port, const LineState& previous) {
    const LineState& line = port.Line();
    if (port.Self().Mode() == UnitMode::Data &&
        ((previous.dtr && !line.dtr) || previous.baudRate != line.baudRate)) {
        port.SetMode(UnitMode::Diagnostic);
    }
}

void AtCommandPort::OnEnter(PortContext& /*port*/) {
    line_.clear();
}

void AtCommandPort::OnLeave(PortContext& /*port*/) {
    line_.clear();
    ++session_;
}

void AtCommandPort::Execute(PortContext& port, const std::string& line) {
    const std::string command = Upper(line);
    if (command.size() > kMaxLine || command.compare(0, 2, "AT") != 0) {
        SendLater(port, "ERROR\r\n", kResponseTime);
        return;
    }
    const std::string rest = command.substr(2);
    if (rest.empty()) {
        SendLater(port, "OK\r\n", kResponseTime);
    } else if (rest == "S103?") {
        const unsigned rate = port.Self().Register(options_.linkRateRegister);
        SendLater(port, Format("%u\r\nOK\r\n", rate), kResponseTime);
    } else if (rest == "I1") {
        SendLater(port, options_.model + "\r\nOK\r\n", kResponseTime);
    } else if (rest == "G") {
        Sweep(port);
    } else if (rest == "O" || rest == "CN") {
        port.Send(Bytes("OK\r\n"), kResponseTime);
        port.SetMode(UnitMode::Diagnostic);
    } else {
        SendLater(port, "ERROR\r\n", kResponseTime);
    }
}

void AtCommandPort::Sweep(PortContext& port) {
    ++sweeps_;
    const int rate = port.Self().Register(options_.linkRateRegister);
    const int channels = ScanChannelCount(options_.model, rate);
    const std::vector<ChannelLevel> levels = noise_.Sweep(channels);
    int last = channels;
    const double chance =
        options_.cutAnswerChance > 0 ? std::min(options_.cutAnswerChance, 1.0) : 0.0;
    const bool cut = channels > 1 && std::bernoulli_distribution(chance)(random_);
    if (cut) {
        last = std::uniform_int_distribution<int>(1, channels - 1)(random_);
    }
    std::uniform_int_distribution<int> piece(1, kMaxLinesAtOnce);
    std::string text;
    int lines = 0;
    int target = piece(random_);
    for (int c = 1; c <= last; ++c) {
        text += SweepLine(c, levels[static_cast<std::size_t>(c - 1)]);
        if (++lines == target || c == last) {
            SendLater(port, std::move(text), kResponseTime + c * kChannelDwell);
            text.clear();
            lines = 0;
            target = piece(random_);
        }
    }
    if (!cut) {
        const auto quietest = std::min_element(
            levels.begin(), levels.end(),
            [](const ChannelLevel& a, const ChannelLevel& b) { return a.mean < b.mean; });
        SendLater(port, PagingLine(*quietest) + "OK\r\n",
                  kResponseTime + (channels + 1) * kChannelDwell);
    }
}

void AtCommandPort::SendLater(PortContext& port, std::string text, Millis delay) {
    const std::weak_ptr<AtCommandPort> self = weak_from_this();
    const std::uint64_t session = session_;
    port.After(delay, [self, session, text = std::move(text)](PortContext& p) {
        const std::shared_ptr<AtCommandPort> me = self.lock();
        if (me != nullptr && me->session_ == session && p.Self().Mode() == UnitMode::Data) {
            p.Send(Bytes(text));
        }
    });
}

EscapeWatchPort::EscapeWatchPort(std::uint32_t baud)
    : baud_(baud), frames_(std::make_shared<DiagnosticPort>(baud)) {}

void EscapeWatchPort::OnBytes(PortContext& port, std::span<const std::uint8_t> bytes) {
    const Millis now = port.Now();
    if (!lastByte_ || now - *lastByte_ > kQuietBefore) {
        burst_.clear();
    }
    lastByte_ = now;
    ++bytesSeen_;
    for (std::size_t i = 0; i < bytes.size() && burst_.size() <= 3; ++i) {
        burst_.push_back(static_cast<char>(bytes[i]));
    }
    if (burst_ == "+++") {
        const std::weak_ptr<EscapeWatchPort> self = weak_from_this();
        const std::uint64_t seen = bytesSeen_;
        port.After(kGuard, [self, seen](PortContext& p) {
            const std::shared_ptr<EscapeWatchPort> me = self.lock();
            if (me != nullptr && me->bytesSeen_ == seen &&
                p.Self().Mode() == UnitMode::Diagnostic) {
                p.SetMode(UnitMode::Data);
            }
        });
    }
    frames_->OnBytes(port, bytes);
}

void EscapeWatchPort::OnLineChange(PortContext& port, const LineState& previous) {
    frames_->OnLineChange(port, previous);
}

void EscapeWatchPort::OnEnter(PortContext& /*port*/) {
    burst_.clear();
    lastByte_.reset();
}

void EscapeWatchPort::OnLeave(PortContext& /*port*/) {
    // A frame begun before command mode is not finished after it.
    frames_ = std::make_shared<DiagnosticPort>(baud_);
    burst_.clear();
}

bool InstallAtCommandSide(Unit& unit, AtCommandOptions options) {
    if (dynamic_cast<AtCommandPort*>(unit.PortHandlerFor(UnitMode::Data)) != nullptr) {
        return false;
    }
    if (options.seed == 0) {
        options.seed = 0x5CA70000u + unit.Ua();
    }
    unit.SetPortHandler(UnitMode::Diagnostic, std::make_shared<EscapeWatchPort>());
    unit.SetPortHandler(UnitMode::Data, std::make_shared<AtCommandPort>(std::move(options)));
    return true;
}

bool InstallAtCommandSide(Network& network, AtCommandOptions options) {
    return network.Locked(
        [&options](Network& net) { return InstallAtCommandSide(net.Local(), std::move(options)); });
}

}  // namespace skelvane::sim
