#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/prompter.h"
#include "document/block.h"
#include "document/unit_facts.h"
#include "link/port_factory.h"
#include "operations/network_run.h"
#include "operations/network_units.h"

namespace skelvane {

// A row of a network dialog's unit list: every radio block, the ones left out too.
struct UnitRow {
    Block* block = nullptr;
    std::string name;
    std::string kind;     // "Master", "Repeater", ...
    std::string address;  // the unit address, empty when the block has none
    bool local = false;
    bool chosen = false;     // ticked
    bool contacted = false;  // false: left out (the status says why)
    NetworkUnitStatus status;
};

// What the network dialogs and commands share: the network's units with the block on the
// cable and the ticked blocks, and the run that works through them. Each command's model adds
// its work and its results.
//
// Threads: the owner of the document calls everything here; the run's worker only reads the
// copies the run was started with. The dialogs are modal, so no block goes away during a run.
class NetworkModel {
  public:
    NetworkModel(Block& root, const PortFactory& ports, std::string portName, Prompter& prompter,
                 Clock& clock);
    NetworkModel(const NetworkModel&) = delete;
    NetworkModel& operator=(const NetworkModel&) = delete;
    virtual ~NetworkModel();

    Block& Root() { return root_; }
    const NetworkUnits& Units() const { return units_; }
    NetworkRun& Run() { return run_; }
    const NetworkRun& Run() const { return run_; }
    LogPane& Log() { return run_.Log(); }

    // The block on the cable: the default (the first Master) until another is chosen. Only
    // while no run goes on; the list is made again.
    void ChooseCable(Block* cable);
    // The radio blocks the cable drop-down offers, in child-walk order.
    std::vector<Block*> CableChoices() { return RadioBlocks(root_); }
    // Ticks: every block at first. Only while no run goes on.
    void Choose(Block* block, bool chosen);
    void ChooseOnly(const std::vector<Block*>& blocks);
    bool IsChosen(const Block* block) const { return chosen_.count(block) != 0; }

    // Instead of the network's list, one unit reached as given (the Settings page's "Compare
    // with Unit": its block, its Local/Remote choice and its unit address).
    void UseSingleUnit(Block& block, bool local, std::uint16_t ua);

    // The rows of the unit list, with each unit's status.
    std::vector<UnitRow> Rows() const;

    bool Busy() const { return run_.Busy(); }
    // Of the units of the last run: those that ended as asked, and the others.
    std::size_t SucceededCount() const;
    std::size_t FailedCount() const;
    // Stop: the worker ends within a second with the port closed.
    void Stop() { run_.Stop(); }
    // Start is enabled while no run goes on and at least one ticked unit can be contacted.
    bool StartEnabled() const;

    // Called on the worker whenever a status, the progress or the results change, and when
    // the worker has finished.
    void SetListener(std::function<void()> listener) { run_.SetListener(std::move(listener)); }

  protected:
    // The units to work on, in the order given (child-walk order by default), made ready in
    // the run. False (nothing started) while a run goes on or when there is none.
    bool PrepareUnits(bool deepestFirst = false);
    // What a reading run does with a unit read completely: keeps what it needs of `read`
    // (the unit's values in a copy of its block's parameters) and gives the unit's status.
    using ReadResult = std::function<NetworkUnitStatus(
        const RunUnit& unit, std::vector<Parameter>& read, const UnitFacts& facts)>;
    // Starts a run that reads every unit to work on (Read All and the repeater list) into a
    // copy, never into its block. `clearResults` runs once the units are ready, before the
    // worker starts. False when nothing started.
    bool StartReading(const std::function<void()>& clearResults, ReadResult result);
    // The status of the run's unit `i`.
    NetworkUnitStatus StatusOf(std::size_t i) const;
    Prompter& GetPrompter() { return prompter_; }

  private:
    Block& root_;
    Prompter& prompter_;
    NetworkUnits units_;
    std::set<const Block*> chosen_;
    bool single_ = false;
    RunUnit singleUnit_;
    NetworkRun run_;
};

// "done V4.46": the word and the version a unit reported, when it reported one.
std::string DoneText(const char* word, const std::vector<Parameter>& parameters);

}  // namespace skelvane
