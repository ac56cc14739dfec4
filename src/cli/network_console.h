#pragma once

#include <CLI/CLI.hpp>

#include <memory>
#include <string>
#include <vector>

#include "base/prompter.h"
#include "cli/command.h"
#include "cli/device_options.h"
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
// --port, or the saved port setting.
std::string PortName(const NetworkOptions& options);

// Reads the network file. False (with the message shown and exit code 2) when it cannot be
// read.
bool ReadNetworkFile(Context& ctx, const std::string& file, NetworkFile& document,
                     Prompter& prompter);

// --cable and --blocks on the model. A name that is no radio block of the network is a usage
// error: false, with the message printed and exit code 2.
bool ApplyNetworkOptions(Context& ctx, const NetworkOptions& options, NetworkModel& model);

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

    // Waits for the run the model has started to end. Ctrl-C meanwhile stops the run: the
    // worker ends within a second with the port closed, the units left "stopped".
    void Follow();
    // Prints a line (below the unit lines, above the bar).
    void Print(const std::string& text);
    // The table at the end: every radio block with its kind, address, route and result.
    void PrintSummary();
    // A stop was requested of the last run (the units left are "stopped").
    bool Stopped() const;

  private:
    void Update(bool final);
    std::string UnitLine(const UnitRow& row) const;

    Context& ctx_;
    NetworkModel& model_;
    std::ostream& out_;
    const bool terminal_;
    std::unique_ptr<LogPrinter> log_;
    WorkerSignal signal_;
    std::vector<NetworkUnitStatus> shown_;
    bool barShown_ = false;
};

// Whether the program's standard input is a terminal someone can answer on.
bool StandardInputIsTerminal();

// "A, B and C" of names, for messages.
std::string JoinNames(const std::vector<std::string>& names);

}  // namespace skelvane::cli
