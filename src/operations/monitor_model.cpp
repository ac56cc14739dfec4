#include "operations/monitor_model.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "base/format.h"
#include "base/latin1.h"
#include "document/file_replace.h"
#include "link/frame.h"
#include "link/register_values.h"

namespace skelvane {
namespace {

constexpr int kGroupPolls = 200;

std::uint16_t UnitAddressOf(const Block& block) {
    const Parameter* ua = block.FindParameter("UnitAddress");
    return static_cast<std::uint16_t>(ua != nullptr ? ua->value : 0);
}

const Parameter* FindNoCase(const std::vector<Parameter>& parameters, std::string_view name) {
    for (const Parameter& p : parameters) {
        if (EqualsNoCase(p.name, name)) {
            return &p;
        }
    }
    return nullptr;
}

}  // namespace

std::vector<MonitorUnit> MonitorUnitsOf(const Block& root) {
    std::vector<MonitorUnit> units;
    std::set<std::uint16_t> seen;
    bool cableTaken = false;
    for (const Block* b = root.FirstChild(); b != nullptr; b = b->NextSibling()) {
        const std::uint16_t ua = UnitAddressOf(*b);
        if (b->FindParameter("UnitAddress") == nullptr || !seen.insert(ua).second) {
            continue;
        }
        const bool onCable = !cableTaken && b->Kind() == BlockKind::Master;
        cableTaken = cableTaken || onCable;
        units.push_back(MonitorUnit{b->Name(), ua, onCable, b->Parameters()});
    }
    // The unit on the cable first: the way to every other.
    std::stable_partition(units.begin(), units.end(),
                          [](const MonitorUnit& u) { return u.onCable; });
    return units;
}

MonitorModel::MonitorModel(const PortFactory& ports, std::string portName, Clock& clock)
    : clock_(clock), link_(clock, log_, ports, std::move(portName)) {
    link_.SetFinishedListener([this] { Notify(); });
}

MonitorModel::~MonitorModel() {
    link_.FinishWorker(Millis{1000});
    link_.Wait();
}

void MonitorModel::SetUnits(std::vector<MonitorUnit> units) {
    if (!link_.Busy()) {
        units_ = std::move(units);
    }
}

bool MonitorModel::Start(Millis interval, std::uint64_t passes) {
    if (link_.Busy() || units_.empty()) {
        return false;
    }
    passes_.store(0);
    portOpened_.store(true);
    return link_.StartWorker(
        0,
        [this, interval, passes](DeviceLink& link) {
            Run(link, interval, passes);
            link.ReportOutcome(
                portOpened_.load(),
                Format("%llu passes", static_cast<unsigned long long>(passes_.load())));
        },
        "Monitor of the network");
}

void MonitorModel::Stop() {
    link_.FinishWorker(Millis{0});
}

MonitorModel::Sample MonitorModel::Poll(DeviceLink& link, const MonitorUnit& unit) {
    std::vector<Parameter> parameters = unit.parameters;
    CustomParameter custom;
    std::string valueField;
    Sample sample;
    sample.answered = true;
    const std::uint16_t to = unit.onCable ? 0 : unit.ua;
    std::vector<bool> settled(parameters.size());
    for (const std::uint8_t group : {std::uint8_t{1}, std::uint8_t{6}}) {
        const bool answered = ReadGroupConfirmed(
            parameters, settled,
            [&](std::vector<Parameter>& reading) -> std::optional<RegisterSet> {
                // Bytes left over from an earlier wait belong to no request of this one.
                link.Port().Purge();
                const std::size_t count = link.Exchange(BuildFrame(to, group), kGroupPolls);
                const std::span<const std::uint8_t> reply = link.ReplyBytes();
                const bool fromUnit = count == reply.size() && count >= kFrameHeaderSize &&
                                      (unit.onCable || (reply[1] << 8 | reply[2]) == unit.ua);
                if (count == 0 || !fromUnit ||
                    ParseDiagReply(link, reading, custom, valueField, reply.data(), count) == 0) {
                    return std::nullopt;
                }
                RegisterSet ids{};
                ForEachRegisterPair(reply, [&](std::uint8_t id, std::uint8_t) { ids[id] = true; });
                return ids;
            });
        if (!answered) {
            sample.answered = false;
            break;
        }
    }
    sample.time = clock_.LocalNow();
    sample.at = clock_.Now();
    if (sample.answered) {
        // A value the readings did not agree on is left out of the sample.
        for (std::size_t k = 0; k < kDiagnosticNames.size(); ++k) {
            if (const Parameter* p = FindNoCase(parameters, kDiagnosticNames[k]);
                p != nullptr && settled[static_cast<std::size_t>(p - parameters.data())]) {
                sample.values[k] = p->value;
            }
        }
    } else if (!link.StopFlag()) {
        // A wait cut short by Stop says nothing about the unit.
        link.LogLine(Format("UA %u did not answer.", unsigned{unit.ua}), true);
    }
    return sample;
}

void MonitorModel::Run(DeviceLink& link, Millis interval, std::uint64_t passes) {
    if (!link.OpenPort()) {
        portOpened_.store(link.StopFlag());
        return;
    }
    for (std::uint64_t pass = 0; passes == 0 || pass < passes; ++pass) {
        const Millis start = clock_.Now();
        for (const MonitorUnit& unit : units_) {
            if (link.StopFlag()) {
                return;
            }
            Sample sample = Poll(link, unit);
            if (link.StopFlag()) {
                return;  // a wait cut short proves nothing about the unit
            }
            {
                std::lock_guard lock(mutex_);
                sample.sequence = sequence_++;
                Entry& entry = history_[unit.ua];
                entry.name = unit.name;
                entry.samples.push_back(sample);
                if (entry.samples.size() > kMaxSamples) {
                    entry.samples.pop_front();
                }
            }
            Notify();
        }
        passes_.fetch_add(1);
        link.LogLine(Format("Pass %llu done.", static_cast<unsigned long long>(pass + 1)), true);
        if (passes != 0 && pass + 1 == passes) {
            break;
        }
        const Millis spent = clock_.Now() - start;
        if (spent < interval && !link.Sleep(interval - spent)) {
            return;
        }
    }
}

std::vector<MonitorModel::Sample> MonitorModel::History(std::uint16_t ua) const {
    std::lock_guard lock(mutex_);
    const auto it = history_.find(ua);
    return it != history_.end()
               ? std::vector<Sample>(it->second.samples.begin(), it->second.samples.end())
               : std::vector<Sample>{};
}

std::optional<MonitorModel::Sample> MonitorModel::Latest(std::uint16_t ua) const {
    std::lock_guard lock(mutex_);
    const auto it = history_.find(ua);
    if (it == history_.end() || it->second.samples.empty()) {
        return std::nullopt;
    }
    return it->second.samples.back();
}

void MonitorModel::ClearHistory() {
    std::lock_guard lock(mutex_);
    history_.clear();
}

std::string MonitorModel::Csv() const {
    struct Line {
        std::uint64_t sequence;
        std::string text;
    };
    std::vector<Line> lines;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [ua, entry] : history_) {
            for (const Sample& s : entry.samples) {
                const LocalTime& t = s.time;
                std::string text = Format("%04d-%02d-%02d %02d:%02d:%02d,%u,", t.year, t.month,
                                          t.day, t.hour, t.minute, t.second, unsigned{ua}) +
                                   CsvField(entry.name);
                for (std::size_t k = 0; k < kDiagnosticNames.size(); ++k) {
                    text += ',';
                    if (s.values[k]) {
                        text += FormatDiagValue(kDiagnosticNames[k], *s.values[k]).value_or("");
                    }
                }
                lines.push_back({s.sequence, std::move(text)});
            }
        }
    }
    std::sort(lines.begin(), lines.end(),
              [](const Line& a, const Line& b) { return a.sequence < b.sequence; });
    std::string csv = "time,UA,name";
    for (const std::string_view name : kDiagnosticNames) {
        csv += ',';
        csv += name;
    }
    csv += '\n';
    for (const Line& line : lines) {
        csv += line.text;
        csv += '\n';
    }
    return csv;
}

bool MonitorModel::ExportCsv(const std::filesystem::path& path) const {
    const std::string csv = Csv();
    return ReplaceFile(path, [&csv](std::FILE* file) {
        return std::fwrite(csv.data(), 1, csv.size(), file) == csv.size();
    });
}

}  // namespace skelvane
