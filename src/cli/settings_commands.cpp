// skelvane-cli read, write, version, serial, reset and defaults: the Settings page's
// operations on a unit, with its log lines printed as they appear.

#include <memory>
#include <ostream>
#include <string>

#include "base/latin1.h"
#include "cli/command.h"
#include "cli/console_prompter.h"
#include "cli/device_options.h"
#include "cli/operation_runner.h"
#include "link/default_sets.h"
#include "link/version_number.h"
#include "operations/current_remote_ua.h"
#include "operations/settings_page_model.h"

namespace skelvane::cli {
namespace {

using Operation = bool (SettingsPageModel::*)();

// Runs one Settings operation to its end and applies what it read to the block.
bool Run(Context& ctx, SettingsPageModel& page, OperationRunner& runner, Operation operation) {
    page.Link().SetTrafficLogging(ctx.verbose);
    if (runner.Run(LinkOperation(
            page.Link(), [&page, operation] { return (page.*operation)(); })) != RunEnd::Finished) {
        return false;
    }
    page.ApplyWorkerResults();
    return page.LastOutcome() == SettingsOutcome::Succeeded;
}

void Choose(SettingsPageModel& page, const UnitOptions& unit) {
    page.ChooseLocal(unit.local);
    if (!unit.local) {
        page.Link().SetUnitAddress(unit.remote);
    }
}

// "read" and "write": an operation on a block of a network file.
void AddBlockCommand(CLI::App& app, Context& ctx, const char* name, const char* help,
                     Operation operation, bool save) {
    auto* sub = app.add_subcommand(name, help);
    auto options = std::make_shared<BlockOptions>();
    auto noVerify = std::make_shared<bool>(false);
    AddBlockOptions(*sub, *options);
    if (!save) {
        sub->add_flag("--no-verify", *noVerify, "Do not read back what was written");
    }
    sub->callback([&ctx, options, operation, save, noVerify] {
        ConsolePrompter prompter(*ctx.err);
        BlockOfFile file(ctx, prompter, *options);
        if (file.Get() == nullptr) {
            return;
        }
        UnitFacts facts;
        CurrentRemoteUa remoteUa;
        SettingsPageModel page(*file.Get(), ctx.ports, PortName(options->unit), facts, remoteUa,
                               prompter, ctx.clock);
        OperationRunner runner(ctx, page.Log());
        Choose(page, options->unit);
        page.SetVerify(!*noVerify);
        if (!Run(ctx, page, runner, operation)) {
            ctx.exitCode = 1;
            return;
        }
        if (save && !file.Save(prompter)) {
            ctx.exitCode = 1;
            return;
        }
        ctx.exitCode = 0;
    });
}

// A block that holds only what the unit-wide operations fill.
std::unique_ptr<Block> ScratchBlock() {
    auto block = CreateBlock(static_cast<int>(BlockKind::Remote));
    for (const char* name : {"VersionNo", "SerialNo"}) {
        Parameter parameter;
        parameter.type = kTextParameterType;
        parameter.name = name;
        block->AddParameter(std::move(parameter));
    }
    return block;
}

// The Settings page of a unit-wide operation: a scratch block, the unit the options name,
// the log printed as it grows.
struct UnitPage {
    UnitPage(Context& ctx, const UnitOptions& unit)
        : prompter(*ctx.err),
          block(ScratchBlock()),
          page(*block, ctx.ports, PortName(unit), facts, remoteUa, prompter, ctx.clock),
          runner(ctx, page.Log()) {
        Choose(page, unit);
    }
    std::string Text(const char* name) const {
        return Latin1ToUtf8(block->FindParameter(name)->textValue);
    }

    ConsolePrompter prompter;
    std::unique_ptr<Block> block;
    UnitFacts facts;
    CurrentRemoteUa remoteUa;
    SettingsPageModel page;
    OperationRunner runner;
};

// "version", "serial" and "reset": no network file; `show` names the text parameter printed
// afterwards (empty: nothing).
void AddUnitCommand(CLI::App& app, Context& ctx, const char* name, const char* help,
                    Operation operation, std::string show, std::string label) {
    auto* sub = app.add_subcommand(name, help);
    auto unit = std::make_shared<UnitOptions>();
    AddUnitOptions(*sub, *unit);
    sub->callback([&ctx, unit, operation, show, label] {
        UnitPage unitPage(ctx, *unit);
        if (!Run(ctx, unitPage.page, unitPage.runner, operation)) {
            ctx.exitCode = 1;
            return;
        }
        if (!show.empty()) {
            unitPage.runner.Printer()->Print(label + ": " + unitPage.Text(show.c_str()));
        }
        ctx.exitCode = 0;
    });
}

SKELVANE_CLI_COMMAND(100, [](CLI::App& app, Context& ctx) {
    AddBlockCommand(app, ctx, "read", "Read all of a unit's settings into BLOCK and save FILE",
                    &SettingsPageModel::ReadAll, true);
    AddBlockCommand(app, ctx, "write", "Write BLOCK's listed parameters to a unit",
                    &SettingsPageModel::Write, false);
    AddUnitCommand(app, ctx, "version", "Read a unit's firmware version",
                   &SettingsPageModel::Version, "VersionNo", "Version");
    AddUnitCommand(app, ctx, "serial", "Read a unit's serial number",
                   &SettingsPageModel::SerialNumber, "SerialNo", "Serial number");
    AddUnitCommand(app, ctx, "reset", "Reset a unit", &SettingsPageModel::Reset, "", "");
});

SKELVANE_CLI_COMMAND(110, [](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand(
        "defaults", "Make a unit load a factory default set (firmware 4.45 and later)");
    auto unit = std::make_shared<UnitOptions>();
    auto set = std::make_shared<std::string>();
    AddUnitOptions(*sub, *unit);
    sub->add_option("--set", *set, "F1, F2, F4, F5, F6, F7, F8 or F9")
        ->required()
        ->check([](const std::string& text) {
            return DefaultSetIndex(text) ? std::string() : "not one of the default sets";
        });
    sub->callback([&ctx, unit, set] {
        UnitPage unitPage(ctx, *unit);
        SettingsPageModel& page = unitPage.page;
        OperationRunner& runner = unitPage.runner;
        // As on the Settings page, the sets are offered only once the unit has shown a
        // firmware version that has them.
        if (!Run(ctx, page, runner, &SettingsPageModel::Version)) {
            ctx.exitCode = 1;
            return;
        }
        if (!page.DefaultEnabled()) {
            runner.Printer()->Print("The unit's firmware (" + unitPage.Text("VersionNo") +
                                    ") has no factory default sets.");
            ctx.exitCode = 1;
            return;
        }
        const bool done = runner.Run(LinkOperation(page.Link(), [&page, &set] {
            return page.Default(DefaultSetIndex(*set));
        })) == RunEnd::Finished;
        ctx.exitCode = done && page.LastOutcome() == SettingsOutcome::Succeeded ? 0 : 1;
    });
});

}  // namespace
}  // namespace skelvane::cli
