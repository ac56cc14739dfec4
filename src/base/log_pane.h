#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "base/operation_summary.h"

namespace skelvane {

// The progress and traffic lines of a device dialog. Headless and thread-safe: the worker
// writes, the GUI (or the command-line tool) observes. Lines are Latin-1.
class LogPane {
  public:
    // What happened to the pane; the listener gets the affected line's new text.
    enum class Event { Added, Replaced, Cleared, Trimmed };
    using Listener = std::function<void(Event, const std::string&)>;

    // `cap` = the most lines kept before the oldest are dropped; 0 keeps every line.
    explicit LogPane(std::size_t cap = 1000);

    // A progress line: `newLine` adds `text` as the last line; otherwise, when the pane is not
    // empty, the last line becomes (last line + text) with `append`, or `text` without it.
    // Before writing, lines above the cap are dropped from the top.
    void Line(std::string_view text, bool newLine, bool append = false);

    // Traffic: direction 1 = sent ("TX:>>>>>"), 0 = received ("RX:<<<<<"), 0xFF = not
    // logged. The bytes follow as "%02X " sixteen to a line. A count of 0 adds an empty line.
    void Traffic(const std::uint8_t* bytes, std::size_t count, int direction);

    // An operation starts at `now`: its progress lines from here on are followed so that
    // EndOperation can name the step that failed.
    void BeginOperation(Millis now);
    // Adds the line that ends the operation begun last (see OperationSummary::End); nothing
    // when none is running.
    void EndOperation(std::string_view title, Millis now, std::optional<bool> failed = std::nullopt,
                      std::string_view detail = {});

    // Empties the pane and adds the single line " ".
    void Clear();

    std::vector<std::string> Lines() const;
    std::size_t Size() const;
    std::string LastLine() const;
    // Index of the selected line (always the last one); -1 when empty.
    long Selected() const;
    // Grows by one with every change, for observers that poll.
    std::uint64_t Revision() const;

    // Called after every change, on the writer's thread, outside the pane's lock.
    void SetListener(Listener listener);

  private:
    void TrimLocked();
    void Notify(Event event, const std::string& text);

    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
    std::size_t cap_;
    std::uint64_t revision_ = 0;
    Listener listener_;
    OperationSummary summary_;
};

// A pane's lines without its traffic: the "TX:>>>>>" and "RX:<<<<<" lines, the lines of
// bytes after them and the empty line of an empty frame are left out, and a step's result
// that was appended to a line of bytes (" passed.", "Failed.") goes to the line before, so
// that "Verify connection ..." and its result read as one line.
std::vector<std::string> WithoutTraffic(const std::vector<std::string>& lines);

}  // namespace skelvane
