#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/prompter.h"
#include "cli/command.h"
#include "cli/console_prompter.h"
#include "cli/device_options.h"
#include "cli/operation_runner.h"
#include "document/network_file.h"
#include "operations/network_model.h"

namespace skelvane::cli {

// The options of the commands that work on every unit of a network.
struct NetworkOptions {
    std::string port;
    std::string cable;   // block name; empty: the first Master
    std::string blocks;  // "B1,B2,..."; empty: every block
    std::string file;
};

void AddNetworkOptions(CLI::App& command, NetworkOptions& options);

// Reads the network file. False (with the message shown and exit code 2) when it cannot be
// read.
bool ReadNetworkFile(Context& ctx, const std::string& file, NetworkFile& document,
                     Prompter& prompter);

// --cable and --blocks on the model. A name that is no radio block of the network is a usage
// error: false, with the message printed and exit code 2.
bool ApplyNetworkOptions(Context& ctx, const NetworkOptions& options, NetworkModel& model);

// What a network command works on: FILE read, the command's model made on it for the port,
// and --cable and --blocks applied.
template <typename Model>
struct NetworkJob {
    explicit NetworkJob(Context& ctx) : prompter(*ctx.err), document(ids) {}

    // False, with the message shown and exit code 2, when the file cannot be read or an
    // option names no radio block of it.
    bool Open(Context& ctx, const NetworkOptions& options) {
        if (!ReadNetworkFile(ctx, options.file, document, prompter)) {
            return false;
        }
        model = std::make_unique<Model>(*document.Root(), ctx.ports, PortName(options.port),
                                        prompter, ctx.clock);
        return ApplyNetworkOptions(ctx, options, *model);
    }

    ConsolePrompter prompter;
    LinkIdCounter ids;
    NetworkFile document;
    std::unique_ptr<Model> model;
};

// Follows a model's runs to their end. One line per unit as it finishes ("Remote 3 (unit 3):
// done V4.45"); on a terminal a bar with the units done, the total and the time left stays
// below them. With -v the log lines go out as well, traffic included.
class RunConsole {
  public:
    // `out`: where the unit lines and the bar go.
    RunConsole(Context& ctx, NetworkModel& model, std::ostream& out);
    ~RunConsole();
    RunConsole(const RunConsole&) = delete;
    RunConsole& operator=(const RunConsole&) = delete;

    // Starts a run of the model with `start` and follows it to its end. A stop signal
    // meanwhile stops the run as the dialogs' Stop does: the worker ends within a second with
    // the port closed, the units left "stopped", " cancelled." and the exit code 130.
    RunEnd Run(const std::function<bool()>& start);
    // Prints a line (below the unit lines, above the bar).
    void Print(const std::string& text);
    // The table at the end: every radio block with its kind, address, route and result.
    void PrintSummary();

  private:
    void Update(bool final);
    std::string UnitLine(const UnitRow& row) const;

    Context& ctx_;
    NetworkModel& model_;
    std::ostream& out_;
    const bool terminal_;
    std::unique_ptr<LogPrinter> log_;
    std::string bar_;  // the bar last drawn, redrawn only when it changes
    std::vector<NetworkUnitStatus> shown_;
    bool barShown_ = false;
};

// Whether the program's standard input is a terminal someone can answer on.
bool StandardInputIsTerminal();

// "A, B and C" of names, for messages.
std::string JoinNames(const std::vector<std::string>& names);

}  // namespace skelvane::cli
