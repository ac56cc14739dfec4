#pragma once

#include <mutex>
#include <vector>

#include "operations/network_model.h"
#include "operations/unit_differences.h"

namespace skelvane {

// One difference between a block and its unit, as the compare view lists it.
struct BlockDifference {
    Block* block = nullptr;
    std::string blockName;
    Difference difference;
};

// "Compare Network..." and the Settings page's "Compare with Unit": each ticked unit is read
// into a scratch copy (never into its block) and what differs from the block is listed. A
// difference can then be taken into the file, one by one or all at once.
class NetworkCompareModel final : public NetworkModel {
  public:
    using NetworkModel::NetworkModel;
    ~NetworkCompareModel() override;

    bool Start();

    // Owner: the differences found so far, unit by unit in the order they were read.
    std::vector<BlockDifference> Differences() const;
    // Owner: puts the unit's value of difference `index` into the block (it leaves the list).
    // False when there is no such difference or a run goes on.
    bool Take(std::size_t index);
    // All of them; the number taken.
    std::size_t TakeAll();
    // True when the last run read every unit it was given (no unit failed or was left).
    bool AllRead() const { return FailedCount() == 0 && !Run().Units().empty(); }

  private:
    struct UnitResult {
        Block* block;
        std::vector<Parameter> unit;  // what the unit reported
        std::vector<Difference> differences;
    };
    mutable std::mutex mutex_;
    std::vector<UnitResult> results_;
};

}  // namespace skelvane
