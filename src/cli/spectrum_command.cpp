// skelvane-cli spectrum: the noise on every channel of the radio on the data port, measured
// by the radio itself over AT commands, as comma-separated values.

#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>

#include "base/latin1.h"
#include "cli/command.h"
#include "cli/console_prompter.h"
#include "cli/device_options.h"
#include "cli/operation_runner.h"
#include "link/port_settings.h"
#include "operations/spectrum_page.h"
#include "spectrum/scan_parser.h"
#include "spectrum/spectrum_chart.h"

namespace skelvane::cli {
namespace {

struct SpectrumOptions {
    std::string port;
    std::string baud;
    int scans = 1;
    std::string csv;
};

// Prints each progress line of a log pane once it is complete: when the next line starts,
// and the last one when Finish is called.
class LinePrinter {
  public:
    explicit LinePrinter(std::ostream& out) : out_(out) {}

    void Hear(LogPane::Event event, const std::string& text) {
        std::lock_guard lock(mutex_);
        if (event == LogPane::Event::Added && pending_) {
            out_ << Latin1ToUtf8(*pending_) << std::endl;
        }
        pending_ = text;
    }

    void Finish() {
        std::lock_guard lock(mutex_);
        if (pending_) {
            out_ << Latin1ToUtf8(*pending_) << std::endl;
            pending_.reset();
        }
    }

  private:
    std::ostream& out_;
    std::mutex mutex_;
    std::optional<std::string> pending_;
};

void RunSpectrum(Context& ctx, const SpectrumOptions& options) {
    PortSettings settings = LoadPortSettings();
    if (!options.port.empty()) {
        settings.portName = options.port;
    }
    if (!options.baud.empty()) {
        settings.baudRate = options.baud;
    }

    ScanParserState parser;
    ConsolePrompter prompter(*ctx.err);
    LinePrinter printer(*ctx.out);
    SpectrumPage page(ctx.ports, settings, parser, ctx.clock, prompter);
    page.Log().SetListener(
        [&printer](LogPane::Event event, const std::string& text) { printer.Hear(event, text); });
    page.SetScanLimit(options.scans);
    OperationRunner runner(ctx, page.Log(), [&printer] { printer.Finish(); });
    OperationControl control;
    control.start = [&page] {
        page.PressScan();
        return true;
    };
    control.running = [&page] {
        if (page.WorkerRunning()) {
            return true;
        }
        page.WaitForWorker();
        return false;
    };
    control.stop = [&page] { page.Close(); };
    if (runner.Run(control) != RunEnd::Finished) {
        ctx.exitCode = 1;
        return;
    }

    const SpectrumPage::RunSummary run = page.LastRun();
    if (!run.setUp || run.portFailed) {
        ctx.exitCode = 1;
        return;
    }
    if (run.answers == 0) {
        *ctx.err << "skelvane-cli: the radio did not answer \"ATg\"\n";
        ctx.exitCode = 1;
        return;
    }
    const ChannelPlan plan = page.CurrentState().plan;
    const std::string csv = SpectrumCsv(page.Chart(), plan);
    if (options.csv.empty()) {
        *ctx.out << csv;
    } else if (!SaveSpectrumCsv(options.csv, csv)) {
        *ctx.err << "skelvane-cli: cannot write " << options.csv << "\n";
        ctx.exitCode = 1;
        return;
    }
    // Holds over fewer sweeps than asked for are not what was asked for.
    if (run.answers < run.scans) {
        *ctx.err << "skelvane-cli: " << run.scans - run.answers << " of " << run.scans
                 << " scans brought no sweep (no answer, or none the radio could have made)\n";
        ctx.exitCode = 1;
        return;
    }
    // A channel no sweep could read stands at the chart's floor: that is no measurement.
    if (run.channelsRead < plan.channelCount) {
        *ctx.err << "skelvane-cli: " << plan.channelCount - run.channelsRead << " of "
                 << plan.channelCount
                 << " channels got no reading (their lines were lost or unreadable); more "
                    "--scans may fill them in\n";
        ctx.exitCode = 1;
        return;
    }
    ctx.exitCode = 0;
}

SKELVANE_CLI_COMMAND(200, [](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand(
        "spectrum", "Noise level per channel, measured by the radio on the data port");
    auto options = std::make_shared<SpectrumOptions>();
    AddPortOption(*sub, options->port);
    sub->add_option("--baud", options->baud,
                    "Speed of the radio's data port (default: the saved baud rate)")
        ->check(CLI::PositiveNumber);
    sub->add_option("--scans", options->scans, "Number of scans, one a second")
        ->check(CLI::Range(1, 1000000))
        ->capture_default_str();
    sub->add_option("--csv", options->csv,
                    "Write frequency (MHz), mean, max, mean hold and max hold (dBm) of every "
                    "channel to this file instead of the standard output");
    sub->callback([&ctx, options] { RunSpectrum(ctx, *options); });
});

}  // namespace
}  // namespace skelvane::cli
