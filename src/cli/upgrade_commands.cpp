// skelvane-cli soft-upgrade and hard-upgrade: firmware upgrades from the command line, with
// the same log lines as the dialogs (and the upgrade log file with --log).

#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "base/decimal.h"
#include "base/latin1.h"
#include "cli/command.h"
#include "cli/console_prompter.h"
#include "cli/device_options.h"
#include "cli/operation_runner.h"
#include "cli/upgrade_console.h"
#include "link/port_names.h"
#include "link/port_settings.h"
#include "operations/hard_upgrade_model.h"
#include "operations/soft_upgrade_model.h"
#include "upgrade/schedule_table.h"

namespace skelvane::cli {
namespace {

std::string MinuteCheck(const std::string& text) {
    return ParseScheduleMinute(text) ? std::string()
                                     : "expected \"YYYY-MM-DD HH:MM\", got \"" + text + "\"";
}

// --retries: a positive number of attempts, or "forever".
std::string RetriesCheck(const std::string& text) {
    if (text == "forever") {
        return {};
    }
    const bool digits = !text.empty() && text.size() <= 9 &&
                        text.find_first_not_of("0123456789") == std::string::npos;
    if (!digits || std::stol(text) < 1) {
        return "expected a positive number or \"forever\", got \"" + text + "\"";
    }
    return {};
}

// Shows the model's log, its transfer's progress, every retry as it happens and, with -v,
// the verbose lines.
void Attach(UpgradeModel& model, UpgradeConsole& console, bool verbose) {
    console.Attach(model.Log().Pane());
    model.SetProgressListener(
        [&console](std::size_t done, std::size_t total) { console.Progress(done, total); });
    model.SetRetryListener([&console](const std::string& text) { console.Note(text); });
    if (verbose) {
        model.SetVerboseListener([&console](const std::string& text) { console.Note(text); });
    }
}

std::string PortOrSaved(const std::string& port) {
    return port.empty() ? StripInUseSuffix(LoadPortSettings().portName) : port;
}

struct SoftOptions {
    std::string port;
    std::string file;
    bool local = false;
    std::string uaList;
    std::string retries = "100";
    bool noCrc = false;
    std::string start;
    std::string end;
    std::string log;
    std::string expectVersion;
};

// What the runner needs of an upgrade model: it runs while its worker does, and a stop ends
// the worker and appends " cancelled." to the upgrade log (and its file).
template <typename Model>
OperationControl UpgradeControl(Model& model, std::function<bool()> start) {
    OperationControl control;
    control.start = std::move(start);
    control.running = [&model] {
        if (model.WorkerRunning()) {
            return true;
        }
        model.WaitForWorker();
        return false;
    };
    control.stop = [&model] { model.Close(); };
    control.logCancel = [&model] { model.Log().Append(" cancelled."); };
    return control;
}

int RunSoftUpgrade(Context& ctx, const SoftOptions& options) {
    ConsolePrompter prompter(*ctx.err);
    ScheduleTable schedule;  // the program-wide table: this run is the program
    SoftUpgradeModel model(ctx.ports, PortOrSaved(options.port), 0, schedule, ctx.clock, prompter);
    UpgradeConsole console(*ctx.out, ctx.out == &std::cout && StandardOutputIsTerminal(),
                           ctx.clock);
    Attach(model, console, ctx.verbose);
    OperationRunner runner(ctx, model.Log().Pane(), [&console] { console.Finish(); });

    SoftUpgradeFields fields;
    fields.retries = options.retries == "forever" ? "-1" : options.retries;
    fields.expectVersion = options.expectVersion;
    fields.crcVerify = !options.noCrc;
    fields.uaList = options.uaList;
    model.SetFields(fields);
    if (!options.log.empty()) {
        model.BrowseLogFile(options.log);
    }
    model.BrowseFile(options.file);
    if (!model.View().programEnabled) {
        console.Finish();
        return 1;
    }

    if (!options.start.empty()) {
        SchedulePickers pickers;
        pickers.startDate = pickers.startTime = *ParseScheduleMinute(options.start);
        pickers.endDate = pickers.endTime = *ParseScheduleMinute(options.end);
        model.SetPickers(pickers);
        OperationControl control = UpgradeControl(model, [&model] { return model.Start(); });
        control.running = [&model] {
            if (model.View().armed || model.WorkerRunning()) {
                return true;
            }
            model.WaitForWorker();
            return false;
        };
        control.stop = [&model] {
            model.Stop();
            model.Close();
        };
        // The dialog's one-second timer.
        Millis nextTick = ctx.clock.Now() + Millis{1000};
        control.poll = [&] {
            if (ctx.clock.Now() >= nextTick) {
                nextTick += Millis{1000};
                model.Tick();
            }
        };
        if (runner.Run(control) != RunEnd::Finished) {
            return 1;
        }
        return schedule.FirstPending() ? 1 : 0;
    }

    std::vector<std::uint16_t> units;
    if (options.local) {
        units.push_back(0);
    } else {
        if (!CheckUaList(options.uaList, schedule, prompter)) {
            console.Finish();
            return 1;
        }
        for (const std::uint32_t entry : schedule.Entries()) {
            if (entry != ScheduleTable::kEmpty) {
                units.push_back(static_cast<std::uint16_t>(entry));
            }
        }
    }
    bool allDone = true;
    for (const std::uint16_t ua : units) {
        model.SetUnitAddress(ua);
        const RunEnd end = runner.Run(UpgradeControl(model, [&model] { return model.Program(); }));
        if (end == RunEnd::Cancelled) {
            return 1;
        }
        allDone =
            allDone && end == RunEnd::Finished && model.LastResult() == UpgradeResult::Completed;
    }
    return allDone ? 0 : 1;
}

int RunHardUpgrade(Context& ctx, const std::string& port, const std::string& file,
                   bool forceErase) {
    HardUpgradeModel model(ctx.ports, PortOrSaved(port), ctx.clock);
    UpgradeConsole console(*ctx.out, ctx.out == &std::cout && StandardOutputIsTerminal(),
                           ctx.clock);
    Attach(model, console, ctx.verbose);
    OperationRunner runner(ctx, model.Log().Pane(), [&console] { console.Finish(); });
    model.BrowseFile(file);
    HardUpgradeFields fields = model.Fields();
    fields.forceErase = forceErase;
    model.SetFields(fields);
    if (runner.Run(UpgradeControl(model, [&model] { return model.Program(); })) !=
        RunEnd::Finished) {
        return 1;
    }
    return model.LastResult() == UpgradeResult::Completed ? 0 : 1;
}

SKELVANE_CLI_COMMAND(90, [](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand(
        "soft-upgrade",
        "Send a firmware image over the diagnostic link to the local unit or a list of units, "
        "now or in a time window");
    auto options = std::make_shared<SoftOptions>();
    AddPortOption(*sub, options->port);
    sub->add_option("--file", options->file, "Firmware image (at most 262144 bytes)")->required();
    auto* local = sub->add_flag("--local", options->local, "Upgrade the unit on the cable");
    auto* ua = sub->add_option("--ua", options->uaList,
                               "Unit addresses 2..65534, separated by commas or blanks");
    local->excludes(ua);
    sub->add_option("--retries", options->retries,
                    "Attempts of each exchange, or \"forever\" (default 100)")
        ->check(RetriesCheck);
    auto* noCrc = sub->add_flag("--no-crc", options->noCrc,
                                "Skip the CRC check before arming and the firmware version "
                                "check before and after");
    sub->add_option("--expect-version", options->expectVersion,
                    "Fail unless the unit reports this firmware version afterwards")
        ->excludes(noCrc);
    auto* start =
        sub->add_option("--start", options->start, "Start of the time window, \"YYYY-MM-DD HH:MM\"")
            ->check(MinuteCheck);
    auto* end =
        sub->add_option("--end", options->end, "End of the time window")->check(MinuteCheck);
    start->needs(end);
    end->needs(start);
    start->needs(ua);
    sub->add_option("--log", options->log, "Upgrade log file (created empty)");
    sub->callback([&ctx, options, local, ua] {
        if (local->count() == 0 && ua->count() == 0) {
            *ctx.err << "soft-upgrade: one of --local and --ua is required\n";
            ctx.exitCode = 2;
            return;
        }
        ctx.exitCode = RunSoftUpgrade(ctx, *options);
    });
});

SKELVANE_CLI_COMMAND(91, [](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand(
        "hard-upgrade",
        "Program the whole flash of the unit on the programming cable in its boot mode");
    auto port = std::make_shared<std::string>();
    auto file = std::make_shared<std::string>();
    auto forceErase = std::make_shared<bool>(false);
    AddPortOption(*sub, *port);
    sub->add_option("--file", *file, "Firmware image")->required();
    sub->add_flag("--force-erase", *forceErase, "Erase the flash even when it is blank");
    sub->callback([&ctx, port, file, forceErase] {
        ctx.exitCode = RunHardUpgrade(ctx, *port, *file, *forceErase);
    });
});

}  // namespace
}  // namespace skelvane::cli
