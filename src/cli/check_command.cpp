// skelvane-cli check: the plan of a network checked without contacting a unit.

#include <memory>
#include <ostream>

#include "base/latin1.h"
#include "cli/command.h"
#include "cli/console_prompter.h"
#include "document/network_file.h"
#include "operations/network_check.h"

namespace skelvane::cli {
namespace {

SKELVANE_CLI_COMMAND(330, [](CLI::App& app, Context& ctx) {
    auto* sub =
        app.add_subcommand("check", "Check a network's plan (0 clean, 1 findings, 2 unreadable)");
    auto file = std::make_shared<std::string>();
    sub->add_option("FILE", *file, "Network file")->required();
    sub->callback([&ctx, file] {
        ConsolePrompter prompter(*ctx.err);
        LinkIdCounter ids;
        NetworkFile document(ids);
        if (!document.Read(*file, prompter) || document.Root() == nullptr) {
            ctx.exitCode = 2;
            return;
        }
        const std::vector<Finding> findings = CheckNetwork(*document.Root());
        for (const Finding& finding : findings) {
            *ctx.out << Latin1ToUtf8(finding.text) << '\n';
        }
        ctx.exitCode = findings.empty() ? 0 : 1;
    });
});

}  // namespace
}  // namespace skelvane::cli
