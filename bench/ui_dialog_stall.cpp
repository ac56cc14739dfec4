// How long the GUI thread is kept from its own work while a device dialog's worker runs
// against the simulator: a probe timer on the GUI thread ticks every 5 ms, and the longest
// gap between two ticks is what a user would feel as a stall. The budget is 50 ms.
//
// The reference is the same probe with the dialog open and no worker running, in the same
// run: the gap the event loop and the machine give anyway. Each measurement runs for a few
// seconds of wall time on the real clock, with the simulator paced at the wire's speed.

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>

#include "base/clock.h"
#include "base/prompter.h"
#include "link/port_settings.h"
#include "sim/at_command_port.h"
#include "sim/builtin_network.h"
#include "sim/sim_port.h"
#include "sim/upgrade_sides.h"
#include "spectrum/scan_parser.h"
#include "ui/soft_upgrade_dialog.h"
#include "ui/spectrum_sheet.h"
#include "upgrade/schedule_table.h"

namespace skelvane {
namespace {

constexpr double kBudgetMs = 50;
constexpr int kProbeMs = 5;

struct Gaps {
    double maxMs = 0;
    double meanMs = 0;
    int ticks = 0;
};

// Runs the event loop for `ms` of wall time with the probe ticking; `during` is called once
// the probe runs.
Gaps probe(int ms, const std::function<void()>& during) {
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(kProbeMs);
    QElapsedTimer clock;
    qint64 last = -1;
    Gaps gaps;
    double sum = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (last >= 0) {
            const double gap = static_cast<double>(now - last) / 1e6;
            gaps.maxMs = std::max(gaps.maxMs, gap);
            sum += gap;
            ++gaps.ticks;
        }
        last = now;
    });
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    clock.start();
    timer.start();
    QTimer::singleShot(0, during);
    loop.exec();
    timer.stop();
    gaps.meanMs = gaps.ticks > 0 ? sum / gaps.ticks : 0;
    return gaps;
}

void report(benchmark::State& state, const Gaps& gaps) {
    state.counters["max_gap_ms"] = gaps.maxMs;
    state.counters["mean_gap_ms"] = gaps.meanMs;
    state.counters["ticks"] = gaps.ticks;
    state.counters["budget_fraction"] = gaps.maxMs / kBudgetMs;
}

// The simulated network behind "SIM1", its unit on the cable answering AT commands.
struct SpectrumRig {
    SpectrumRig() : network(sim::MakeBuiltInNetwork(clock)) {
        sim::AtCommandOptions options;
        options.cutAnswerChance = 0;
        sim::InstallAtCommandSide(*network, options);
        hub.Add("SIM1", network);
        settings.portName = "SIM1";
        settings.baudRate = "115200";
    }
    SystemClock clock;
    std::shared_ptr<sim::Network> network;
    sim::PortHub hub;
    PortFactory ports{hub};
    PortSettings settings;
    ScanParserState parser;
    RecordingPrompter prompter;
};

void spectrum(benchmark::State& state, bool scanning) {
    SpectrumRig rig;
    SpectrumSheet sheet(rig.ports, rig.settings, rig.parser, rig.clock, rig.prompter);
    sheet.resize(1000, 720);
    sheet.show();
    Gaps gaps;
    for (auto _ : state) {
        gaps = probe(6000, [&] {
            if (scanning) {
                sheet.analyzer()->model().PressScan();
            }
        });
    }
    state.counters["scans"] = sheet.analyzer()->model().LastRun().scans;
    sheet.analyzer()->closePage();
    report(state, gaps);
}

// Reference: the sheet open, nothing running.
void BM_SpectrumSheetIdle(benchmark::State& state) {
    spectrum(state, false);
}
BENCHMARK(BM_SpectrumSheetIdle)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Connecting (the "+++" guard) and then scanning once a second: log lines, 140 channels a
// sweep and their repaints.
void BM_SpectrumScanning(benchmark::State& state) {
    spectrum(state, true);
}
BENCHMARK(BM_SpectrumScanning)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The built-in network behind "SIM1" with every unit taking upgrades, and a firmware file.
struct UpgradeRig {
    explicit UpgradeRig(int blocks) : network(sim::MakeBuiltInNetwork(clock)) {
        sim::InstallUpgradeSides(*network);
        hub.Add("SIM1", network);
        firmware = dir.filePath(QStringLiteral("fw.bin"));
        QFile file(firmware);
        file.open(QIODevice::WriteOnly);
        QByteArray bytes(blocks * 128, '\0');
        for (int i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<char>(i * 13 + i / 128);
        }
        file.write(bytes);
    }
    SystemClock clock;
    std::shared_ptr<sim::Network> network;
    sim::PortHub hub;
    PortFactory ports{hub};
    QTemporaryDir dir;
    QString firmware;
    ScheduleTable schedule;
    RecordingPrompter prompter;
};

void softUpgrade(benchmark::State& state, bool upgrading) {
    // 2048 blocks (the largest image) to the unit on the cable, as fast as the wire allows:
    // a log line and a progress count every few milliseconds.
    UpgradeRig rig(2048);
    SoftUpgradeDialog dialog(rig.ports, "SIM1", 0, rig.schedule, rig.clock, rig.prompter);
    dialog.resize(700, 560);
    dialog.show();
    dialog.chooseFirmwareFile(rig.firmware);
    Gaps gaps;
    for (auto _ : state) {
        gaps = probe(6000, [&] {
            if (upgrading) {
                dialog.model().Program();
            }
        });
    }
    state.counters["log_lines"] = static_cast<double>(dialog.model().Log().Lines().size());
    dialog.model().Close();
    report(state, gaps);
}

// Reference: the dialog open with its one-second timer, nothing running.
void BM_SoftUpgradeIdle(benchmark::State& state) {
    softUpgrade(state, false);
}
BENCHMARK(BM_SoftUpgradeIdle)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The image going out block by block: a log line and a progress count each.
void BM_SoftUpgradeTransfer(benchmark::State& state) {
    softUpgrade(state, true);
}
BENCHMARK(BM_SoftUpgradeTransfer)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace skelvane

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
