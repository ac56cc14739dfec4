#include "upgrade/upgrade_log.h"

#include <cstdio>

#include "base/format.h"

namespace skelvane {

std::string LogFileStamp(const LocalTime& t) {
    return Format("%04d-%02d-%02d %02d:%02d:%02d:%03d  ", t.year, t.month, t.day, t.hour, t.minute,
                  t.second, t.millisecond);
}

void UpgradeLog::Line(std::string_view text, bool newLine, bool append) {
    std::lock_guard lock(mutex_);
    if (!newLine && pane_.Size() == 0) {
        return;  // nothing selected to add to
    }
    pane_.Line(text, newLine, append);
    if (!file_name_.empty()) {
        WriteFileLine(pane_.LastLine());
    }
}

void UpgradeLog::EndOperation(std::string_view title, bool failed) {
    std::lock_guard lock(mutex_);
    pane_.EndOperation(title, clock_.Now(), failed);
    if (!file_name_.empty()) {
        WriteFileLine(pane_.LastLine());
    }
}

void UpgradeLog::Clear() {
    std::lock_guard lock(mutex_);
    pane_.Clear();
}

void UpgradeLog::SetFileName(std::string path) {
    std::lock_guard lock(mutex_);
    file_name_ = std::move(path);
}

std::string UpgradeLog::FileName() const {
    std::lock_guard lock(mutex_);
    return file_name_;
}

bool UpgradeLog::CreateFile(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    return std::fclose(file) == 0;
}

void UpgradeLog::WriteFileLine(const std::string& line) {
    // Opened and closed for every line, so the file is complete whenever the program stops
    // and another program may read it meanwhile. A file that cannot be opened loses the line.
    std::FILE* file = std::fopen(file_name_.c_str(), "ab");
    if (file == nullptr) {
        return;
    }
    const std::string text = LogFileStamp(clock_.LocalNow()) + line + "\r\n";
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
}

}  // namespace skelvane
