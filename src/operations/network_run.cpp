#include "operations/network_run.h"

#include <algorithm>
#include <utility>

#include "base/format.h"

namespace skelvane {

bool Succeeded(UnitState state) {
    return state == UnitState::Done || state == UnitState::Unchanged;
}

std::vector<RunUnit> RunUnitsOf(const NetworkUnits& units, const std::vector<Block*>& chosen) {
    std::vector<RunUnit> list;
    for (const NetworkUnit* unit : units.Contacted()) {
        if (!chosen.empty() &&
            std::find(chosen.begin(), chosen.end(), unit->block) == chosen.end()) {
            continue;
        }
        list.push_back({unit->block, unit->block->Name(), unit->RequestUa(), unit->local,
                        unit->hops, unit->block->Parameters()});
    }
    return list;
}

NetworkRun::NetworkRun(const PortFactory& ports, std::string portName, Clock& clock)
    : clock_(clock), link_(clock, log_, ports, std::move(portName)) {
    link_.SetFinishedListener([this] { Notify(); });
}

NetworkRun::~NetworkRun() {
    link_.FinishWorker(Millis{1000});
}

void NetworkRun::SetUnits(std::vector<RunUnit> units) {
    units_ = std::move(units);
    std::lock_guard lock(mutex_);
    statuses_.assign(units_.size(), NetworkUnitStatus{});
    stepsDone_ = steps_ = 0;
}

bool NetworkRun::Start(std::size_t steps, Work work) {
    if (link_.Busy()) {
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        steps_ = steps;
        stepsDone_ = 0;
        started_ = lastStep_ = clock_.Now();
    }
    return link_.StartWorker(
        0,
        [this, work = std::move(work)](DeviceLink& link) {
            work(*this, link);
            std::size_t done = 0;
            std::size_t failed = 0;
            for (const NetworkUnitStatus& status : Statuses()) {
                done += Succeeded(status.state);
                failed += status.state == UnitState::NoAnswer ||
                          status.state == UnitState::Failed ||
                          status.state == UnitState::NotReached;
            }
            link.ReportOutcome(failed == 0 && !link.PortGone(),
                               Format("%zu of %zu units done", done, units_.size()));
        },
        title_);
}

bool NetworkRun::Stop() {
    return link_.FinishWorker(Millis{1000});
}

void NetworkRun::SetStatus(std::size_t unit, NetworkUnitStatus status) {
    {
        std::lock_guard lock(mutex_);
        if (unit >= statuses_.size()) {
            return;
        }
        statuses_[unit] = std::move(status);
    }
    Notify();
}

void NetworkRun::StepDone() {
    {
        std::lock_guard lock(mutex_);
        ++stepsDone_;
        lastStep_ = clock_.Now();
    }
    Notify();
}

std::vector<NetworkUnitStatus> NetworkRun::Statuses() const {
    std::lock_guard lock(mutex_);
    return statuses_;
}

RunProgress NetworkRun::Progress() const {
    std::lock_guard lock(mutex_);
    RunProgress progress{stepsDone_, steps_, std::nullopt};
    if (stepsDone_ > 0 && stepsDone_ <= steps_) {
        // What the steps so far took on average, for each step still to come.
        const auto perStep = (lastStep_ - started_) / static_cast<long>(stepsDone_);
        progress.timeLeft = perStep * static_cast<long>(steps_ - stepsDone_);
    }
    return progress;
}

}  // namespace skelvane
