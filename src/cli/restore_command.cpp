// skelvane-cli restore: every unit of a network written from its block (with --changed-only
// just what differs), the farthest from the cable first, then read back and compared.

#include <iostream>
#include <memory>
#include <ostream>
#include <string>

#include "base/format.h"
#include "base/latin1.h"
#include "cli/command.h"
#include "cli/network_console.h"
#include "operations/network_restore_model.h"

namespace skelvane::cli {
namespace {

struct RestoreOptions {
    bool changedOnly = false;
    bool dryRun = false;
    bool yes = false;
};

// What each unit would get, one value a line.
void PrintPlan(RunConsole& console, NetworkRestoreModel& model) {
    for (const UnitPlan& p : model.Plans()) {
        if (!p.ready || p.plan.Empty()) {
            continue;
        }
        const std::string name = Latin1ToUtf8(p.name);
        if (model.ChangedOnly()) {
            for (const Difference& d : p.differences) {
                if (d.writable) {
                    console.Print(name + " " + d.parameter + ": " + Latin1ToUtf8(d.fileValue) +
                                  " (unit has " + Latin1ToUtf8(d.unitValue) + ")");
                }
            }
            continue;
        }
        for (const Parameter& parameter : p.block->Parameters()) {
            const bool restriction = p.plan.restrictions && parameter.IsText() &&
                                     (parameter.name.starts_with("FrequencyRestriction") ||
                                      parameter.name.starts_with("RepeaterRegistration"));
            const bool listed = std::find(p.plan.registers.begin(), p.plan.registers.end(),
                                          parameter.name) != p.plan.registers.end();
            if (listed || restriction) {
                console.Print(name + " " + parameter.name + ": " +
                              Latin1ToUtf8(ValueText(parameter)));
            }
        }
    }
}

bool AskToWrite(Context& ctx, NetworkRestoreModel& model) {
    // Ctrl-C at the question ends the program, as before any run: nothing is written yet.
    const StopSignalsEndProgram leave;
    *ctx.out << Latin1ToUtf8(model.ConfirmationText()) << "\n[y/N] ";
    ctx.out->flush();
    std::string answer;
    std::getline(std::cin, answer);
    return answer == "y" || answer == "Y" || answer == "yes";
}

SKELVANE_CLI_COMMAND(320, [](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand(
        "restore", "Write every unit of a network from its block, farthest from the cable first");
    auto options = std::make_shared<NetworkOptions>();
    auto restore = std::make_shared<RestoreOptions>();
    AddNetworkOptions(*sub, *options);
    sub->add_flag("--changed-only", restore->changedOnly,
                  "Compare first and write only the values that differ");
    sub->add_flag("--dry-run", restore->dryRun, "Print what would be written; write nothing");
    sub->add_flag("--yes", restore->yes, "Write without asking");
    sub->callback([&ctx, options, restore] {
        if (!restore->dryRun && !restore->yes && !StandardInputIsTerminal()) {
            *ctx.err << "restore writes to the units: give --yes to write without being asked "
                        "(standard input is not a terminal)\n";
            ctx.exitCode = 2;
            return;
        }
        NetworkJob<NetworkRestoreModel> job(ctx);
        if (!job.Open(ctx, *options)) {
            return;
        }
        NetworkRestoreModel& model = *job.model;
        model.SetChangedOnly(restore->changedOnly);
        RunConsole console(ctx, model, *ctx.out);
        RunEnd end = console.Run([&model] { return model.Plan(); });
        if (end == RunEnd::NotStarted) {
            console.PrintSummary();
            console.Print("No unit to write.");
            ctx.exitCode = 1;
            return;
        }
        if (end == RunEnd::Cancelled) {
            console.PrintSummary();
            return;
        }
        const bool planned = model.FailedCount() == 0;
        if (restore->dryRun) {
            PrintPlan(console, model);
            console.PrintSummary();
            console.Print("Dry run: nothing written.");
            ctx.exitCode = planned ? 0 : 1;
            return;
        }
        if (model.UnitsToWrite() == 0) {
            console.PrintSummary();
            console.Print("Nothing to write.");
            ctx.exitCode = planned ? 0 : 1;
            return;
        }
        if (!restore->yes && !AskToWrite(ctx, model)) {
            console.Print("Nothing written.");
            ctx.exitCode = 1;
            return;
        }
        end = console.Run([&model] { return model.Write(); });
        if (end == RunEnd::NotStarted) {
            ctx.exitCode = 1;
            return;
        }
        console.PrintSummary();
        if (end != RunEnd::Cancelled) {
            ctx.exitCode = model.FailedCount() == 0 ? 0 : 1;
        }
    });
});

}  // namespace
}  // namespace skelvane::cli
