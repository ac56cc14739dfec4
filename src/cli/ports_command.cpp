// skelvane-cli ports: the serial ports of this machine and the simulator's, one a line,
// those held by another program marked " (In Use)".

#include <ostream>

#include "cli/command.h"
#include "link/port_discovery.h"
#include "sim/builtin_network.h"
#include "sim/sim_port.h"

namespace skelvane::cli {
namespace {

SKELVANE_CLI_COMMAND(40, [](CLI::App& app, Context& context) {
    auto* sub = app.add_subcommand("ports", "Serial ports, those in use marked");
    sub->callback([&context] {
        // The simulated network a user without radios can try every command on.
        sim::PortHub hub;
        hub.Add("SIM1", sim::MakeBuiltInNetwork(context.clock));
        const sim::ScopedSimPorts simulator(hub);
        for (const PortListEntry& entry : DiscoverPorts()) {
            *context.out << entry.text << "\n";
        }
        context.exitCode = 0;
    });
});

}  // namespace
}  // namespace skelvane::cli
