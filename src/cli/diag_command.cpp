// skelvane-cli diag: the Diagnostics page on the command line. Reads the diagnostic values
// of a unit into a block's parameters and prints them, once or for a number of polls, or
// gets or sets one register value of 1, 2 or 4 bytes.

#include <algorithm>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "base/latin1.h"
#include "cli/command.h"
#include "cli/console_prompter.h"
#include "cli/device_options.h"
#include "cli/operation_runner.h"
#include "operations/current_remote_ua.h"
#include "operations/diagnostics_page_model.h"

namespace skelvane::cli {
namespace {

using Field = DiagnosticsPageModel::Field;

struct CustomRequest {
    std::string size;
    std::vector<std::string> ids;
    std::string value;
};

// One register id as typed: decimal, or hexadecimal after "0x".
std::optional<std::string> IdText(std::string text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        unsigned long id = 0;
        for (std::size_t i = 2; i < text.size(); ++i) {
            const char c = text[i];
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0 || (id = id * 16 + static_cast<unsigned long>(digit)) > 255) {
                return std::nullopt;
            }
        }
        return std::to_string(id);
    }
    if (text.empty() || text.size() > 3 ||
        text.find_first_not_of("0123456789") != std::string::npos || std::stoi(text) > 255) {
        return std::nullopt;
    }
    return text;
}

// "SIZE:ID1[,ID2,...]" with "=VALUE" when `withValue`.
std::optional<CustomRequest> ParseCustom(const std::string& text, bool withValue) {
    CustomRequest request;
    std::string rest = text;
    if (withValue) {
        const auto equals = rest.find('=');
        if (equals == std::string::npos) {
            return std::nullopt;
        }
        request.value = rest.substr(equals + 1);
        rest.resize(equals);
    }
    const auto colon = rest.find(':');
    if (colon == std::string::npos) {
        return std::nullopt;
    }
    request.size = rest.substr(0, colon);
    std::string ids = rest.substr(colon + 1) + ",";
    for (std::size_t at = 0, comma = 0; (comma = ids.find(',', at)) != std::string::npos;
         at = comma + 1) {
        auto id = IdText(ids.substr(at, comma - at));
        if (!id || request.ids.size() == 4) {
            return std::nullopt;
        }
        request.ids.push_back(*id);
    }
    return request;
}

std::string CheckCustom(const std::string& text, bool withValue) {
    return ParseCustom(text, withValue) ? std::string()
           : withValue                  ? "expected SIZE:ID1[,ID2,...]=VALUE with ids 0 to 255"
                                        : "expected SIZE:ID1[,ID2,...] with ids 0 to 255";
}

void PutCustom(DiagnosticsPageModel& page, const CustomRequest& request) {
    page.SetFieldText(Field::Size, request.size);
    for (std::size_t k = 0; k < 4; ++k) {
        page.SetFieldText(static_cast<Field>(1 + k), k < request.ids.size() ? request.ids[k] : "0");
    }
    if (!request.value.empty()) {
        page.SetFieldText(Field::Value, request.value);
    }
}

void PrintValues(LogPrinter& printer, const DiagnosticsPageModel& page, std::uint64_t pass) {
    printer.Print("Pass " + std::to_string(pass) + ":");
    for (const DiagnosticsPageModel::Row& row : page.Rows()) {
        if (row.hasValue) {
            const std::string& label = row.description.empty() ? row.name : row.description;
            printer.Print("  " + Latin1ToUtf8(label) + ": " + (row.missing ? "n/a" : row.value));
        }
    }
}

SKELVANE_CLI_COMMAND(120, [](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand("diag", "Read a unit's diagnostic values into BLOCK");
    auto options = std::make_shared<BlockOptions>();
    auto polls = std::make_shared<unsigned>(0);
    auto get = std::make_shared<std::string>();
    auto set = std::make_shared<std::string>();
    AddBlockOptions(*sub, *options);
    sub->add_option("--poll", *polls, "Repeat once a second, this many passes")
        ->check(CLI::Range(1u, 1000000u));
    auto* getOption =
        sub->add_option("--get", *get, "Read one value: SIZE:ID1[,ID2,...] (ids 0-255 or 0x..)")
            ->check([](const std::string& t) { return CheckCustom(t, false); });
    sub->add_option("--set", *set, "Write one value: SIZE:ID1[,...]=VALUE")
        ->check([](const std::string& t) { return CheckCustom(t, true); })
        ->excludes(getOption);
    sub->callback([&ctx, options, polls, get, set] {
        ConsolePrompter prompter(*ctx.err);
        BlockOfFile file(ctx, prompter, *options);
        if (file.Get() == nullptr) {
            return;
        }
        // Declared before the page, whose worker reports into them until the page is gone.
        std::mutex passMutex;
        std::vector<bool> passes;  // each finished pass: did it do what it was for
        CurrentRemoteUa remoteUa;
        remoteUa.Set(static_cast<std::uint16_t>(options->unit.remote));
        DiagnosticsPageModel page(*file.Get(), ctx.ports, PortName(options->unit), remoteUa,
                                  prompter, ctx.clock);
        page.Activate();
        page.ChooseLocal(options->unit.local);
        page.Link().SetTrafficLogging(ctx.verbose);
        OperationRunner runner(ctx, page.Log());
        LogPrinter& printer = *runner.Printer();

        const unsigned wanted = std::max(*polls, 1u);
        const bool reading = get->empty() && set->empty();
        page.SetPassListener([&](std::uint64_t pass, bool ok) {
            if (pass >= wanted) {
                page.Stop();
            }
            std::lock_guard lock(passMutex);
            passes.push_back(ok);
        });
        page.SetPollChecked(*polls > 0);

        OperationControl control = LinkOperation(page.Link(), [&] {
            if (!get->empty()) {
                PutCustom(page, *ParseCustom(*get, false));
                return page.Get();
            }
            if (!set->empty()) {
                PutCustom(page, *ParseCustom(*set, true));
                return page.Set();
            }
            return page.Read();
        });
        // Every pass that has ended is shown once its values are in the page.
        std::size_t done = 0;
        bool allOk = true;
        control.poll = [&] {
            page.ApplyWorkerResults();
            std::vector<bool> finished;
            {
                std::lock_guard lock(passMutex);
                finished.assign(passes.begin() + static_cast<std::ptrdiff_t>(done), passes.end());
            }
            for (const bool ok : finished) {
                ++done;
                allOk = allOk && ok;
                // A failed pass still shows what it received; the rest reads n/a.
                if (reading) {
                    PrintValues(printer, page, done);
                } else if (ok) {
                    printer.Print("Value: " + page.FieldText(Field::Value));
                }
            }
        };
        const RunEnd end = runner.Run(control);
        if (end == RunEnd::NotStarted && page.FocusedField()) {
            page.Close();
            printer.Print(
                "The custom parameter is not valid: size 1 to 4, ids 0 to 255, value "
                "0 to 4294967295.");
            ctx.exitCode = 2;
            return;
        }
        if (end != RunEnd::Finished) {
            ctx.exitCode = 1;
            return;
        }
        ctx.exitCode = done > 0 && allOk ? 0 : 1;
    });
});

}  // namespace
}  // namespace skelvane::cli
