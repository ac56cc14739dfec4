#include "cli/network_console.h"

#include <algorithm>
#include <ostream>
#include <sstream>

#include "base/format.h"
#include "base/latin1.h"
#include "link/port_settings.h"

#if defined(_WIN32)
#include <io.h>
#include <stdio.h>
#else
#include <unistd.h>
#endif

namespace skelvane::cli {
namespace {

bool OutputIsTerminal(const Context& ctx, const std::ostream& out) {
#if defined(_WIN32)
    const bool tty = _isatty(_fileno(&out == ctx.err ? stderr : stdout)) != 0;
#else
    const bool tty = isatty(&out == ctx.err ? STDERR_FILENO : STDOUT_FILENO) != 0;
#endif
    return tty && (&out == &std::cout || &out == &std::cerr);
}

std::string Clock(Millis time) {
    const long long seconds = (time.count() + 999) / 1000;
    return Format("%lld:%02lld", seconds / 60, seconds % 60);
}

}  // namespace

bool StandardInputIsTerminal() {
#if defined(_WIN32)
    return _isatty(_fileno(stdin)) != 0;
#else
    return isatty(STDIN_FILENO) != 0;
#endif
}

std::string JoinNames(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    }
    return text;
}

void AddNetworkOptions(CLI::App& command, NetworkOptions& options) {
    AddPortOption(command, options.port);
    command.add_option("--cable", options.cable,
                       "The block on the cable (default: the first Master)");
    command.add_option("--blocks", options.blocks,
                       "Only these blocks, by name, separated by commas (default: all)");
    command.add_option("FILE", options.file, "Network file")->required();
}

bool ReadNetworkFile(Context& ctx, const std::string& file, NetworkFile& document,
                     Prompter& prompter) {
    if (!document.Read(file, prompter) || document.Root() == nullptr) {
        ctx.exitCode = 2;
        return false;
    }
    return true;
}

bool ApplyNetworkOptions(Context& ctx, const NetworkOptions& options, NetworkModel& model) {
    const auto find = [&](const std::string& name) {
        Block* block = FindRadioBlock(model.Root(), Utf8ToLatin1(name));
        if (block == nullptr) {
            *ctx.err << "No radio block named \"" << name << "\" in " << options.file << "\n";
            ctx.exitCode = 2;
        }
        return block;
    };
    if (!options.cable.empty()) {
        Block* cable = find(options.cable);
        if (cable == nullptr) {
            return false;
        }
        model.ChooseCable(cable);
    }
    if (!options.blocks.empty()) {
        std::vector<Block*> chosen;
        std::stringstream names(options.blocks);
        for (std::string name; std::getline(names, name, ',');) {
            if (name.empty()) {
                continue;
            }
            Block* block = find(name);
            if (block == nullptr) {
                return false;
            }
            chosen.push_back(block);
        }
        model.ChooseOnly(chosen);
    }
    return true;
}

RunConsole::RunConsole(Context& ctx, NetworkModel& model, std::ostream& out)
    : ctx_(ctx), model_(model), out_(out), terminal_(!ctx.verbose && OutputIsTerminal(ctx, out)) {
    model_.Run().Link().SetTrafficLogging(ctx.verbose);
    if (ctx.verbose) {
        log_ = std::make_unique<LogPrinter>(out_, model_.Log());
    }
}

RunConsole::~RunConsole() = default;

RunEnd RunConsole::Run(const std::function<bool()>& start) {
    OperationRunner runner(ctx_, model_.Log(), [this] {
        if (log_) {
            log_->Finish();
        }
    });
    OperationControl control;
    control.start = [&] {
        if (!start()) {
            return false;
        }
        shown_ = model_.Run().Statuses();
        return true;
    };
    control.running = [this] { return model_.Busy(); };
    control.stop = [this] { model_.Stop(); };
    control.poll = [this] { Update(false); };
    control.logCancel = [this] {
        Update(false);
        model_.Log().Line(" cancelled.", false, true);
        if (!log_) {
            Print("Stopped: cancelled.");
        }
    };
    const RunEnd end = runner.Run(control);
    if (end != RunEnd::NotStarted) {
        model_.Run().Wait();
        Update(true);
    }
    return end;
}

std::string RunConsole::UnitLine(const UnitRow& row) const {
    const std::string where = row.local ? "on the cable" : "unit " + row.address;
    return Latin1ToUtf8(row.name) + " (" + where + "): " + Latin1ToUtf8(row.status.text);
}

void RunConsole::Print(const std::string& text) {
    if (log_) {
        log_->Print(text);
        return;
    }
    if (barShown_) {
        out_ << "\r\033[K";
        barShown_ = false;
        bar_.clear();
    }
    out_ << text << '\n';
    out_.flush();
}

void RunConsole::Update(bool final) {
    const std::vector<RunUnit>& units = model_.Run().Units();
    const std::vector<NetworkUnitStatus> statuses = model_.Run().Statuses();
    shown_.resize(statuses.size());
    for (std::size_t i = 0; i < statuses.size() && i < units.size(); ++i) {
        const NetworkUnitStatus& now = statuses[i];
        if (now.state == UnitState::Working || now.text == shown_[i].text) {
            continue;
        }
        shown_[i] = now;
        UnitRow row;
        row.name = units[i].name;
        row.local = units[i].local;
        row.address = Format("%u", static_cast<unsigned>(units[i].requestUa));
        row.status = now;
        Print(UnitLine(row));
    }
    if (!terminal_) {
        return;
    }
    if (final) {
        if (barShown_) {
            out_ << "\r\033[K";
            barShown_ = false;
            bar_.clear();
        }
        out_.flush();
        return;
    }
    const RunProgress progress = model_.Run().Progress();
    constexpr std::size_t kWidth = 30;
    const std::size_t filled =
        progress.total == 0 ? 0 : std::min(kWidth, progress.done * kWidth / progress.total);
    std::string bar = "[" + std::string(filled, '#') + std::string(kWidth - filled, '.') + "] " +
                      Format("%zu/%zu units", progress.done, progress.total);
    if (progress.timeLeft) {
        bar += "  " + Clock(*progress.timeLeft) + " left";
    }
    if (bar == bar_) {
        return;
    }
    out_ << "\r\033[K" << bar;
    out_.flush();
    barShown_ = true;
    bar_ = std::move(bar);
}

void RunConsole::PrintSummary() {
    const std::vector<UnitRow> rows = model_.Rows();
    std::vector<std::vector<std::string>> table = {{"Block", "Kind", "Address", "Route", "Result"}};
    for (const UnitRow& row : rows) {
        table.push_back({Latin1ToUtf8(row.name), row.kind, row.address,
                         row.local ? "Local" : "Remote", Latin1ToUtf8(row.status.text)});
    }
    std::vector<std::size_t> widths(table.front().size(), 0);
    for (const auto& line : table) {
        for (std::size_t c = 0; c < line.size(); ++c) {
            widths[c] = std::max(widths[c], line[c].size());
        }
    }
    for (const auto& line : table) {
        std::string text;
        for (std::size_t c = 0; c < line.size(); ++c) {
            text += c + 1 == line.size()
                        ? line[c]
                        : line[c] + std::string(widths[c] + 2 - line[c].size(), ' ');
        }
        Print(text);
    }
}

}  // namespace skelvane::cli
