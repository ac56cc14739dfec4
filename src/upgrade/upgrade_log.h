#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "base/log_pane.h"

namespace skelvane {

// The log of the upgrade dialogs: a pane that keeps every line, and, when a log file is
// named, one file line for every change of a pane line ("2008-05-01 13:45:12:007  " and the
// whole line as it now reads, CR LF). A line that grows by appended texts is therefore
// written once per stage, each time in full. Thread-safe: the dialog and its worker both
// write.
class UpgradeLog {
  public:
    explicit UpgradeLog(Clock& clock) : clock_(clock), pane_(0) {}

    // `newLine`: `text` becomes the new last line. Otherwise the last line becomes (last line
    // + text) with `append`, or `text` alone without it; nothing happens when the pane is
    // empty.
    void Line(std::string_view text, bool newLine, bool append = true);
    void Log(std::string_view text) { Line(text, true); }
    void Append(std::string_view text) { Line(text, false, true); }

    // An upgrade run starts, and ends with its summary line (see LogPane::EndOperation).
    void BeginOperation() { pane_.BeginOperation(clock_.Now()); }
    void EndOperation(std::string_view title, bool failed);

    // Empties the pane and leaves the single line " " (the file is not touched).
    void Clear();

    // The log file; empty means none. Set it while no worker runs.
    void SetFileName(std::string path);
    std::string FileName() const;

    // Creates `path` empty (an existing file is truncated). False when it cannot be created.
    static bool CreateFile(const std::string& path);

    LogPane& Pane() { return pane_; }
    std::vector<std::string> Lines() const { return pane_.Lines(); }
    std::string LastLine() const { return pane_.LastLine(); }

  private:
    void WriteFileLine(const std::string& line);

    Clock& clock_;
    mutable std::mutex mutex_;
    LogPane pane_;
    std::string file_name_;
};

// The timestamp that starts a log file line: "%04d-%02d-%02d %02d:%02d:%02d:%03d  ".
std::string LogFileStamp(const LocalTime& time);

}  // namespace skelvane
