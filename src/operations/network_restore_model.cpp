#include "operations/network_restore_model.h"

#include <algorithm>

#include "base/format.h"
#include "operations/unit_exchanges.h"

namespace skelvane {

NetworkRestoreModel::~NetworkRestoreModel() {
    Stop();
}

bool NetworkRestoreModel::Plan() {
    if (!PrepareUnits(true)) {
        return false;
    }
    const std::vector<RunUnit>& units = Run().Units();
    {
        std::lock_guard lock(mutex_);
        plans_.assign(units.size(), UnitPlan{});
        for (std::size_t i = 0; i < units.size(); ++i) {
            plans_[i].block = units[i].block;
            plans_[i].name = units[i].name;
        }
        written_ = false;
        planning_ = true;
    }
    if (!changedOnly_) {
        PlanFromFile();
        return true;
    }
    Run().SetTitle("Comparing before restore");
    return Run().Start(units.size(), [this](NetworkRun& run, DeviceLink& link) {
        ForEachUnit(run, link, AllUnits(run), "comparing",
                    [&](std::size_t i, std::vector<Parameter>& parameters, UnitFacts& facts) {
                        const std::string failed = ReadUnit(link, parameters, facts, GetPrompter());
                        if (!failed.empty()) {
                            return NetworkUnitStatus{UnitState::Failed, "failed: " + failed};
                        }
                        std::vector<Difference> differences = CompareUnit(
                            run.Units()[i].parameters, parameters, facts.versionNumber.load());
                        const WritePlan plan = ChangedWritePlan(differences);
                        {
                            std::lock_guard lock(mutex_);
                            plans_[i].ready = true;
                            plans_[i].plan = plan;
                            plans_[i].differences = std::move(differences);
                        }
                        return plan.Empty()
                                   ? NetworkUnitStatus{UnitState::Unchanged, "unchanged"}
                                   : NetworkUnitStatus{UnitState::Waiting,
                                                       Format("%zu to write", plan.values)};
                    });
    });
}

void NetworkRestoreModel::PlanFromFile() {
    const std::vector<RunUnit>& units = Run().Units();
    for (std::size_t i = 0; i < units.size(); ++i) {
        const WritePlan plan = FullWritePlan(units[i].parameters);
        {
            std::lock_guard lock(mutex_);
            plans_[i].ready = true;
            plans_[i].plan = plan;
        }
        Run().SetStatus(
            i, plan.Empty()
                   ? NetworkUnitStatus{UnitState::Unchanged, "nothing to write"}
                   : NetworkUnitStatus{UnitState::Waiting, Format("%zu to write", plan.values)});
    }
}

bool NetworkRestoreModel::Planned() const {
    std::lock_guard lock(mutex_);
    return planning_ && !written_ && !Busy();
}

std::vector<UnitPlan> NetworkRestoreModel::Plans() const {
    std::lock_guard lock(mutex_);
    return plans_;
}

std::vector<std::size_t> NetworkRestoreModel::UnitsWith(
    bool (*test)(const UnitPlan&, const NetworkUnitStatus&)) const {
    const std::vector<NetworkUnitStatus> statuses = Run().Statuses();
    std::lock_guard lock(mutex_);
    std::vector<std::size_t> units;
    for (std::size_t i = 0; i < plans_.size() && i < statuses.size(); ++i) {
        if (test(plans_[i], statuses[i])) {
            units.push_back(i);
        }
    }
    return units;
}

namespace {

bool ToWrite(const UnitPlan& plan, const NetworkUnitStatus&) {
    return plan.ready && !plan.plan.Empty();
}

bool Written(const UnitPlan& plan, const NetworkUnitStatus& status) {
    return ToWrite(plan, status) && status.state == UnitState::Working;
}

}  // namespace

std::size_t NetworkRestoreModel::UnitsToWrite() const {
    return UnitsWith(ToWrite).size();
}

std::string NetworkRestoreModel::ConfirmationText() const {
    const std::vector<UnitPlan> plans = Plans();
    std::string text = "Write these units (the farthest from the cable first)?\n";
    for (const UnitPlan& p : plans) {
        if (p.ready && !p.plan.Empty()) {
            text += Format("\n%s: %zu value%s", p.name.c_str(), p.plan.values,
                           p.plan.values == 1 ? "" : "s");
        }
    }
    return text;
}

bool NetworkRestoreModel::Write() {
    if (!Planned()) {
        return false;
    }
    const std::vector<std::size_t> units = UnitsWith(ToWrite);
    if (units.empty()) {
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        written_ = true;
    }
    Run().SetTitle("Restore of the network");
    return Run().Start(2 * units.size(), [this, units](NetworkRun& run, DeviceLink& link) {
        ForEachUnit(run, link, units, "writing",
                    [&](std::size_t i, std::vector<Parameter>& parameters, UnitFacts&) {
                        WritePlan plan;
                        {
                            std::lock_guard lock(mutex_);
                            plan = plans_[i].plan;
                        }
                        const std::string failed = WriteUnit(link, parameters, plan, GetPrompter());
                        if (!failed.empty()) {
                            return NetworkUnitStatus{UnitState::Failed, "failed: " + failed};
                        }
                        // Read back once the whole network has its new settings.
                        return NetworkUnitStatus{UnitState::Working, "written"};
                    });
        const std::vector<std::size_t> written = UnitsWith(Written);
        ForEachUnit(
            run, link, written, "reading back",
            [&](std::size_t i, std::vector<Parameter>& parameters, UnitFacts& facts) {
                const std::string failed = ReadUnit(link, parameters, facts, GetPrompter());
                if (!failed.empty()) {
                    return NetworkUnitStatus{UnitState::Failed, "failed: read back, " + failed};
                }
                const std::vector<Difference> left =
                    CompareUnit(run.Units()[i].parameters, parameters, facts.versionNumber.load());
                const auto wrong = std::count_if(left.begin(), left.end(),
                                                 [](const Difference& d) { return d.writable; });
                if (wrong > 0) {
                    return NetworkUnitStatus{
                        UnitState::Failed,
                        Format("failed: %ld differ after writing", static_cast<long>(wrong))};
                }
                return NetworkUnitStatus{UnitState::Done, DoneText("done", parameters)};
            });
        // Units that were written but never read back (stopped) have not been checked.
        for (std::size_t i : units) {
            const std::vector<NetworkUnitStatus> statuses = run.Statuses();
            if (statuses[i].state == UnitState::Working) {
                run.SetStatus(i, {UnitState::NotReached, "written, not read back"});
            }
        }
    });
}

}  // namespace skelvane
