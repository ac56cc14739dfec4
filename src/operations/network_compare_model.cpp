#include "operations/network_compare_model.h"

#include <algorithm>

#include "base/format.h"

namespace skelvane {

NetworkCompareModel::~NetworkCompareModel() {
    Stop();
}

bool NetworkCompareModel::Start() {
    Run().SetTitle("Compare of the network");
    const auto clear = [this] {
        std::lock_guard lock(mutex_);
        results_.clear();
    };
    return StartReading(
        clear, [this](const RunUnit& unit, std::vector<Parameter>& read, const UnitFacts& facts) {
            std::vector<Difference> differences =
                CompareUnit(unit.parameters, read, facts.versionNumber.load());
            const std::size_t count = differences.size();
            {
                std::lock_guard lock(mutex_);
                results_.push_back({unit.block, std::move(read), std::move(differences)});
            }
            return NetworkUnitStatus{UnitState::Done,
                                     count == 0 ? "same" : Format("%zu differ", count)};
        });
}

std::vector<BlockDifference> NetworkCompareModel::Differences() const {
    std::lock_guard lock(mutex_);
    std::vector<BlockDifference> list;
    for (const UnitResult& result : results_) {
        for (const Difference& d : result.differences) {
            list.push_back({result.block, result.block->Name(), d});
        }
    }
    return list;
}

bool NetworkCompareModel::Take(std::size_t index) {
    if (Busy()) {
        return false;
    }
    std::lock_guard lock(mutex_);
    for (UnitResult& result : results_) {
        if (index >= result.differences.size()) {
            index -= result.differences.size();
            continue;
        }
        const std::string& name = result.differences[index].parameter;
        Parameter* target = result.block->FindParameter(name);
        const auto source = std::find_if(result.unit.begin(), result.unit.end(),
                                         [&name](const Parameter& p) { return p.name == name; });
        if (target != nullptr && source != result.unit.end()) {
            target->value = source->value;
            target->textValue = source->textValue;
        }
        result.differences.erase(result.differences.begin() + static_cast<long>(index));
        return true;
    }
    return false;
}

std::size_t NetworkCompareModel::TakeAll() {
    std::size_t taken = 0;
    while (Take(0)) {
        ++taken;
    }
    return taken;
}

}  // namespace skelvane
