// skelvane-sim: serves a simulated radio network on a new pseudo-terminal until SIGINT or
// SIGTERM. The terminal's path is the first line of output.

#include <pthread.h>
#include <signal.h>
#include <CLI/CLI.hpp>

#include <filesystem>
#include <iostream>
#include <stop_token>
#include <string>
#include <thread>

#include "base/clock.h"
#include "base/log_pane.h"
#include "sim/at_command_port.h"
#include "sim/block_seed.h"
#include "sim/builtin_network.h"
#include "sim/faults.h"
#include "sim/network.h"
#include "sim/pty_bridge.h"
#include "sim/template_network.h"
#include "sim/terminal_mark.h"
#include "sim/upgrade_sides.h"

namespace {

using namespace skelvane;

// Makes `link` a symbolic link to `target`, replacing an older symbolic link but never
// another kind of file.
bool MakeLink(const std::filesystem::path& link, const std::string& target, std::string& error) {
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(link, ec);
    if (std::filesystem::exists(status)) {
        if (!std::filesystem::is_symlink(status)) {
            error = link.string() + " exists and is not a symbolic link";
            return false;
        }
        std::filesystem::remove(link, ec);
    }
    std::filesystem::create_symlink(target, link, ec);
    if (ec) {
        error = "cannot create " + link.string() + ": " + ec.message();
        return false;
    }
    return true;
}

void RemoveLink(const std::filesystem::path& link, const std::string& target) {
    std::error_code ec;
    if (std::filesystem::is_symlink(link, ec) &&
        std::filesystem::read_symlink(link, ec) == target) {
        std::filesystem::remove(link, ec);
    }
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Serves a simulated radio network on a new pseudo-terminal", "skelvane-sim"};
    std::string networkPath;
    std::string linkPath;
    std::string faultText;
    std::string model = "TAVRIN-A";
    bool verbose = false;
    app.set_version_flag("--version", std::string("skelvane-sim ") + SKELVANE_VERSION_TEXT);
    app.add_option("--network", networkPath,
                   "Network file whose radio blocks become the units; the first Master is on "
                   "the cable")
        ->check(CLI::ExistingFile);
    app.add_option("--link", linkPath, "Also make this path a symbolic link to the terminal");
    app.add_option("--faults", faultText,
                   "Faults, e.g. drop=0.01,out.split=4,out.gap=2,u300.silent=5,vanish=100; for "
                   "upgrades startlost=1 (start-writing requests lost), lateack=0.1 (block "
                   "acknowledgements late); nowrite=N (the terminal is no longer read after N "
                   "reads)");
    app.add_option("--model", model, "Model text the unit on the cable reports on its data port")
        ->capture_default_str();
    app.add_flag("-v,--verbose", verbose, "Log the traffic");
    // Firmware upgrades.
    sim::UpgradeSimOptions upgrade;
    app.add_flag("--boot-mode", upgrade.bootMode,
                 "The unit on the cable starts in boot mode (for hard upgrades)");
    app.add_flag("--blank-flash", upgrade.blankFlash, "Every unit's flash is blank");
    app.add_flag("--unpaced", upgrade.unpaced,
                 "No wire, response, erase or write times: the client sets the pace");
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& success) {
        return app.exit(success);
    } catch (const CLI::ParseError& parseError) {
        app.exit(parseError);
        return 2;
    }

    // The signals are taken by a thread of our own (below) rather than a handler.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    sim::FaultPlan plan;
    std::string error;
    if (!sim::ParseFaultPlan(faultText, plan, error)) {
        std::cerr << "skelvane-sim: --faults: " << error << "\n";
        return 2;
    }

    SystemClock clock;
    std::shared_ptr<sim::Network> network;
    if (networkPath.empty()) {
        // The default model's register sets; the small built-in set when no template is
        // installed.
        std::string note;
        network = sim::MakeDefaultNetwork(clock, note);
        if (!note.empty()) {
            std::cerr << "skelvane-sim: " << note << "\n";
        }
    } else {
        std::vector<std::string> warnings;
        network = sim::NetworkFromFile(networkPath, clock, error, &warnings);
        for (const std::string& warning : warnings) {
            std::cerr << "skelvane-sim: " << warning << "\n";
        }
        if (network == nullptr) {
            std::cerr << "skelvane-sim: " << networkPath << ": " << error << "\n";
            return 1;
        }
    }
    // The unit on the cable also answers AT commands on its data port (the spectrum scan).
    sim::AtCommandOptions dataPort;
    dataPort.model = model;
    sim::InstallAtCommandSide(*network, dataPort);

    for (const std::uint16_t ua : sim::ApplyFaultPlan(*network, plan)) {
        std::cerr << "skelvane-sim: --faults: no unit has the address " << ua << "\n";
    }
    sim::UpgradeSides sides = sim::InstallUpgradeSides(*network, upgrade);
    sim::ApplyUpgradeFaults(*network, sides, plan);

    sim::PtyBridge bridge(network);
    if (!bridge.Open(error)) {
        std::cerr << "skelvane-sim: " << error << "\n";
        return 1;
    }
    const std::string path = bridge.Path();
    // Lets the hard upgrade recognise a simulated unit behind this terminal.
    if (!sim::MarkSimulatorTerminal(path)) {
        std::cerr << "skelvane-sim: cannot mark " << path << " as the simulator's terminal\n";
    }
    if (!linkPath.empty() && !MakeLink(linkPath, path, error)) {
        std::cerr << "skelvane-sim: " << error << "\n";
        return 1;
    }
    std::cout << path << std::endl;

    LogPane traffic;
    if (verbose) {
        traffic.SetListener([](LogPane::Event event, const std::string& line) {
            if (event == LogPane::Event::Added) {
                std::cout << line << std::endl;
            }
        });
        // Seen from the radio: what the client sends is received, what it reads was sent.
        network->SetTrafficObserver(
            [&traffic](sim::Direction direction, std::span<const std::uint8_t> bytes) {
                traffic.Traffic(bytes.data(), bytes.size(),
                                direction == sim::Direction::ToUnit ? 0 : 1);
            });
    }

    std::stop_source stop;
    std::jthread signalWatcher([&stop, signals](std::stop_token watching) {
        const timespec slice{0, 200 * 1000 * 1000};
        while (!watching.stop_requested()) {
            if (sigtimedwait(&signals, nullptr, &slice) > 0) {
                stop.request_stop();
                return;
            }
        }
    });

    const bool served = bridge.Serve(stop.get_token(), error);
    signalWatcher.request_stop();
    signalWatcher.join();
    bridge.Close();
    if (!linkPath.empty()) {
        RemoveLink(linkPath, path);
    }
    if (!served) {
        std::cerr << "skelvane-sim: " << error << "\n";
        return 1;
    }
    return 0;
}
