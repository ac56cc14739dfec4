#include "cli/command.h"

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

bool RegisterCommand(int order, CommandSetup setup) {
    Registry().emplace_back(order, std::move(setup));
    return true;
}

int RunCli(int argc, char** argv, std::ostream& out, std::ostream& err) {
    Context context;
    context.out = &out;
    context.err = &err;
    std::string simNote;
    context.simPorts.Add("SIM1", sim::MakeTryOutNetwork(context.clock, simNote));

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
    return context.exitCode;
}

}  // namespace skelvane::cli
