// Loading and saving a large network against xmllint parsing the same file, in the same run.
// Network: 256 radios, each with 120 parameters carrying choices and register ids.
// Targets: load (parse and model) under 0.5 x xmllint's parse; save under 1.0 x.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "base/format.h"
#include "base/prompter.h"
#include "document/network_file.h"

namespace {

using namespace skelvane;
namespace fs = std::filesystem;

constexpr int kRadios = 256;
constexpr int kParametersPerRadio = 120;

class QuietPrompter final : public Prompter {
  public:
    Answer Message(std::string_view text, std::string_view, MessageIcon, MessageButtons) override {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
        return Answer::Ok;
    }
    std::optional<std::size_t> Choose(std::string_view, const std::vector<std::string>&,
                                      std::size_t selected) override {
        return selected;
    }
};

std::vector<Parameter> FullParameterSet(std::uint32_t unitAddress) {
    std::vector<Parameter> set;
    for (int i = 0; i < kParametersPerRadio; ++i) {
        Parameter p;
        p.name = i == 0 ? std::string("UnitAddress") : Format("Register%03d", i);
        p.desc = Format("Setting number %d of the radio%s", i, i % 10 == 0 ? " (r\xE9glage)" : "");
        p.reg = Format("0x%02X", i);
        p.getDIAG = 0x29;
        p.setDIAG = 0x2A;
        p.readwrite = 2;
        p.visible = 1;
        switch (i % 10) {
            case 0:
            case 1:
            case 2:
                p.type = 2;
                p.value = i == 0 ? unitAddress : static_cast<std::uint32_t>(i * 7);
                p.choices = {{"Min", "", 0}, {"Max", "", 65535}};
                break;
            case 3:
            case 4:
                p.type = kTextParameterType;
                p.textValue = i % 2 ? "0" : "3:902000,902400,910000,910400";
                break;
            default:
                p.type = 1;
                p.value = static_cast<std::uint32_t>(i % 5);
                for (std::uint32_t c = 0; c < 6; ++c) {
                    p.choices.push_back({Format("Choice %u of %d", c, i), "", c});
                }
                break;
        }
        for (int v = 0; v <= i % 4; ++v) {
            p.vectors.push_back(static_cast<std::uint8_t>(i + v));
        }
        set.push_back(std::move(p));
    }
    return set;
}

struct Fixture {
    fs::path dir;
    fs::path file;
    LinkIdCounter ids;

    Fixture() {
        dir = fs::temp_directory_path() / ("skelvane-bench-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        file = dir / "large-network.xml";
        NetworkFile document(ids);
        document.NewNetwork()->Parameters() = FullParameterSet(1);
        for (int i = 1; i < kRadios; ++i) {
            auto remote = CreateBlock(static_cast<int>(BlockKind::Remote));
            remote->CreateDefaultLinks(ids);
            remote->SetPosition(40 + (i % 16) * 96, 40 + (i / 16) * 96);
            remote->SetName(std::to_string(i + 1));
            remote->Parameters() = FullParameterSet(static_cast<std::uint32_t>(i + 1));
            document.Root()->AppendChild(std::move(remote));
        }
        QuietPrompter prompter;
        if (!document.Save(file, prompter)) {
            std::fprintf(stderr, "cannot write %s\n", file.c_str());
            std::exit(1);
        }
    }
    ~Fixture() {
        std::error_code error;
        fs::remove_all(dir, error);
    }
};

Fixture& Data() {
    static Fixture fixture;
    return fixture;
}

void BM_Load(benchmark::State& state) {
    QuietPrompter prompter;
    for (auto _ : state) {
        NetworkFile document(Data().ids);
        if (!document.Read(Data().file, prompter)) {
            state.SkipWithError("read failed");
            break;
        }
        benchmark::DoNotOptimize(document.Root());
    }
}

void BM_Save(benchmark::State& state) {
    QuietPrompter prompter;
    NetworkFile document(Data().ids);
    if (!document.Read(Data().file, prompter)) {
        state.SkipWithError("read failed");
        return;
    }
    const fs::path out = Data().dir / "saved.xml";
    for (auto _ : state) {
        if (!document.Save(out, prompter)) {
            state.SkipWithError("save failed");
            break;
        }
    }
}

void BM_XmllintParse(benchmark::State& state) {
    const std::string command = "xmllint --noout '" + Data().file.string() + "'";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("xmllint failed (is libxml2-utils installed?)");
            break;
        }
    }
}

BENCHMARK(BM_XmllintParse)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// Prints the usual table and keeps each benchmark's time per iteration for the ratios.
class RatioReporter final : public benchmark::ConsoleReporter {
  public:
    RatioReporter() : ConsoleReporter(::isatty(1) ? OO_Color : OO_None) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (!run.error_occurred && run.run_type == Run::RT_Iteration) {
                const std::string name = run.benchmark_name();
                times[name.substr(0, name.find('/'))] = run.GetAdjustedRealTime();
            }
        }
    }
    std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    std::printf("network: %d radios x %d parameters, %.1f MB\n", kRadios, kParametersPerRadio,
                static_cast<double>(fs::file_size(Data().file)) / 1e6);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto& t = reporter.times;
    const auto xmllint = t.find("BM_XmllintParse");
    if (xmllint == t.end() || xmllint->second <= 0) {
        std::printf("no xmllint reference measured: no ratios\n");
        return 0;
    }
    for (const auto& [name, label, target] :
         {std::tuple{"BM_Load", "load", 0.5}, {"BM_Save", "save", 1.0}}) {
        const auto it = t.find(name);
        if (it != t.end()) {
            const double ratio = it->second / xmllint->second;
            std::printf("%s / xmllint parse = %.3f (target < %.1f: %s)\n", label, ratio, target,
                        ratio < target ? "met" : "NOT met");
        }
    }
    return 0;
}
