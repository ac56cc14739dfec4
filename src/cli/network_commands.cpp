// skelvane-cli info FILE and copy IN OUT: the network file from the command line.
#include <ostream>
#include <string>

#include "base/latin1.h"
#include "cli/command.h"
#include "cli/console_prompter.h"
#include "document/block.h"
#include "document/network_file.h"

namespace skelvane::cli {
namespace {

std::string DescribeLinks(const Block& block) {
    std::string text;
    const auto add = [&text](const char* direction, const LinkEnd& end) {
        text += text.empty() ? "" : ", ";
        text += direction;
        text += ' ' + std::to_string(end.id) + " \"" + Latin1ToUtf8(end.name) + '"';
    };
    for (const LinkEnd& end : block.Inputs()) {
        add("in", end);
    }
    for (const LinkEnd& end : block.Outputs()) {
        add("out", end);
    }
    return text.empty() ? "none" : text;
}

int CountBlocks(const Block* block) {
    int count = 0;
    for (; block != nullptr; block = block->NextSibling()) {
        count += 1 + CountBlocks(block->FirstChild());
    }
    return count;
}

// The blocks in the order the program walks them: each block, then its children newest first.
void PrintBlocks(std::ostream& out, const Block* block, int level) {
    for (; block != nullptr; block = block->NextSibling()) {
        out << std::string(static_cast<std::size_t>(level) * 2, ' ') << KindName(block->KindCode())
            << " \"" << Latin1ToUtf8(block->Name()) << "\" at (" << block->X() << ", " << block->Y()
            << "); links: " << DescribeLinks(*block) << "; " << block->Parameters().size()
            << " parameters\n";
        PrintBlocks(out, block->FirstChild(), level + 1);
    }
}

SKELVANE_CLI_COMMAND(10, [](CLI::App& app, Context& ctx) {
    auto* sub =
        app.add_subcommand("info", "Blocks, link ends and parameter counts of a network file");
    auto file = std::make_shared<std::string>();
    sub->add_option("FILE", *file, "Network file")->required();
    sub->callback([&ctx, file] {
        LinkIdCounter ids;
        NetworkFile document(ids);
        ConsolePrompter prompter(*ctx.err);
        if (!document.Read(*file, prompter)) {
            ctx.exitCode = 1;
            return;
        }
        const int blocks = CountBlocks(document.Root());
        *ctx.out << *file << ": " << blocks << (blocks == 1 ? " block\n" : " blocks\n");
        PrintBlocks(*ctx.out, document.Root(), 0);
    });
});

SKELVANE_CLI_COMMAND(20, [](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand("copy", "Read a network file and save it again");
    auto in = std::make_shared<std::string>();
    auto out = std::make_shared<std::string>();
    sub->add_option("IN", *in, "Network file to read")->required();
    sub->add_option("OUT", *out, "Network file to write")->required();
    sub->callback([&ctx, in, out] {
        LinkIdCounter ids;
        NetworkFile document(ids);
        ConsolePrompter prompter(*ctx.err);
        if (!document.Read(*in, prompter) || !document.Save(*out, prompter)) {
            ctx.exitCode = 1;
        }
    });
});

}  // namespace
}  // namespace skelvane::cli
