// skelvane-cli discover: which units answer, the one on the cable and those at the addresses
// given; with --add, the ones a network file lacks are added to it as blocks.

#include <memory>
#include <ostream>
#include <string>

#include "base/latin1.h"
#include "cli/command.h"
#include "cli/console_prompter.h"
#include "cli/device_options.h"
#include "cli/operation_runner.h"
#include "diagram/diagram_types.h"
#include "document/network_file.h"
#include "document/parameter_sets.h"
#include "operations/add_found_units.h"
#include "operations/discovery_model.h"

namespace skelvane::cli {
namespace {

struct DiscoverOptions {
    std::string port;
    std::string ranges;
    std::string addTo;
};

std::string Column(const std::string& latin1) {
    return latin1.empty() ? "-" : Latin1ToUtf8(latin1);
}

const Block* FirstOfKind(const Block& root, BlockKind kind) {
    for (const Block* b = root.FirstChild(); b != nullptr; b = b->NextSibling()) {
        if (b->Kind() == kind) {
            return b;
        }
    }
    return nullptr;
}

// New blocks of a file take the parameter set (and values) of a block of their kind there,
// else of its first radio block: the file says which model its units are, the program's
// default template might not.
bool AddToFile(Context& ctx, const std::string& path, const std::vector<FoundUnit>& found) {
    ConsolePrompter prompter(*ctx.err);
    LinkIdCounter ids;
    NetworkFile document(ids);
    if (!document.Read(path, prompter)) {
        return false;
    }
    Block* root = document.Root();
    if (root == nullptr || root->FirstChild() == nullptr) {
        *ctx.err << path << ": no radio block to take the parameters of new blocks from\n";
        return false;
    }
    const BlockMaker make = [&](BlockKind kind, int x, int y) -> Block* {
        const Block* model = FirstOfKind(*root, kind);
        if (model == nullptr) {
            model = root->FirstChild();
        }
        auto block = CreateBlock(static_cast<int>(kind));
        block->CreateDefaultLinks(ids);
        block->SetPosition(x, y);
        for (const Parameter& p : model->Parameters()) {
            block->AddParameter(p);
        }
        return root->AppendChild(std::move(block));
    };
    const auto added =
        AddFoundUnits(*root, FirstOfKind(*root, BlockKind::Master), found, make, DiagramMetrics{});
    if (added.empty()) {
        *ctx.err << path << ": every unit found is in it already\n";
        return true;
    }
    if (!document.Save(path, prompter)) {
        return false;
    }
    *ctx.err << path << ": " << added.size() << (added.size() == 1 ? " block" : " blocks")
             << " added\n";
    return true;
}

int RunDiscover(Context& ctx, const DiscoverOptions& options) {
    std::string error;
    const auto addresses = ParseUnitAddressList(options.ranges, error);
    if (!addresses) {
        *ctx.err << "skelvane-cli discover: " << error << "\n";
        return 2;
    }
    const std::string port = PortName(options.port);
    DiscoveryModel model(ctx.ports, port, ctx.clock);
    model.Link().SetTrafficLogging(ctx.verbose);
    // Progress goes to the error stream, so that the output is the list of units alone.
    LogPrinter log(*ctx.err, model.Log());
    std::size_t printed = 0;
    const auto printFound = [&] {
        const std::vector<FoundUnit> found = model.Found();
        for (; printed < found.size(); ++printed) {
            const FoundUnit& unit = found[printed];
            *ctx.out << unit.ua << ' ' << unit.KindName() << ' ' << Column(unit.version) << ' '
                     << Column(unit.serial) << std::endl;
        }
    };
    OperationRunner runner(ctx, model.Log(), [&log] { log.Finish(); });
    OperationControl control;
    control.start = [&] { return model.Start(*addresses); };
    control.running = [&] { return model.Busy(); };
    control.stop = [&] {
        model.Stop();
        model.Wait();
    };
    control.poll = printFound;
    const RunEnd end = runner.Run(control);
    if (end == RunEnd::NotStarted) {
        return 1;
    }
    printFound();
    if (end == RunEnd::Cancelled) {
        model.Wait();
        return kInterruptedExitCode;
    }
    model.Wait();
    log.Finish();
    switch (model.GetOutcome()) {
        case DiscoveryModel::Outcome::Finished:
            break;
        case DiscoveryModel::Outcome::Stopped:
            return 1;
        default:
            *ctx.err << "skelvane-cli discover: no scan: "
                     << (model.GetOutcome() == DiscoveryModel::Outcome::PortFailed
                             ? "the port " + port + " could not be opened"
                             : "nothing answers on the cable")
                     << "\n";
            return 1;
    }
    if (!options.addTo.empty() && !AddToFile(ctx, options.addTo, model.Found())) {
        return 1;
    }
    return 0;
}

SKELVANE_CLI_COMMAND(175, [](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand(
        "discover",
        "Find the units that answer: the one on the cable, then one version request to each "
        "address; prints UA KIND VERSION SERIAL per unit");
    auto options = std::make_shared<DiscoverOptions>();
    AddPortOption(*sub, options->port);
    sub->add_option("--ua", options->ranges, "Unit addresses: numbers and ranges, like 1-50,300")
        ->required()
        ->check([](const std::string& text) {
            std::string error;
            return ParseUnitAddressList(text, error) ? std::string() : error;
        });
    sub->add_option("--add", options->addTo,
                    "Network file to which the units it lacks are added (saved in place); new "
                    "blocks take the parameters of a block of their kind in it");
    sub->callback([&ctx, options] { ctx.exitCode = RunDiscover(ctx, *options); });
});

}  // namespace
}  // namespace skelvane::cli
