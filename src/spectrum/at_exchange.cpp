#include "spectrum/at_exchange.h"

#include <algorithm>
#include <array>
#include <vector>

#include "base/format.h"

namespace skelvane {

namespace {

bool WriteAll(SerialPort& port, std::string_view text, std::string* failure) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const std::size_t written = port.Write(bytes, text.size());
    if (written == text.size()) {
        return true;
    }
    if (failure != nullptr) {
        *failure =
            Format("Writing to %s failed: %lu of %lu bytes went out.", port.PortName().c_str(),
                   static_cast<unsigned long>(written), static_cast<unsigned long>(text.size()));
    }
    return false;
}

void DrainStale(SerialPort& port) {
    // Reads that do not wait; a radio that keeps talking is not drained for ever.
    constexpr int kReads = 64;
    port.SetTimeouts(0, 1, 0, 1, 1500);
    std::array<std::uint8_t, 256> buffer;
    for (int read = 0; read < kReads && port.Read(buffer.data(), buffer.size()) > 0; ++read) {
    }
    port.SetTimeouts(kMaxDword, kMaxDword, PortTimeouts{}.readConstant, 1, 1500);
}

}  // namespace

bool SendAtCommand(SerialPort& port, std::string_view command, std::string* failure) {
    DrainStale(port);
    std::string line(command);
    line += "\r\n";
    return WriteAll(port, line, failure);
}

bool AnswerHasOk(std::string_view answer, std::size_t okFrom) {
    return answer.size() > okFrom && answer.find("OK", okFrom) != std::string_view::npos;
}

std::string CollectAnswer(SerialPort& port, const AnswerLimits& limits, std::size_t okFrom) {
    std::string answer;
    std::vector<std::uint8_t> buffer(limits.perRead);
    for (int read = 0; read < limits.reads; ++read) {
        const std::size_t room = limits.capacity - answer.size();
        if (room == 0 || port.StopToken().stop_requested()) {
            break;
        }
        const std::size_t got = port.Read(buffer.data(), std::min(limits.perRead, room));
        answer.append(reinterpret_cast<const char*>(buffer.data()), got);
        if (got > 0 && AnswerHasOk(answer, okFrom)) {
            break;
        }
    }
    return answer;
}

bool EnterCommandMode(SerialPort& port, Clock& clock, std::stop_token stop, std::string* failure) {
    if (!WriteAll(port, kEscapeSequence, failure) || !clock.SleepFor(kEscapeGuard, stop) ||
        !SendAtCommand(port, kAttention, failure)) {
        return false;
    }
    return AnswerHasOk(CollectAnswer(port, kCommandAnswer, 0), 0);
}

std::string AnswerLine(std::string_view answer, std::string_view command, std::size_t maxLength) {
    std::size_t start = 0;
    if (const std::size_t echo = answer.find(command);
        !command.empty() && echo != std::string_view::npos) {
        start = echo + command.size();
    }
    // One line break: CR LF, or a lone CR or LF.
    if (start < answer.size() && answer[start] == '\r') {
        ++start;
    }
    if (start < answer.size() && answer[start] == '\n') {
        ++start;
    }
    const std::string_view rest = answer.substr(std::min(start, answer.size()));
    const std::size_t end = std::min(rest.find_first_of("\r\n"), maxLength);
    return std::string(rest.substr(0, end));
}

}  // namespace skelvane
