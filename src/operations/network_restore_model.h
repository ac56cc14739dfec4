#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "operations/network_model.h"
#include "operations/unit_differences.h"

namespace skelvane {

// What a restore is going to write to one unit.
struct UnitPlan {
    Block* block = nullptr;
    std::string name;
    bool ready = false;  // planned; false for a unit that could not be read for the plan
    WritePlan plan;
    std::vector<Difference> differences;  // with "changed only": what differed
};

// The restore of a network from its file, in two steps the user sees: Plan works out what
// each ticked unit gets (with "changed only" by reading and comparing it first, else every
// writable value), the user confirms, and Write writes the units, the farthest from the
// cable first and the unit on the cable last, then reads each one back and compares it: a
// unit whose values differ afterwards has failed.
class NetworkRestoreModel final : public NetworkModel {
  public:
    using NetworkModel::NetworkModel;
    ~NetworkRestoreModel() override;

    // "Changed only": ticked at first.
    bool ChangedOnly() const { return changedOnly_; }
    void SetChangedOnly(bool changedOnly) { changedOnly_ = changedOnly; }

    // Step 1. With "changed only" the worker reads the units; without, the plans are made at
    // once and no unit is contacted. False when nothing started.
    bool Plan();
    // A plan is complete (the planning worker, if any, has finished) and not yet written.
    bool Planned() const;
    std::vector<UnitPlan> Plans() const;
    // The units that will be written, and the values in all.
    std::size_t UnitsToWrite() const;
    // The question before writing: the units and how many values each will get.
    std::string ConfirmationText() const;

    // Step 2, after Plan: writes the planned units, then reads them back. False when there
    // is no plan, or nothing to write.
    bool Write();

  private:
    void PlanFromFile();
    std::vector<std::size_t> UnitsWith(bool (*test)(const UnitPlan&,
                                                    const NetworkUnitStatus&)) const;

    bool changedOnly_ = true;
    mutable std::mutex mutex_;
    std::vector<UnitPlan> plans_;  // by the run's unit index
    bool planning_ = false;
    bool written_ = false;
};

}  // namespace skelvane
