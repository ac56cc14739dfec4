#include "operations/network_model.h"

#include <algorithm>
#include <climits>

#include "base/format.h"
#include "link/register_values.h"
#include "operations/unit_exchanges.h"

namespace skelvane {

NetworkModel::NetworkModel(Block& root, const PortFactory& ports, std::string portName,
                           Prompter& prompter, Clock& clock)
    : root_(root),
      prompter_(prompter),
      units_(ListNetworkUnits(root)),
      run_(ports, std::move(portName), clock) {
    for (const NetworkUnit& unit : units_.units) {
        chosen_.insert(unit.block);
    }
}

NetworkModel::~NetworkModel() {
    run_.Stop();
}

void NetworkModel::ChooseCable(Block* cable) {
    if (!run_.Busy()) {
        units_ = ListNetworkUnits(root_, cable);
    }
}

void NetworkModel::Choose(Block* block, bool chosen) {
    if (run_.Busy()) {
        return;
    }
    if (chosen) {
        chosen_.insert(block);
    } else {
        chosen_.erase(block);
    }
}

void NetworkModel::ChooseOnly(const std::vector<Block*>& blocks) {
    if (!run_.Busy()) {
        chosen_ = std::set<const Block*>(blocks.begin(), blocks.end());
    }
}

void NetworkModel::UseSingleUnit(Block& block, bool local, std::uint16_t ua) {
    single_ = true;
    singleUnit_ = RunUnit{&block, block.Name(), local ? std::uint16_t{0} : ua, local, 0, {}};
}

bool NetworkModel::StartEnabled() const {
    if (run_.Busy()) {
        return false;
    }
    return single_ ||
           std::any_of(units_.units.begin(), units_.units.end(),
                       [this](const NetworkUnit& u) { return u.Contacted() && IsChosen(u.block); });
}

bool NetworkModel::PrepareUnits(bool deepestFirst) {
    if (run_.Busy()) {
        return false;
    }
    std::vector<RunUnit> list;
    if (single_) {
        singleUnit_.parameters = singleUnit_.block->Parameters();
        list.push_back(singleUnit_);
    } else {
        std::vector<Block*> chosen;
        for (const NetworkUnit& unit : units_.units) {
            if (IsChosen(unit.block)) {
                chosen.push_back(unit.block);
            }
        }
        if (!chosen.empty()) {
            list = RunUnitsOf(units_, chosen);
        }
    }
    if (deepestFirst) {
        // Farthest from the cable first, so that a changed link setting never cuts off a
        // unit still to be written. A block no link joins to the cable may be anywhere: it
        // goes first; the unit on the cable goes last.
        std::stable_sort(list.begin(), list.end(), [](const RunUnit& a, const RunUnit& b) {
            const int da = a.local ? -1 : a.hops < 0 ? INT_MAX : a.hops;
            const int db = b.local ? -1 : b.hops < 0 ? INT_MAX : b.hops;
            return da > db;
        });
    }
    if (list.empty()) {
        return false;
    }
    run_.SetUnits(std::move(list));
    return true;
}

bool NetworkModel::StartReading(const std::function<void()>& clearResults, ReadResult result) {
    if (!PrepareUnits()) {
        return false;
    }
    clearResults();
    return run_.Start(
        run_.Units().size(), [this, result = std::move(result)](NetworkRun& run, DeviceLink& link) {
            ForEachUnit(run, link, AllUnits(run), "reading",
                        [&](std::size_t i, std::vector<Parameter>& parameters, UnitFacts& facts) {
                            const std::string failed = ReadUnit(link, parameters, facts, prompter_);
                            if (!failed.empty()) {
                                return NetworkUnitStatus{UnitState::Failed, "failed: " + failed};
                            }
                            return result(run.Units()[i], parameters, facts);
                        });
        });
}

NetworkUnitStatus NetworkModel::StatusOf(std::size_t i) const {
    const std::vector<NetworkUnitStatus> statuses = run_.Statuses();
    return i < statuses.size() ? statuses[i] : NetworkUnitStatus{};
}

std::vector<UnitRow> NetworkModel::Rows() const {
    const std::vector<RunUnit>& runUnits = run_.Units();
    const std::vector<NetworkUnitStatus> statuses = run_.Statuses();
    const auto statusOf = [&](const Block* block) -> const NetworkUnitStatus* {
        for (std::size_t i = 0; i < runUnits.size() && i < statuses.size(); ++i) {
            if (runUnits[i].block == block) {
                return &statuses[i];
            }
        }
        return nullptr;
    };
    std::vector<UnitRow> rows;
    const auto addressOf = [](const Block& block) {
        return block.FindParameter("UnitAddress") == nullptr
                   ? std::string()
                   : Format("%u", static_cast<unsigned>(block.UnitAddress()));
    };
    if (single_) {
        const NetworkUnitStatus* status = statusOf(singleUnit_.block);
        rows.push_back({singleUnit_.block, singleUnit_.name,
                        std::string(KindName(singleUnit_.block->KindCode())),
                        addressOf(*singleUnit_.block), singleUnit_.local, true, true,
                        status ? *status : NetworkUnitStatus{}});
        return rows;
    }
    for (const NetworkUnit& unit : units_.units) {
        UnitRow row{unit.block,
                    unit.block->Name(),
                    std::string(KindName(unit.block->KindCode())),
                    addressOf(*unit.block),
                    unit.local,
                    IsChosen(unit.block),
                    unit.Contacted(),
                    {}};
        if (!unit.Contacted()) {
            row.status = {UnitState::NotContacted, "not contacted: " + ProblemText(units_, unit)};
        } else if (const NetworkUnitStatus* status = statusOf(unit.block)) {
            row.status = *status;
        } else if (!row.chosen) {
            row.status = {UnitState::Waiting, "not chosen"};
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::size_t NetworkModel::SucceededCount() const {
    const std::vector<NetworkUnitStatus> statuses = run_.Statuses();
    return static_cast<std::size_t>(
        std::count_if(statuses.begin(), statuses.end(),
                      [](const NetworkUnitStatus& s) { return Succeeded(s.state); }));
}

std::size_t NetworkModel::FailedCount() const {
    return run_.Statuses().size() - SucceededCount();
}

std::string DoneText(const char* word, const std::vector<Parameter>& parameters) {
    const Parameter* version = FindParameterNoCase(parameters, "VersionNo");
    return version == nullptr || version->textValue.empty()
               ? std::string(word)
               : std::string(word) + " " + version->textValue;
}

}  // namespace skelvane
