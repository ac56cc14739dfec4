// skelvane-cli new [--model NAME] OUT: a new network from a model's template, as the
// program's New command makes it.
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "base/latin1.h"
#include "cli/command.h"
#include "cli/console_prompter.h"
#include "document/document_session.h"

namespace skelvane::cli {
namespace {

// Messages go to the terminal; the model list is answered with the model asked for on the
// command line (the default model's entry when none was asked for).
class ModelPrompter final : public ForwardingPrompter {
  public:
    ModelPrompter(Prompter& console, std::optional<std::string> model)
        : ForwardingPrompter(console), model_(std::move(model)) {}

    std::optional<std::size_t> Choose(std::string_view caption,
                                      const std::vector<std::string>& items,
                                      std::size_t selected) override {
        if (!model_.has_value()) {
            return ForwardingPrompter::Choose(caption, items, selected);
        }
        // An exact match first, so that models differing only in case stay apart.
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (items[i] == *model_) {
                return i;
            }
        }
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (EqualsNoCase(items[i], *model_)) {
                return i;
            }
        }
        return std::nullopt;
    }

  private:
    std::optional<std::string> model_;
};

std::string JoinNames(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += text.empty() ? "" : ", ";
        text += Latin1ToUtf8(name);
    }
    return text.empty() ? std::string(kDefaultModelName) : text;
}

struct NewOptions {
    std::string model;
    std::string out;
};

int RunNew(Context& ctx, const NewOptions& options) {
    std::optional<std::string> model;
    if (!options.model.empty()) {
        model = Utf8ToLatin1(options.model);
    }
    ConsolePrompter console(*ctx.err);
    ModelPrompter prompter(console, model);
    LinkIdCounter ids;
    DocumentSession session(prompter, ids, DefaultSessionPaths());
    if (!session.StartUp()) {
        return 1;
    }
    if (model.has_value() && !EqualsNoCase(session.ModelName(), *model)) {
        *ctx.err << "skelvane-cli: no model " << options.model
                 << " in the model list (models: " << JoinNames(session.ModelNames()) << ")\n";
        return 1;
    }
    if (!session.SaveAs(options.out)) {
        return 1;
    }
    *ctx.out << options.out << ": new " << Latin1ToUtf8(session.ModelName()) << " network from "
             << Latin1ToUtf8(session.TemplateFileName()) << "\n";
    return 0;
}

SKELVANE_CLI_COMMAND(15, [](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand("new", "A new network from a model's template");
    auto options = std::make_shared<NewOptions>();
    sub->add_option("--model", options->model,
                    "Radio model of the configuration's model list (default " +
                        std::string(kDefaultModelName) + ")");
    sub->add_option("OUT", options->out, "Network file to write")->required();
    sub->callback([&ctx, options] { ctx.exitCode = RunNew(ctx, *options); });
});

}  // namespace
}  // namespace skelvane::cli
