#pragma once

#include <mutex>
#include <vector>

#include "operations/network_model.h"
#include "operations/parameter_handoff.h"

namespace skelvane {

// "Read Network...": every ticked unit gets Read All (registers, version, serial number, data
// mask, the sixteen restriction entries) and its repeater list, into its block. A unit that
// fails leaves its block as it was.
class NetworkBackupModel final : public NetworkModel {
  public:
    using NetworkModel::NetworkModel;
    ~NetworkBackupModel() override;

    // Start: reads the ticked units one after the other. False when nothing started.
    bool Start();

    // Owner: puts what the units that were read completely reported into their blocks.
    // Returns the blocks changed since the last call (the caller marks the document
    // modified).
    std::vector<Block*> ApplyWorkerResults();

  private:
    struct Result {
        Block* block;
        std::vector<ParameterChange> changes;
    };
    std::mutex mutex_;
    std::vector<Result> results_;
};

}  // namespace skelvane
