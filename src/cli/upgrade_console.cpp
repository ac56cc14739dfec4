#include "cli/upgrade_console.h"

#include <algorithm>
#include <ostream>

#include "base/format.h"
#include "base/latin1.h"

#if defined(_WIN32)
#include <io.h>
#include <stdio.h>
#else
#include <unistd.h>
#endif

namespace skelvane::cli {
namespace {

bool IsBlockLine(const std::string& line) {
    return line.rfind("Block ", 0) == 0;
}

bool EndsWith(const std::string& text, std::string_view end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

bool StandardOutputIsTerminal() {
#if defined(_WIN32)
    return _isatty(_fileno(stdout)) != 0;
#else
    return isatty(STDOUT_FILENO) != 0;
#endif
}

std::string UpgradeConsole::Bar(std::size_t done, std::size_t total, double blocksPerSecond) {
    constexpr std::size_t kWidth = 30;
    const std::size_t filled = total == 0 ? 0 : std::min(kWidth, done * kWidth / total);
    std::string bar(kWidth + 2, '.');
    bar.front() = '[';
    bar.back() = ']';
    std::fill_n(bar.begin() + 1, filled, '#');
    bar += Format("  %lu/%lu blocks", static_cast<unsigned long>(done),
                  static_cast<unsigned long>(total));
    if (blocksPerSecond > 0) {
        const auto left = static_cast<long>(static_cast<double>(total - done) / blocksPerSecond);
        bar += Format("  %.1f blocks/s  ", blocksPerSecond);
        bar += left >= 60 ? Format("%ld min %02ld s left", left / 60, left % 60)
                          : Format("%ld s left", left);
    }
    return bar;
}

void UpgradeConsole::Attach(LogPane& pane) {
    pane.SetListener(
        [this](LogPane::Event event, const std::string& text) { OnLine(event, text); });
}

void UpgradeConsole::OnLine(LogPane::Event event, const std::string& text) {
    std::lock_guard lock(mutex_);
    switch (event) {
        case LogPane::Event::Added:
            if (pending_) {
                Complete(*pending_);
            }
            pending_ = text;
            break;
        case LogPane::Event::Replaced:
            pending_ = text;
            break;
        case LogPane::Event::Cleared:
        case LogPane::Event::Trimmed:
            pending_.reset();
            break;
    }
    DrawStatus();
}

void UpgradeConsole::Complete(const std::string& line) {
    // On a terminal the bar stands for the blocks that went through.
    if (terminal_ && IsBlockLine(line) && EndsWith(line, " done.")) {
        return;
    }
    ClearStatus();
    out_ << Latin1ToUtf8(line) << '\n' << std::flush;
}

void UpgradeConsole::ClearStatus() {
    if (status_shown_) {
        out_ << "\r\x1b[K";
        status_shown_ = false;
    }
}

void UpgradeConsole::DrawStatus() {
    if (!terminal_) {
        return;
    }
    std::string status;
    if (total_ > 0 && done_ < total_) {
        const double seconds = static_cast<double>((clock_.Now() - started_).count()) / 1000.0;
        status = Bar(done_, total_, seconds > 0 ? static_cast<double>(done_) / seconds : 0.0);
    } else if (pending_ && !IsBlockLine(*pending_)) {
        status = Latin1ToUtf8(*pending_);
    }
    out_ << "\r\x1b[K" << status << std::flush;
    status_shown_ = true;
}

void UpgradeConsole::Progress(std::size_t done, std::size_t total) {
    std::lock_guard lock(mutex_);
    if (done <= 1 || total != total_) {
        started_ = clock_.Now();
    }
    done_ = done;
    total_ = total;
    DrawStatus();
}

void UpgradeConsole::Note(const std::string& text) {
    std::lock_guard lock(mutex_);
    ClearStatus();
    out_ << Latin1ToUtf8(text) << '\n' << std::flush;
    DrawStatus();
}

void UpgradeConsole::Finish() {
    std::lock_guard lock(mutex_);
    if (pending_) {
        Complete(*pending_);
        pending_.reset();
    }
    ClearStatus();
    total_ = 0;
    done_ = 0;
    out_ << std::flush;
}

}  // namespace skelvane::cli
