// skelvane-cli diff: every unit of a network compared with its block, one line per
// difference. Exit codes as diff's: 0 no difference, 1 differences, 2 trouble.

#include <fstream>
#include <memory>
#include <ostream>

#include "base/latin1.h"
#include "cli/command.h"
#include "cli/network_console.h"
#include "operations/network_compare_model.h"

namespace skelvane::cli {
namespace {

bool WriteCsv(const std::string& path, const std::vector<BlockDifference>& differences) {
    std::ofstream csv(path, std::ios::binary | std::ios::trunc);
    csv << "block,parameter,file,unit\r\n";
    for (const BlockDifference& d : differences) {
        csv << CsvField(d.blockName) << ',' << CsvField(d.difference.parameter) << ','
            << CsvField(d.difference.fileValue) << ',' << CsvField(d.difference.unitValue)
            << "\r\n";
    }
    csv.close();
    return static_cast<bool>(csv);
}

SKELVANE_CLI_COMMAND(310, [](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand(
        "diff", "Compare every unit of a network with its block (0 same, 1 differs, 2 trouble)");
    auto options = std::make_shared<NetworkOptions>();
    auto csv = std::make_shared<std::string>();
    AddNetworkOptions(*sub, *options);
    sub->add_option("--csv", *csv, "Also write the differences to this CSV file");
    sub->callback([&ctx, options, csv] {
        NetworkJob<NetworkCompareModel> job(ctx);
        if (!job.Open(ctx, *options)) {
            return;
        }
        NetworkCompareModel& model = *job.model;
        // The differences are the output; how the units went is told on the error stream.
        RunConsole console(ctx, model, *ctx.err);
        const RunEnd end = console.Run([&model] { return model.Start(); });
        if (end == RunEnd::NotStarted) {
            console.PrintSummary();
            console.Print("No unit to compare.");
            ctx.exitCode = 2;
            return;
        }
        if (end == RunEnd::Cancelled) {
            return;
        }
        const std::vector<BlockDifference> differences = model.Differences();
        for (const BlockDifference& d : differences) {
            *ctx.out << Latin1ToUtf8(d.blockName) << ' ' << d.difference.parameter
                     << ": file=" << Latin1ToUtf8(d.difference.fileValue)
                     << " unit=" << Latin1ToUtf8(d.difference.unitValue) << '\n';
        }
        ctx.out->flush();
        bool trouble = false;
        for (const UnitRow& row : model.Rows()) {
            // A block asked for that could not be compared is trouble, whatever the others say.
            trouble = trouble || (row.chosen && !Succeeded(row.status.state));
        }
        if (!csv->empty() && !WriteCsv(*csv, differences)) {
            *ctx.err << "Cannot write " << *csv << "\n";
            trouble = true;
        }
        if (trouble) {
            console.PrintSummary();
        }
        ctx.exitCode = trouble ? 2 : differences.empty() ? 0 : 1;
    });
});

}  // namespace
}  // namespace skelvane::cli
