#include "operations/network_backup_model.h"

namespace skelvane {
namespace {

// The parameters of `read` that differ from `before`, by position.
std::vector<ParameterChange> ChangesOf(const std::vector<Parameter>& before,
                                       const std::vector<Parameter>& read) {
    std::vector<ParameterChange> changes;
    for (std::size_t i = 0; i < read.size() && i < before.size(); ++i) {
        if (read[i].value != before[i].value || read[i].textValue != before[i].textValue) {
            changes.push_back({i, read[i].name, read[i].value, read[i].textValue});
        }
    }
    return changes;
}

}  // namespace

NetworkBackupModel::~NetworkBackupModel() {
    Stop();
}

bool NetworkBackupModel::Start() {
    Run().SetTitle("Back up of the network");
    const auto clear = [this] {
        std::lock_guard lock(mutex_);
        results_.clear();
    };
    return StartReading(
        clear, [this](const RunUnit& unit, std::vector<Parameter>& read, const UnitFacts&) {
            {
                std::lock_guard lock(mutex_);
                results_.push_back({unit.block, ChangesOf(unit.parameters, read)});
            }
            return NetworkUnitStatus{UnitState::Done, DoneText("done", read)};
        });
}

std::vector<Block*> NetworkBackupModel::ApplyWorkerResults() {
    std::vector<Result> results;
    {
        std::lock_guard lock(mutex_);
        results.swap(results_);
    }
    std::vector<Block*> changed;
    for (Result& result : results) {
        if (ApplyParameterChanges(result.block->Parameters(), result.changes) > 0) {
            changed.push_back(result.block);
        }
    }
    return changed;
}

}  // namespace skelvane
