// The device commands under every fault kind of the simulator, at two rates: each ends with
// the unit (or the saved block) exactly right, or fails; never a false success, never a hang.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/format.h"
#include "cli/command.h"
#include "document/network_file.h"
#include "link/diagnostics_exchange.h"
#include "link_fixture.h"
#include "operations/current_remote_ua.h"
#include "operations/diagnostics_page_model.h"
#include "operations/network_units.h"
#include "operations/restrictions_page.h"
#include "operations/settings_page_model.h"
#include "operations/spectrum_page.h"
#include "sim/at_command_port.h"
#include "sim/faults.h"
#include "sim/network.h"
#include "sim/sim_port.h"
#include "sim/template_network.h"
#include "sim/upgrade_sides.h"
#include "spectrum/radio_fixture.h"
#include "spectrum/spectrum_chart.h"
#include "support/test_paths.h"
#include "upgrade/hard_upgrade.h"
#include "upgrade/soft_upgrade.h"

namespace skelvane {
namespace {

constexpr Millis kBound{600'000};

// One simulated network from the default template behind "SIM1", with a fault plan.
struct Env {
    explicit Env(const std::string& plan, bool radioSides = false) {
        std::string error;
        network = sim::NetworkFromTemplate(test::DataDir() / "TAVRIN-A.TPL", clock, error);
        EXPECT_NE(network, nullptr) << error;
        network->SetPaced(false);
        std::vector<sim::Unit*> units = network->Remotes();
        units.push_back(&network->Local());
        for (sim::Unit* unit : units) {
            unit->SetLiveValues({});
            std::uint32_t value = 1000 + unit->Ua();
            for (const sim::LiveValue& live : sim::DefaultLiveValues()) {
                unit->SeedValue(live.ids, value += 37);
            }
        }
        network->Local().SetRestriction(2, test::SimEntry(25, {{0, 600}}));
        network->Local().SetRepeaters(test::SimRepeaters({12, 40}));
        sim::FaultPlan faults;
        EXPECT_TRUE(sim::ParseFaultPlan(plan, faults, error)) << error;
        if (radioSides) {
            sides = sim::InstallUpgradeSides(*network);
            sim::ApplyUpgradeFaults(*network, sides, faults);
            sim::InstallAtCommandSide(*network, test::NeverCut());
        }
        sim::ApplyFaultPlan(*network, faults);
        hub.Add("SIM1", network);
    }
    sim::Unit& Unit(std::uint16_t ua) {
        return ua == 0 ? network->Local() : *network->FindRemote(ua);
    }

    VirtualClock clock;
    std::shared_ptr<sim::Network> network;
    sim::UpgradeSides sides;
    test::TempDir dir;
    sim::PortHub hub;
    PortFactory ports{hub};
    UnitFacts facts;
    CurrentRemoteUa remoteUa;
    RecordingPrompter prompter;
};

std::string Values(const Block& block) {
    std::string text;
    for (const Parameter& p : block.Parameters()) {
        if (p.readwrite != 0) {
            text += p.name + "=" + std::to_string(p.value) + "/" + p.textValue + ";";
        }
    }
    return text;
}

// What one run gave: the exit code the command-line tool would give, what it saved or
// showed, and the unit's state afterwards.
struct Outcome {
    bool exit0 = false;
    bool hung = false;
    std::string shown;
    std::string unit;
    std::string failure;  // the last log line of a run that failed
    Millis took{0};
};

// Waits for a worker with a bound on virtual and wall time.
template <typename Busy, typename Stop>
bool Await(Env& env, Millis start, Busy busy, Stop stop) {
    const auto wallEnd = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (busy()) {
        if (env.clock.Now() - start > kBound || std::chrono::steady_clock::now() > wallEnd) {
            stop();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Runs a page's worker to its end, stopped past the bound, and takes its results; whether it
// ended by itself.
template <typename Page>
bool Finish(Env& env, Page& page, Millis start) {
    const bool ended = Await(
        env, start, [&] { return page.Link().Busy(); }, [&] { page.Close(); });
    page.Link().Wait();
    page.ApplyWorkerResults();
    return ended;
}

// The registers a read fills in, as `unit` holds them or, without one, as the block does.
std::string Registers(const Block& block, sim::Unit* unit = nullptr) {
    std::string text;
    for (const Parameter& p : block.Parameters()) {
        if (p.type != 4 && p.readwrite == 2 && !p.vectors.empty()) {
            text += p.name + "=" + std::to_string(unit ? unit->Value(p.vectors) : p.value) + ";";
        }
    }
    return text;
}

// What the unit's restriction entries and repeater list hold, up to the first vacant range or
// slot of each: the unit reads no further, so bytes behind it are not in effect.
std::string RestrictionsOf(sim::Unit& unit) {
    std::string text;
    for (std::size_t i = 0; i < 16; ++i) {
        const sim::RestrictionEntry& e = unit.SavedRestriction(i);
        text += std::to_string(e.ua) + ":";
        for (std::size_t k = 0; k < 8 && e.start[k] != 0xFFFF; ++k) {
            text += std::to_string(e.start[k]) + "," + std::to_string(e.end[k]) + ",";
        }
    }
    for (const std::uint16_t slot : unit.SavedRepeaters()) {
        if (slot == 0xFFFF) {
            break;
        }
        text += std::to_string(slot) + ",";
    }
    return text;
}

Outcome SettingsRun(Env& env, std::uint16_t ua, bool write) {
    auto block =
        test::ModelBlock(ua == 0 ? BlockKind::Master : BlockKind::Remote, ua == 0 ? 1 : ua);
    if (write) {
        block->FindParameter("TxPower")->value = 27;
        block->FindParameter("NetworkId")->value = 0x321;
        block->FindParameter("SessionTimeout")->value = 86400;
        block->FindParameter("DataMask")->textValue = "00FF00FF";
    } else {
        for (Parameter& p : block->Parameters()) {
            p.value ^= 1;
        }
    }
    SettingsPageModel page(*block, env.ports, "SIM1", env.facts, env.remoteUa, env.prompter,
                           env.clock);
    page.ChooseLocal(ua == 0);
    if (ua != 0) {
        page.Link().SetUnitAddress(ua);
    }
    Outcome outcome;
    const Millis start = env.clock.Now();
    EXPECT_TRUE(write ? page.Write() : page.ReadAll());
    outcome.hung = !Finish(env, page, start);
    outcome.took = env.clock.Now() - start;
    outcome.exit0 = page.LastOutcome() == SettingsOutcome::Succeeded;
    if (outcome.exit0 && !write) {
        outcome.shown = Values(*block);
    }
    outcome.unit = Registers(*block, &env.Unit(ua)) + "mask=" + env.Unit(ua).DataMask();
    return outcome;
}

Outcome DiagRun(Env& env, std::uint16_t ua) {
    auto block = test::ModelBlock(BlockKind::Remote, ua);
    env.remoteUa.Set(ua);
    DiagnosticsPageModel page(*block, env.ports, "SIM1", env.remoteUa, env.prompter, env.clock);
    page.Activate();
    page.ChooseLocal(false);
    std::mutex mutex;
    std::vector<bool> passes;
    page.SetPassListener([&](std::uint64_t pass, bool ok) {
        if (pass >= 3) {
            page.Stop();
        }
        std::lock_guard lock(mutex);
        passes.push_back(ok);
    });
    page.SetPollChecked(true);
    Outcome outcome;
    const Millis start = env.clock.Now();
    EXPECT_TRUE(page.Read());
    outcome.hung = !Finish(env, page, start);
    outcome.took = env.clock.Now() - start;
    outcome.exit0 = !passes.empty() && std::ranges::all_of(passes, std::identity{});
    // The values shown after the last pass against what the unit holds.
    for (const DiagnosticsPageModel::Row& row : page.Rows()) {
        if (row.hasValue && !row.missing) {
            const Parameter* p = block->FindParameter(row.name);
            const auto truth = FormatDiagValue(row.name, env.Unit(ua).Value(p->vectors));
            if (row.value != *truth) {
                outcome.shown += row.name + "=" + row.value + " ";
            }
        }
    }
    return outcome;
}

Outcome RestrictionsRun(Env& env, bool write) {
    auto block = test::ModelBlock(BlockKind::Master, 1);
    if (write) {
        block->FindParameter("FrequencyRestriction3")->textValue = "4:902400,903000";
        block->FindParameter("RepeaterRegistration")->textValue = "12,77";
    }
    RestrictionState state;
    RestrictionsPage page(*block, env.ports, "SIM1", env.facts, state, env.remoteUa, env.prompter,
                          env.clock);
    page.ChooseLocal(true);
    Outcome outcome;
    const Millis start = env.clock.Now();
    const auto run = [&](bool (RestrictionsPage::*op)()) {
        EXPECT_TRUE((page.*op)());
        outcome.hung = !Finish(env, page, start) || outcome.hung;
        const auto report = page.LastReport();
        return report && report->outcome == RestrictionsOutcome::Succeeded &&
               (op == &RestrictionsPage::ReadUnitFacts || report->restrictions);
    };
    outcome.exit0 = write ? run(&RestrictionsPage::ReadUnitFacts) && run(&RestrictionsPage::Write)
                          : run(&RestrictionsPage::Read);
    outcome.took = env.clock.Now() - start;
    if (outcome.exit0 && !write) {
        for (const Parameter& p : block->Parameters()) {
            if (p.name.starts_with("FrequencyRestriction") || p.name == "RepeaterRegistration") {
                outcome.shown += p.textValue + ";";
            }
        }
    }
    outcome.unit = RestrictionsOf(env.Unit(0));
    return outcome;
}

// A soft upgrade of unit `ua` (nullopt: the hard upgrade of the unit on the cable) with a
// small image; right when the flash holds it, written once, and the unit reports the version
// that follows its old one.
Outcome UpgradeRun(Env& env, std::optional<std::uint16_t> ua) {
    std::string image(4096, '\0');
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<char>((i * 7 + i / 128) & 0xFF);
    }
    const std::string file = (env.dir / "fw.bin").string();
    test::WriteFileBytes(file, image);
    SerialPort port{env.ports};
    UpgradeLog log(env.clock);
    std::atomic<bool> done{false};
    UpgradeResult result = UpgradeResult::Failed;
    const Millis start = env.clock.Now();
    std::jthread worker([&](std::stop_token stop) {
        if (ua) {
            SoftUpgradeJob job;
            job.portName = "SIM1";
            job.unitAddress = *ua;
            job.fileName = file;
            job.retries = "3";
            result = SoftUpgrade(port, log, env.clock).Run(job, stop);
        } else {
            HardUpgradeJob job;
            job.portName = "SIM1";
            job.fileName = file;
            result = HardUpgrade(port, log, env.clock, PlaceholderBootImages()).Run(job, stop);
        }
        done = true;
    });
    Outcome outcome;
    outcome.hung = !Await(
        env, start, [&] { return !done.load(); }, [&] { worker.request_stop(); });
    worker.join();
    outcome.took = env.clock.Now() - start;
    outcome.exit0 = result == UpgradeResult::Completed;
    if (!outcome.exit0) {
        outcome.failure = log.LastLine();
    }
    const sim::UnitFlash& flash = ua ? env.sides.soft.at(*ua)->Flash() : env.sides.boot->Flash();
    outcome.unit =
        Format("%04X/%d/", flash.Crc(), flash.Writes()) + env.Unit(ua.value_or(0)).Version();
    return outcome;
}

// Sweeps of the unit on the cable's data port.
Outcome SpectrumRun(Env& env, int scans = 2) {
    PortSettings settings;
    settings.portName = "SIM1";
    settings.baudRate = "115200";
    ScanParserState parser;
    SpectrumPage page(env.ports, settings, parser, env.clock, env.prompter);
    page.SetScanLimit(scans);
    Outcome outcome;
    const Millis start = env.clock.Now();
    page.PressScan();
    outcome.hung = !Await(
        env, start, [&] { return page.WorkerRunning(); }, [&] { page.Close(); });
    page.WaitForWorker();
    outcome.took = env.clock.Now() - start;
    const SpectrumPage::RunSummary run = page.LastRun();
    const ChannelPlan plan = page.CurrentState().plan;
    // What the command-line tool asks of a run before it exits 0.
    outcome.exit0 = run.setUp && !run.portFailed && run.answers > 0 && run.answers == run.scans &&
                    run.channelsRead >= plan.channelCount;
    if (outcome.exit0) {
        outcome.shown = SpectrumCsv(page.Chart(), plan);
    } else {
        outcome.failure = page.Log().LastLine();
    }
    return outcome;
}

// The rows of a spectrum CSV, each split at its commas.
std::vector<std::vector<std::string>> CsvRows(const std::string& csv) {
    std::vector<std::vector<std::string>> rows;
    for (const std::string& line : test::Split(csv)) {
        rows.push_back(test::Split(line, ','));
    }
    return rows;
}

// Two sweeps are right when every channel shows the readings of the last sweep whose line came
// through whole, and holds over the sweeps whose lines did (the radio's sweeps are the same
// with or without faults): those of a run without faults, of its first sweep alone, or of its
// second alone.
bool SpectrumRight(const std::string& shown) {
    const auto clean = [](int scans) {
        Env env("", true);
        return CsvRows(SpectrumRun(env, scans).shown);
    };
    static const std::vector<std::vector<std::string>> first = clean(1), both = clean(2);
    const std::vector<std::vector<std::string>> rows = CsvRows(shown);
    if (rows.size() != both.size() || rows.size() != first.size()) {
        return false;
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        std::vector<std::string> second = both[i];
        if (second.size() == 5) {
            second[3] = second[1], second[4] = second[2];
        }
        if (rows[i] != both[i] && rows[i] != first[i] && rows[i] != second) {
            return false;
        }
    }
    return true;
}

struct Operation {
    const char* name;
    std::function<Outcome(Env&)> run;
    bool diag = false;
    bool radioSides = false;                    // needs the upgrade sides and the data port
    std::function<bool(const Outcome&)> right;  // instead of the same result as without faults
};

const std::vector<Operation>& Operations() {
    static const std::vector<Operation> operations = {
        {"read L", [](Env& env) { return SettingsRun(env, 0, false); }},
        {"read 300", [](Env& env) { return SettingsRun(env, 300, false); }},
        {"write L", [](Env& env) { return SettingsRun(env, 0, true); }},
        {"write 300", [](Env& env) { return SettingsRun(env, 300, true); }},
        {"diag", [](Env& env) { return DiagRun(env, 300); }, true},
        {"restr rd", [](Env& env) { return RestrictionsRun(env, false); }},
        {"restr wr", [](Env& env) { return RestrictionsRun(env, true); }},
        {"soft L", [](Env& env) { return UpgradeRun(env, 0); }, false, true},
        {"soft 300", [](Env& env) { return UpgradeRun(env, 300); }, false, true},
        {"hard", [](Env& env) { return UpgradeRun(env, std::nullopt); }, false, true},
        {"spectrum", [](Env& env) { return SpectrumRun(env); }, false, true,
         [](const Outcome& run) { return SpectrumRight(run.shown); }},
    };
    return operations;
}

// Every fault kind of the simulator, most at two rates.
const char* const kPlans[] = {
    "",
    "drop=0.01",
    "drop=0.05",
    "in.drop=0.01",
    "in.drop=0.05",
    "corrupt=0.01",
    "corrupt=0.05",
    "in.corrupt=0.02",
    "in.corrupt=0.05",
    "extra=0.01",
    "extra=0.05",
    "delay=300",
    "out.delay=2000",
    "out.split=4,out.gap=2",
    "split=1,gap=30",
    "silent=1",
    "silent=5",
    "u300.silent=5",
    "vanish=5",
    "vanish=50",
};

// ok: exit 0 and exactly right; F: a failure; FS: exit 0 and wrong; H: no end within bound.
std::string Classify(const Operation& op, const Outcome& clean, const Outcome& run) {
    if (run.hung) {
        return "H";
    }
    if (!run.exit0) {
        return "F";
    }
    const bool right = op.right  ? op.right(run)
                       : op.diag ? run.shown.empty()
                                 : run.shown == clean.shown && run.unit == clean.unit;
    return right ? "ok" : "FS";
}

TEST(FaultMatrixTest, EveryOperationEndsRightOrFailsUnderEveryFault) {
    std::map<std::string, Outcome> clean;
    std::map<std::string, int> cells;
    std::string table = "| fault plan |";
    for (const Operation& op : Operations()) {
        Env env("", op.radioSides);
        clean[op.name] = op.run(env);
        ASSERT_TRUE(clean[op.name].exit0) << op.name << ": " << clean[op.name].failure;
        table += std::string(" ") + op.name + " |";
    }
    for (const char* plan : kPlans) {
        table += std::string("\n| ") + (*plan ? plan : "none") + " |";
        for (const Operation& op : Operations()) {
            Env env(plan, op.radioSides);
            const Outcome run = op.run(env);
            const std::string cell = Classify(op, clean[op.name], run);
            ++cells[cell];
            table += " " + cell + " |";
            EXPECT_NE(cell, "H") << op.name << " under " << plan;
            EXPECT_NE(cell, "FS") << op.name << " under " << plan << ": " << run.shown << "\n"
                                  << run.unit << "\n"
                                  << clean[op.name].unit;
            if (cell == "F" && op.radioSides) {
                EXPECT_FALSE(run.failure.empty()) << op.name << " under " << plan;
            }
            EXPECT_LT(run.took, kBound) << op.name << " under " << plan;
        }
    }
    std::printf("%s\nok %d, clean failure %d, false success %d, hang %d\n", table.c_str(),
                cells["ok"], cells["F"], cells["FS"], cells["H"]);
}

// Measured levels and counters move between readings on a working unit: every pass still
// shows every value.
TEST(FaultMatrixTest, DiagnosticsShowValuesThatMoveBetweenReadings) {
    Env env("");
    sim::Unit& unit = env.Unit(300);
    unit.SetLiveValues(sim::DefaultLiveValues());
    const std::vector<std::uint8_t> txPackets = {0x26, 0x27, 0x28, 0x29};  // DiagTxPackets
    const std::uint32_t seeded = unit.Value(txPackets);
    EXPECT_TRUE(DiagRun(env, 300).exit0);
    EXPECT_NE(unit.Value(txPackets), seeded);
}

// The test's virtual clock for the command-line tool, except that the tool's own wait between
// looks at a running operation takes a moment of real time and none of the operation's.
class CliClock final : public Clock {
  public:
    explicit CliClock(VirtualClock& clock) : clock_(clock) {}
    Millis Now() const override { return clock_.Now(); }
    LocalTime LocalNow() const override { return clock_.LocalNow(); }
    bool SleepFor(Millis duration, std::stop_token stop) override {
        if (std::this_thread::get_id() == main_) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return !stop.stop_requested();
        }
        return clock_.SleepFor(duration, stop);
    }

  private:
    VirtualClock& clock_;
    const std::thread::id main_ = std::this_thread::get_id();
};

// A network file whose Master (UA 1) and Remote "R300" hold the template's values with every
// number changed, so that a read visibly puts the unit's values in.
std::string WriteNetworkFile(const std::filesystem::path& path) {
    LinkIdCounter ids;
    NetworkFile document(ids);
    Block* master = document.NewNetwork();
    master->Parameters() = test::ModelBlock(BlockKind::Master, 1)->Parameters();
    auto remote = test::ModelBlock(BlockKind::Remote, 300);
    remote->SetName("R300");
    for (Block* block : {master, remote.get()}) {
        for (Parameter& p : block->Parameters()) {
            p.value ^= 1;
        }
    }
    document.Root()->AppendChild(std::move(remote));
    RecordingPrompter prompter;
    EXPECT_TRUE(document.Save(path, prompter));
    return test::ReadFileBytes(path);
}

// The command-line tool itself on the commands that save what they read: exit 0 only with the
// file holding the unit's values, otherwise exit 1 with a line naming the step that failed and
// the file as it was, byte for byte.
// Runs skelvane-cli in this process against the environment's network on its clock; "FILE"
// in the arguments stands for `path`.
int RunCommandLine(Env& env, std::vector<std::string> args, const std::filesystem::path& path,
                   std::string& output) {
    args.insert(args.begin(), "skelvane-cli");
    std::vector<char*> argv;
    for (std::string& arg : args) {
        arg = arg == "FILE" ? path.string() : arg;
        argv.push_back(arg.data());
    }
    std::ostringstream out;
    CliClock clock(env.clock);
    const int exit =
        cli::RunCli(static_cast<int>(argv.size()), argv.data(), out, out, clock, env.ports);
    output = out.str();
    return exit;
}

TEST(FaultMatrixTest, TheCommandLineSavesOnlyWhatItRead) {
    struct Command {
        std::vector<std::string> args;  // "FILE" stands for the network file
        std::uint16_t ua;               // the unit read, 0 for the one on the cable
        const char* block;
    };
    const Command commands[] = {
        {{"read", "--port", "SIM1", "--local", "FILE", "Master"}, 0, "Master"},
        {{"read", "--port", "SIM1", "--remote", "300", "FILE", "R300"}, 300, "R300"},
        {{"restrictions", "read", "--port", "SIM1", "--local", "FILE", "Master"}, 0, nullptr},
    };
    const auto run = [](const Command& command, const char* plan, std::string& output) {
        Env env(plan);
        const auto path = env.dir / "net.xml";
        const std::string before = WriteNetworkFile(path);
        const int exit = RunCommandLine(env, command.args, path, output);
        const std::string after = test::ReadFileBytes(path);
        if (exit == 0 && command.block != nullptr) {
            // What a read without faults saved is the unit's registers.
            LinkIdCounter ids;
            NetworkFile document(ids);
            RecordingPrompter prompter;
            EXPECT_TRUE(document.Read(path, prompter));
            const Block* block = FindRadioBlock(*document.Root(), command.block);
            EXPECT_NE(block, nullptr);
            if (block != nullptr) {
                EXPECT_EQ(Registers(*block), Registers(*block, &env.Unit(command.ua))) << plan;
            }
        }
        return std::tuple{exit, before, after};
    };
    for (const Command& command : commands) {
        std::string output;
        const auto [cleanExit, original, clean] = run(command, "", output);
        ASSERT_EQ(cleanExit, 0) << output;
        ASSERT_NE(clean, original);
        for (const char* plan : kPlans) {
            const auto [exit, before, after] = run(command, plan, output);
            const std::string what = command.args[0] + " " + command.args[1] + " under " + plan;
            if (exit == 0) {
                EXPECT_EQ(after, clean) << what;
            } else {
                EXPECT_EQ(exit, 1) << what << "\n" << output;
                EXPECT_EQ(after, before) << what;
                EXPECT_NE(output.find("failed"), std::string::npos) << what << "\n" << output;
            }
        }
    }
}

// What the command line cannot confirm it says: a diagnostics group that never answers shows
// its values as n/a and fails the command; --no-verify leaves out the write's read-back.
TEST(FaultMatrixTest, TheCommandLineSaysWhatItDidNotCheck) {
    Env env("");
    const auto path = env.dir / "net.xml";
    WriteNetworkFile(path);
    std::string verified, unverified, diag;
    // The unit's own values, to write back.
    ASSERT_EQ(RunCommandLine(env, {"read", "--port", "SIM1", "--local", "FILE", "Master"}, path,
                             verified),
              0)
        << verified;
    const auto txLines = [](const std::string& text) {
        int count = 0;
        for (std::size_t at = 0; (at = text.find("TX:", at)) != std::string::npos; ++at) {
            ++count;
        }
        return count;
    };
    ASSERT_EQ(RunCommandLine(env, {"-v", "write", "--port", "SIM1", "--local", "FILE", "Master"},
                             path, verified),
              0)
        << verified;
    ASSERT_EQ(
        RunCommandLine(
            env, {"-v", "write", "--no-verify", "--port", "SIM1", "--local", "FILE", "Master"},
            path, unverified),
        0)
        << unverified;
    // The read-back asks for the written registers and the data mask.
    EXPECT_GT(txLines(verified), txLines(unverified)) << unverified;
    env.network->Local().SetFrameHandler(
        0x06, [](sim::Unit&, const sim::Frame&) { return std::optional<sim::Reply>(); });
    EXPECT_EQ(
        RunCommandLine(env, {"diag", "--port", "SIM1", "--local", "FILE", "Master"}, path, diag), 1)
        << diag;
    EXPECT_NE(diag.find(": n/a\n"), std::string::npos) << diag;
}

}  // namespace
}  // namespace skelvane
