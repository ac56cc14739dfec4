#include "base/log_pane.h"

#include "base/format.h"

namespace skelvane {

LogPane::LogPane(std::size_t cap) : cap_(cap) {}

void LogPane::TrimLocked() {
    if (cap_ != 0 && lines_.size() > cap_) {
        lines_.erase(lines_.begin(), lines_.begin() + static_cast<long>(lines_.size() - cap_));
    }
}

void LogPane::Line(std::string_view text, bool newLine, bool append) {
    Event event = Event::Added;
    std::string changed;
    {
        std::lock_guard lock(mutex_);
        TrimLocked();
        if (newLine) {
            lines_.emplace_back(text);
        } else if (lines_.empty()) {
            return;
        } else if (append) {
            lines_.back().append(text);
            event = Event::Replaced;
        } else {
            lines_.back().assign(text);
            event = Event::Replaced;
        }
        changed = lines_.back();
        ++revision_;
        summary_.Feed(text, newLine);
    }
    Notify(event, changed);
}

void LogPane::BeginOperation(Millis now) {
    std::lock_guard lock(mutex_);
    summary_.Begin(now);
}

void LogPane::EndOperation(std::string_view title, Millis now, std::optional<bool> failed,
                           std::string_view detail) {
    std::string line;
    {
        std::lock_guard lock(mutex_);
        if (!summary_.Active()) {
            return;
        }
        line = summary_.End(title, now, failed, detail);
    }
    Line(line, true);
}

void LogPane::Traffic(const std::uint8_t* bytes, std::size_t count, int direction) {
    if (direction != 0 && direction != 1) {
        return;
    }
    std::vector<std::string> added;
    added.emplace_back(count == 0 ? "" : (direction == 1 ? "TX:>>>>>" : "RX:<<<<<"));
    std::string row;
    for (std::size_t i = 0; i < count; ++i) {
        row += Format("%02X ", bytes[i]);
        if ((i + 1) % 16 == 0) {
            added.push_back(std::move(row));
            row.clear();
        }
    }
    if (!row.empty()) {
        added.push_back(std::move(row));
    }
    {
        std::lock_guard lock(mutex_);
        // Traffic alone (a long poll) must not grow the pane without bound either.
        TrimLocked();
        for (auto& line : added) {
            lines_.push_back(line);
        }
        ++revision_;
    }
    for (const auto& line : added) {
        Notify(Event::Added, line);
    }
}

void LogPane::Clear() {
    {
        std::lock_guard lock(mutex_);
        lines_.assign(1, " ");
        ++revision_;
    }
    Notify(Event::Cleared, " ");
}

std::vector<std::string> LogPane::Lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

std::size_t LogPane::Size() const {
    std::lock_guard lock(mutex_);
    return lines_.size();
}

std::string LogPane::LastLine() const {
    std::lock_guard lock(mutex_);
    return lines_.empty() ? std::string() : lines_.back();
}

long LogPane::Selected() const {
    std::lock_guard lock(mutex_);
    return static_cast<long>(lines_.size()) - 1;
}

std::uint64_t LogPane::Revision() const {
    std::lock_guard lock(mutex_);
    return revision_;
}

void LogPane::SetListener(Listener listener) {
    std::lock_guard lock(mutex_);
    listener_ = std::move(listener);
}

void LogPane::Notify(Event event, const std::string& text) {
    Listener listener;
    {
        std::lock_guard lock(mutex_);
        listener = listener_;
    }
    if (listener) {
        listener(event, text);
    }
}

namespace {

bool isByteDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// The length of the bytes ("%02X " each) a line starts with; 0 when it starts with none.
std::size_t bytesPrefix(std::string_view line) {
    std::size_t i = 0;
    while (i + 3 <= line.size() && isByteDigit(line[i]) && isByteDigit(line[i + 1]) &&
           line[i + 2] == ' ') {
        i += 3;
    }
    return i;
}

}  // namespace

std::vector<std::string> WithoutTraffic(const std::vector<std::string>& lines) {
    std::vector<std::string> shown;
    bool inTraffic = false;
    for (const std::string& line : lines) {
        if (line == "TX:>>>>>" || line == "RX:<<<<<") {
            inTraffic = true;
            continue;
        }
        if (line.empty()) {  // a frame without bytes: nothing follows it
            inTraffic = false;
            continue;
        }
        const std::size_t bytes = inTraffic ? bytesPrefix(line) : 0;
        if (bytes == 0) {
            inTraffic = false;
            shown.push_back(line);
            continue;
        }
        if (bytes < line.size()) {
            const std::string_view result = std::string_view(line).substr(bytes);
            if (shown.empty()) {
                shown.emplace_back(result);
            } else {
                shown.back() += result;
            }
            inTraffic = false;
        }
    }
    return shown;
}

}  // namespace skelvane
