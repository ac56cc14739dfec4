#include "cli/command.h"

#include "cli/operation_runner.h"
#include "sim/sim_port.h"
#include "sim/template_network.h"

#include <algorithm>
#include <iostream>
#include <utility>
#include <vector>

namespace skelvane::cli {
namespace {

std::vector<std::pair<int, CommandSetup>>& Registry() {
    static std::vector<std::pair<int, CommandSetup>> commands;
    return commands;
}

}  // namespace

namespace {

// The names of the subcommands that ran, as typed: "restrictions read".
std::string CommandPath(const CLI::App& app) {
    std::string path;
    for (const CLI::App* level = &app; level != nullptr;) {
        const auto chosen = level->get_subcommands();
        level = chosen.empty() ? nullptr : chosen.front();
        if (level != nullptr) {
            path += (path.empty() ? "" : " ") + level->get_name();
        }
    }
    return path;
}

}  // namespace

bool RegisterCommand(int order, CommandSetup setup) {
    Registry().emplace_back(order, std::move(setup));
    return true;
}

int RunCli(int argc, char** argv, std::ostream& out, std::ostream& err) {
    SystemClock clock;
    sim::PortHub simPorts;
    std::string simNote;
    simPorts.Add("SIM1", sim::MakeTryOutNetwork(clock, simNote));
    const PortFactory ports{simPorts};
    return RunCli(argc, argv, out, err, clock, ports);
}

int RunCli(int argc, char** argv, std::ostream& out, std::ostream& err, Clock& clock,
           const PortFactory& ports) {
    InstallInterruptHandlers();
    Context context(clock, ports);
    context.out = &out;
    context.err = &err;

    CLI::App app{"Skelvane command-line tool: network files and radios over a serial port",
                 "skelvane-cli"};
    app.set_version_flag("--version", std::string("skelvane-cli ") + SKELVANE_VERSION_TEXT);
    app.add_flag("-v,--verbose", context.verbose, "Also print the traffic lines");
    app.require_subcommand(1);

    auto& commands = Registry();
    std::stable_sort(commands.begin(), commands.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [order, setup] : commands) {
        setup(app, context);
    }

    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& success) {
        app.exit(success, out, err);
        return 0;
    } catch (const CLI::ParseError& error) {
        app.exit(error, out, err);
        return 2;
    }
    if (context.cancelled) {
        out << CommandPath(app) << " cancelled.\n" << std::flush;
        return kInterruptedExitCode;
    }
    return context.exitCode;
}

}  // namespace skelvane::cli
