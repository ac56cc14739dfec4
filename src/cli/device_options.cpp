#include "cli/device_options.h"

#include <ostream>

#include "base/latin1.h"
#include "link/port_settings.h"

namespace skelvane::cli {

void AddPortOption(CLI::App& command, std::string& port) {
    command.add_option("--port", port, "Serial port (default: the saved port setting)")
        ->check([](const std::string& value) {
            return value.empty() ? std::string("the port name is empty") : std::string();
        });
}

void AddUnitOptions(CLI::App& command, UnitOptions& options) {
    AddPortOption(command, options.port);
    auto* unit = command.add_option_group("unit", "The unit to talk to");
    unit->add_flag("--local", options.local, "The unit on the cable");
    unit->add_option("--remote", options.remote, "A unit reached through it, by unit address")
        ->check(CLI::Range(1, 65534));
    unit->require_option(1);
}

void AddBlockOptions(CLI::App& command, BlockOptions& options) {
    AddUnitOptions(command, options.unit);
    command.add_option("FILE", options.file, "Network file")->required();
    command.add_option("BLOCK", options.block, "Name of the block")->required();
}

std::string PortName(const std::string& port) {
    return port.empty() ? LoadPortSettings().portName : port;
}

Block* FindBlockByName(Block* root, std::string_view name) {
    for (Block* block = root; block != nullptr; block = block->NextSibling()) {
        if (block->Name() == name) {
            return block;
        }
        if (Block* inner = FindBlockByName(block->FirstChild(), name)) {
            return inner;
        }
    }
    return nullptr;
}

Block* ReadBlockOfFile(Context& ctx, NetworkFile& document, Prompter& prompter,
                       const std::string& file, const std::string& blockName) {
    if (!document.Read(file, prompter)) {
        ctx.exitCode = 1;
        return nullptr;
    }
    Block* block = FindBlockByName(document.Root(), Utf8ToLatin1(blockName));
    if (block == nullptr || block->Kind() == BlockKind::Network) {
        *ctx.err << "No radio block named \"" << blockName << "\" in " << file << "\n";
        ctx.exitCode = 1;
        return nullptr;
    }
    return block;
}

LogPrinter::LogPrinter(std::ostream& out, LogPane& pane) : out_(out), pane_(pane) {
    pane_.SetListener(
        [this](LogPane::Event event, const std::string& text) { OnEvent(event, text); });
}

LogPrinter::~LogPrinter() {
    pane_.SetListener(nullptr);
    Finish();
}

void LogPrinter::EndLineLocked() {
    if (open_) {
        out_ << '\n';
        open_ = false;
    }
}

void LogPrinter::OnEvent(LogPane::Event event, const std::string& text) {
    std::lock_guard lock(mutex_);
    if (event == LogPane::Event::Replaced && open_ && text.starts_with(printed_)) {
        out_ << Latin1ToUtf8(std::string_view(text).substr(printed_.size()));
    } else {
        EndLineLocked();
        out_ << Latin1ToUtf8(text);
    }
    printed_ = text;
    open_ = true;
    out_.flush();
}

void LogPrinter::Print(std::string_view text) {
    std::lock_guard lock(mutex_);
    EndLineLocked();
    out_ << text << '\n';
    out_.flush();
}

void LogPrinter::Finish() {
    std::lock_guard lock(mutex_);
    EndLineLocked();
    out_.flush();
}

}  // namespace skelvane::cli
