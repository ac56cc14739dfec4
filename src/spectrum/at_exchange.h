#pragma once

#include <cstddef>
#include <stop_token>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "link/serial_port.h"

namespace skelvane {

// The AT commands of the radio's data port.
inline constexpr std::string_view kEscapeSequence = "+++";
inline constexpr std::string_view kAttention = "AT";
inline constexpr std::string_view kReadLinkRate = "ATS103?";
inline constexpr std::string_view kReadModel = "ATI1";
inline constexpr std::string_view kScan = "ATg";

// The radio needs this much silence after the escape sequence before it takes commands.
inline constexpr Millis kEscapeGuard{1200};

// How an answer is collected: bytes asked for per read, the most bytes kept, the most reads.
struct AnswerLimits {
    std::size_t perRead;
    std::size_t capacity;
    int reads;
};
// The short commands: one 64-byte buffer, 20 reads.
inline constexpr AnswerLimits kCommandAnswer{64, 64, 20};
// The scan: reads of 256 bytes into a 40960-byte buffer, 5000 reads.
inline constexpr AnswerLimits kScanAnswer{256, 40960, 5000};

// Drains what is still waiting (the end of an earlier answer), then writes a command
// followed by CR LF. False when not every byte went out; `failure` then gets the line that
// says so, naming the port.
bool SendAtCommand(SerialPort& port, std::string_view command, std::string* failure = nullptr);

// Reads until the answer holds "OK" at `okFrom` or later, the reads are used up, the buffer
// is full or the port's stop token asks to stop. Each read asks for no more than the buffer
// has room for, so nothing is ever taken beyond the capacity; what the radio sends beyond it
// stays with the port.
std::string CollectAnswer(SerialPort& port, const AnswerLimits& limits, std::size_t okFrom = 1);

// Whether an answer holds "OK" at `okFrom` or later: after its first character, unless said
// otherwise.
bool AnswerHasOk(std::string_view answer, std::size_t okFrom = 1);

// Sends the escape sequence, waits out the guard time and sends "AT"; true when the answer
// holds "OK" (a radio that does not echo answers with "OK" first). False at once when
// `stop` is requested during the guard time, and when a write fails (`failure` as above).
bool EnterCommandMode(SerialPort& port, Clock& clock, std::stop_token stop,
                      std::string* failure = nullptr);

// The line after the echoed command and its line break, up to the next CR or LF, at most
// `maxLength` characters. When the radio did not echo the command, the answer's first line
// is taken.
std::string AnswerLine(std::string_view answer, std::string_view command,
                       std::size_t maxLength = std::string::npos);

}  // namespace skelvane
