// skelvane-cli ports: the serial ports of this machine and the simulator's, one a line,
// those held by another program marked " (In Use)".

#include <ostream>

#include "cli/command.h"
#include "link/port_discovery.h"

namespace skelvane::cli {
namespace {

SKELVANE_CLI_COMMAND(40, [](CLI::App& app, Context& context) {
    auto* sub = app.add_subcommand("ports", "Serial ports, those in use marked");
    sub->callback([&context] {
        for (const PortListEntry& entry : DiscoverPorts(context.ports)) {
            *context.out << entry.text << "\n";
        }
        context.exitCode = 0;
    });
});

}  // namespace
}  // namespace skelvane::cli
