#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>

#include "base/clock.h"
#include "link/port_factory.h"

namespace skelvane::cli {

// What every command gets: where to print, the verbosity, the exit code to report, and the
// clock and ports its operations run on.
struct Context {
    Context(Clock& clock, const PortFactory& ports) : clock(clock), ports(ports) {}

    std::ostream* out = nullptr;
    std::ostream* err = nullptr;
    bool verbose = false;    // -v: traffic lines too
    int exitCode = 0;        // 0 success, 1 the operation failed, 2 usage error
    bool cancelled = false;  // a stop signal ended the command's operation
    Clock& clock;
    const PortFactory& ports;
};

// A command adds its subcommand (options and callback) to the application. Commands register
// themselves from their own source file with SKELVANE_CLI_COMMAND, so adding one touches no
// other file. `order` sorts the help listing.
using CommandSetup = std::function<void(CLI::App& app, Context& context)>;

bool RegisterCommand(int order, CommandSetup setup);

#define SKELVANE_CLI_CONCAT2(a, b) a##b
#define SKELVANE_CLI_CONCAT(a, b) SKELVANE_CLI_CONCAT2(a, b)
#define SKELVANE_CLI_COMMAND(order, setup)                                 \
    static const bool SKELVANE_CLI_CONCAT(registered_command_, __LINE__) = \
        ::skelvane::cli::RegisterCommand(order, setup)

// Runs the registered commands over argv; returns the process exit code. The commands run on
// the system clock and open the platform's ports and the simulated networks served under the
// names "SIM1", ..., so every command can be tried without a radio.
int RunCli(int argc, char** argv, std::ostream& out, std::ostream& err);
// The same on a given clock and ports (a program that embeds the commands, or a test).
int RunCli(int argc, char** argv, std::ostream& out, std::ostream& err, Clock& clock,
           const PortFactory& ports);

}  // namespace skelvane::cli
