#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <iosfwd>
#include <mutex>
#include <string>
#include <string_view>

#include "base/log_pane.h"
#include "base/prompter.h"
#include "cli/command.h"
#include "document/block.h"
#include "document/link_id_counter.h"
#include "document/network_file.h"

namespace skelvane::cli {

// The options every command that talks to a radio takes: the port (the saved port setting
// when not given) and exactly one of --local and --remote UA.
struct UnitOptions {
    std::string port;
    bool local = false;
    std::uint32_t remote = 0;
};

// --port NAME; an empty name is a usage error (leave the option out for the saved port).
void AddPortOption(CLI::App& command, std::string& port);
void AddUnitOptions(CLI::App& command, UnitOptions& options);
// The port given, or the saved port setting when none was.
std::string PortName(const std::string& port);
inline std::string PortName(const UnitOptions& options) {
    return PortName(options.port);
}

// The first block of that name in the tree (exact match), or nullptr.
Block* FindBlockByName(Block* root, std::string_view name);

// Reads `file` into `document` and finds its radio block named `blockName` (UTF-8). nullptr,
// with exit code 1 and the reason shown, when the file cannot be read or has no such block.
Block* ReadBlockOfFile(Context& ctx, NetworkFile& document, Prompter& prompter,
                       const std::string& file, const std::string& blockName);

// What a command on one radio block of a network file takes: the unit options, FILE and BLOCK.
struct BlockOptions {
    UnitOptions unit;
    std::string file;
    std::string block;
};
void AddBlockOptions(CLI::App& command, BlockOptions& options);

// The network file of a command's options, read, and its radio block of that name.
class BlockOfFile {
  public:
    // Get() is nullptr, with exit code 1 and the reason shown, when it could not be read.
    BlockOfFile(Context& ctx, Prompter& prompter, const BlockOptions& options)
        : file_(options.file),
          block_(ReadBlockOfFile(ctx, document_, prompter, options.file, options.block)) {}
    BlockOfFile(const BlockOfFile&) = delete;
    BlockOfFile& operator=(const BlockOfFile&) = delete;

    Block* Get() const { return block_; }
    // Writes the file back where it was read from.
    bool Save(Prompter& prompter) { return document_.Save(file_, prompter); }

  private:
    LinkIdCounter ids_;
    NetworkFile document_{ids_};
    std::string file_;
    Block* block_;
};

// Prints a log pane's lines as they appear: a new line starts a new output line, words
// appended to the last line follow it on the same output line, and a replaced line is printed
// again on a line of its own. Texts go out as UTF-8. Output of the command itself goes through
// Print, so that it never lands in the middle of a log line.
class LogPrinter {
  public:
    LogPrinter(std::ostream& out, LogPane& pane);
    ~LogPrinter();
    LogPrinter(const LogPrinter&) = delete;
    LogPrinter& operator=(const LogPrinter&) = delete;

    // Ends the current log line, then prints `text` and a line break.
    void Print(std::string_view text);
    // Ends the current log line.
    void Finish();

  private:
    void OnEvent(LogPane::Event event, const std::string& text);
    void EndLineLocked();

    std::ostream& out_;
    LogPane& pane_;
    std::mutex mutex_;
    std::string printed_;  // the log line printed last, as far as it went
    bool open_ = false;    // that line still waits for its line break
};

}  // namespace skelvane::cli
