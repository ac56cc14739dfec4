// skelvane-cli monitor: polls the diagnostic values of every unit of a network file, one unit
// after another, a pass every interval; prints each unit's main values and keeps the whole
// history in a CSV file.

#include <memory>
#include <ostream>
#include <string>

#include "base/format.h"
#include "base/latin1.h"
#include "cli/command.h"
#include "cli/console_prompter.h"
#include "cli/device_options.h"
#include "cli/operation_runner.h"
#include "document/network_file.h"
#include "operations/monitor_model.h"

namespace skelvane::cli {
namespace {

struct MonitorOptions {
    std::string port;
    std::string file;
    unsigned interval = 30;
    unsigned count = 0;
    std::string csv;
};

std::optional<std::uint32_t> ValueOf(const MonitorModel::Sample& sample, std::string_view name) {
    for (std::size_t k = 0; k < kDiagnosticNames.size(); ++k) {
        if (kDiagnosticNames[k] == name) {
            return sample.values[k];
        }
    }
    return std::nullopt;
}

std::string SampleLine(const MonitorUnit& unit, const MonitorModel::Sample& s) {
    std::string line = Format("%04d-%02d-%02d %02d:%02d:%02d  UA %-5u %-12s", s.time.year,
                              s.time.month, s.time.day, s.time.hour, s.time.minute, s.time.second,
                              unsigned{unit.ua}, Latin1ToUtf8(unit.name).c_str());
    if (!s.answered) {
        return line + "  did not answer";
    }
    const struct {
        const char* name;
        const char* label;
        const char* unit;
    } shown[] = {{"DiagRSSI", "RSSI", " dBm"},        {"DiagVSWR", "VSWR", ""},
                 {"DiagVoltage", "Voltage", " V"},    {"DiagTemperature", "Temperature", " C"},
                 {"DiagCRCErrors", "CRC errors", ""}, {"DiagSyncLost", "Sync lost", ""}};
    for (const auto& v : shown) {
        if (const auto value = ValueOf(s, v.name)) {
            line += Format("  %s %s%s", v.label, FormatDiagValue(v.name, *value)->c_str(), v.unit);
        }
    }
    return line;
}

int RunMonitor(Context& ctx, const MonitorOptions& options) {
    ConsolePrompter prompter(*ctx.err);
    LinkIdCounter ids;
    NetworkFile document(ids);
    if (!document.Read(options.file, prompter)) {
        return 1;
    }
    std::vector<MonitorUnit> units =
        document.Root() != nullptr ? MonitorUnitsOf(*document.Root()) : std::vector<MonitorUnit>{};
    if (units.empty()) {
        *ctx.err << options.file << ": no radio block with a unit address\n";
        return 1;
    }
    MonitorModel monitor(ctx.ports, PortName(options.port), ctx.clock);
    monitor.SetUnits(units);
    monitor.Link().SetTrafficLogging(ctx.verbose);
    // Progress goes to the error stream, the samples to the output.
    LogPrinter log(*ctx.err, monitor.Log());
    std::map<std::uint16_t, std::size_t> printed;
    std::uint64_t saved = 0;
    bool csvFailed = false;
    const auto printSamples = [&] {
        for (const MonitorUnit& unit : units) {
            const std::vector<MonitorModel::Sample> history = monitor.History(unit.ua);
            for (std::size_t& n = printed[unit.ua]; n < history.size(); ++n) {
                *ctx.out << SampleLine(unit, history[n]) << std::endl;
            }
        }
        // Saved after every pass, so that an interrupted run keeps what it saw.
        if (!options.csv.empty() && monitor.PassesDone() != saved && !csvFailed) {
            saved = monitor.PassesDone();
            if (!monitor.ExportCsv(options.csv)) {
                *ctx.err << options.csv << ": cannot be written\n";
                csvFailed = true;
                monitor.Stop();
            }
        }
    };
    OperationRunner runner(ctx, monitor.Log(), [&log] { log.Finish(); });
    OperationControl control;
    control.start = [&] { return monitor.Start(Millis{1000} * options.interval, options.count); };
    control.running = [&] { return monitor.Busy(); };
    control.stop = [&] {
        monitor.Stop();
        monitor.Wait();
    };
    control.poll = printSamples;
    const RunEnd end = runner.Run(control);
    if (end == RunEnd::NotStarted) {
        return 1;
    }
    printSamples();
    if (end == RunEnd::Cancelled) {
        monitor.Wait();
        return kInterruptedExitCode;
    }
    monitor.Wait();
    log.Finish();
    if (!monitor.PortOpened()) {
        return 1;
    }
    return csvFailed ? 1 : 0;
}

SKELVANE_CLI_COMMAND(176, [](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand(
        "monitor", "Poll the diagnostic values of every unit of FILE, a pass every interval");
    auto options = std::make_shared<MonitorOptions>();
    AddPortOption(*sub, options->port);
    sub->add_option("FILE", options->file, "Network file whose units are polled")->required();
    sub->add_option("--interval", options->interval, "Seconds from one pass to the next (30)")
        ->check(CLI::Range(1u, 86400u));
    sub->add_option("--count", options->count, "Number of passes (default: until interrupted)")
        ->check(CLI::Range(1u, 1000000u));
    sub->add_option("--csv", options->csv,
                    "CSV file for every sample (time, UA, name, every value), rewritten after "
                    "each pass");
    sub->callback([&ctx, options] { ctx.exitCode = RunMonitor(ctx, *options); });
});

}  // namespace
}  // namespace skelvane::cli
