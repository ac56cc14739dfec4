#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>

#include "base/clock.h"
#include "link/port_factory.h"
#include "sim/sim_port.h"

namespace skelvane::cli {

// What every command gets: where to print, the verbosity, and the exit code to report.
struct Context {
    std::ostream* out = nullptr;
    std::ostream* err = nullptr;
    bool verbose = false;    // -v: traffic lines too
    int exitCode = 0;        // 0 success, 1 the operation failed, 2 usage error
    bool cancelled = false;  // a stop signal ended the command's operation
    SystemClock clock;
    // The simulated networks served under the port names "SIM1", ..., so every command can
    // be tried without a radio, and the factory that opens and lists the ports of every
    // command: the platform's and those.
    sim::PortHub simPorts;
    PortFactory ports{simPorts};
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

// Runs the registered commands over argv; returns the process exit code.
int RunCli(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace skelvane::cli
