// skelvane-cli backup: every unit of a network read into its block, the file saved with the
// units that were read.

#include <memory>
#include <ostream>

#include "base/format.h"
#include "cli/command.h"
#include "cli/network_console.h"
#include "operations/network_backup_model.h"

namespace skelvane::cli {
namespace {

SKELVANE_CLI_COMMAND(300, [](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand("backup",
                                   "Read every unit of a network into its block and save the file");
    auto options = std::make_shared<NetworkOptions>();
    auto out = std::make_shared<std::string>();
    AddNetworkOptions(*sub, *options);
    sub->add_option("--out", *out, "Save to this file instead of FILE");
    sub->callback([&ctx, options, out] {
        NetworkJob<NetworkBackupModel> job(ctx);
        if (!job.Open(ctx, *options)) {
            return;
        }
        NetworkBackupModel& model = *job.model;
        RunConsole console(ctx, model, *ctx.out);
        const RunEnd end = console.Run([&model] { return model.Start(); });
        if (end == RunEnd::NotStarted) {
            console.PrintSummary();
            console.Print("No unit to read.");
            ctx.exitCode = 1;
            return;
        }
        const std::string target = out->empty() ? options->file : *out;
        console.PrintSummary();
        if (end == RunEnd::Cancelled) {
            console.Print("Stopped; " + target + " not saved.");
            return;
        }
        model.ApplyWorkerResults();
        const std::size_t read = model.SucceededCount();
        const std::size_t failed = model.FailedCount();
        ctx.exitCode = failed == 0 ? 0 : 1;
        if (read == 0) {
            console.Print("No unit was read; " + target + " not saved.");
            return;
        }
        if (!job.document.Save(target, job.prompter)) {
            ctx.exitCode = 1;
            return;
        }
        console.Print(failed == 0 ? Format("Saved %s: %zu units read.", target.c_str(), read)
                                  : Format("Saved %s with the %zu units read; %zu could not be "
                                           "read and keep their values.",
                                           target.c_str(), read, failed));
    });
});

}  // namespace
}  // namespace skelvane::cli
