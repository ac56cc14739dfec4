#include "spectrum/at_exchange.h"

#include <algorithm>
#include <vector>

namespace skelvane {

bool SendAtCommand(SerialPort& port, std::string_view command) {
    std::string line(command);
    line += "\r\n";
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(line.data());
    return port.Write(bytes, line.size()) == line.size();
}

bool AnswerHasOk(std::string_view answer) {
    return answer.size() > 1 && answer.find("OK", 1) != std::string_view::npos;
}

std::string CollectAnswer(SerialPort& port, const AnswerLimits& limits) {
    std::string answer;
    std::vector<std::uint8_t> buffer(limits.perRead);
    for (int read = 0; read < limits.reads; ++read) {
        const std::size_t room = limits.capacity - answer.size();
        if (room == 0 || port.StopToken().stop_requested()) {
            break;
        }
        const std::size_t got = port.Read(buffer.data(), std::min(limits.perRead, room));
        answer.append(reinterpret_cast<const char*>(buffer.data()), got);
        if (got > 0 && AnswerHasOk(answer)) {
            break;
        }
    }
    return answer;
}

bool EnterCommandMode(SerialPort& port, Clock& clock, std::stop_token stop) {
    const auto* escape = reinterpret_cast<const std::uint8_t*>(kEscapeSequence.data());
    port.Write(escape, kEscapeSequence.size());
    if (!clock.SleepFor(kEscapeGuard, stop)) {
        return false;
    }
    SendAtCommand(port, kAttention);
    return AnswerHasOk(CollectAnswer(port, kCommandAnswer));
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
