// skelvane-cli restrictions read|write: the "Restrictions & Repeaters" page on the command
// line. "read" fills a block's restriction entries and repeater list from a unit and saves
// the file; "write" sends them to the unit and has it save them to its memory.

#include <cstddef>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "base/latin1.h"
#include "cli/command.h"
#include "cli/console_prompter.h"
#include "cli/device_options.h"
#include "cli/operation_runner.h"
#include "operations/current_remote_ua.h"
#include "operations/restrictions_page.h"
#include "restrictions/restriction_table.h"

namespace skelvane::cli {
namespace {

using Operation = bool (RestrictionsPage::*)();

// A Write's validation messages come from the worker while a log line may still be waiting
// for its result: that line is ended first, so a message never lands in the middle of it.
class LogAwarePrompter final : public ForwardingPrompter {
  public:
    using ForwardingPrompter::ForwardingPrompter;
    void SetPrinter(LogPrinter* printer) { printer_ = printer; }

  protected:
    Reply Relay(Call call) override {
        if (printer_ != nullptr) {
            printer_->Finish();
        }
        return call();
    }

  private:
    LogPrinter* printer_ = nullptr;
};

// Runs one operation of the page to its end and applies what it read to the block. True when
// it did not fail.
bool Run(RestrictionsPage& page, OperationRunner& runner, Operation operation) {
    if (runner.Run(LinkOperation(
            page.Link(), [&page, operation] { return (page.*operation)(); })) != RunEnd::Finished) {
        return false;
    }
    page.ApplyWorkerResults();
    const auto report = page.LastReport();
    return report && report->outcome == RestrictionsOutcome::Succeeded;
}

void AddOperation(CLI::App& parent, Context& ctx, const char* name, const char* help, bool write) {
    auto* sub = parent.add_subcommand(name, help);
    auto options = std::make_shared<BlockOptions>();
    AddBlockOptions(*sub, *options);
    sub->callback([&ctx, options, write] {
        ctx.exitCode = 1;
        ConsolePrompter prompter(*ctx.err);
        BlockOfFile file(ctx, prompter, *options);
        if (file.Get() == nullptr) {
            return;
        }
        UnitFacts facts;
        RestrictionState state;
        CurrentRemoteUa remoteUa;
        remoteUa.Set(static_cast<std::uint16_t>(options->unit.remote));
        LogAwarePrompter workerPrompter(prompter);
        RestrictionsPage page(*file.Get(), ctx.ports, PortName(options->unit), facts, state,
                              remoteUa, workerPrompter, ctx.clock);
        page.Link().SetTrafficLogging(ctx.verbose);
        OperationRunner runner(ctx, page.Log());
        workerPrompter.SetPrinter(runner.Printer());
        page.Activate();
        page.ChooseLocal(options->unit.local);

        // A Write goes by the band and firmware version the program last learned of the
        // unit; here nothing has been learned yet, so the unit is asked first.
        if (write && !Run(page, runner, &RestrictionsPage::ReadUnitFacts)) {
            return;
        }
        if (!Run(page, runner, write ? &RestrictionsPage::Write : &RestrictionsPage::Read)) {
            return;
        }
        // A unit whose firmware keeps no restriction table has had nothing read or written.
        if (!page.LastReport()->restrictions) {
            return;
        }
        if (!write && !file.Save(prompter)) {
            return;
        }
        ctx.exitCode = 0;
    });
}

SKELVANE_CLI_COMMAND(115, [](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand(
        "restrictions", "Read or write a block's frequency restrictions and repeater list");
    sub->require_subcommand(1);
    AddOperation(*sub, ctx, "read",
                 "Read a unit's restriction entries and repeater list into BLOCK; saves FILE",
                 false);
    AddOperation(*sub, ctx, "write",
                 "Write BLOCK's restriction entries and repeater list to a unit", true);
});

}  // namespace
}  // namespace skelvane::cli
