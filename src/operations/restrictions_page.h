#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "base/listener_slot.h"
#include "base/log_pane.h"
#include "base/prompter.h"
#include "document/block.h"
#include "document/unit_facts.h"
#include "link/device_link.h"
#include "operations/current_remote_ua.h"
#include "operations/parameter_handoff.h"
#include "operations/restrictions_page_model.h"
#include "restrictions/restriction_table.h"
#include "restrictions/restrictions_exchange.h"

namespace skelvane {

// The "Restrictions & Repeaters" page of a block's properties without its window: the list
// (rows, selection, edits, "Zones"), the Local/Remote choice, "&Read", "&Write", "Re&set" and
// their worker, the log pane and the page's unit address. The window only binds its widgets
// to this.
//
// Threads: the page lives on the thread that owns the block. A button starts the worker on a
// copy of the block's parameters; the worker hands every value a unit reported back through
// a ParameterHandoff, and the owner applies them with ApplyWorkerResults(), which shows them
// in their rows, refreshes the list after a Read or Write that did not fail and sets "Zones"
// after such a Read. The update listener is called on the worker thread when results are
// waiting and when the worker has finished; the window then calls ApplyWorkerResults() on its
// own thread. A Write's validation messages are asked of the Prompter on the worker thread.
class RestrictionsPage {
  public:
    RestrictionsPage(Block& block, const PortFactory& ports, std::string portName, UnitFacts& facts,
                     RestrictionState& state, CurrentRemoteUa& remoteUa, Prompter& prompter,
                     Clock& clock);
    RestrictionsPage(const RestrictionsPage&) = delete;
    RestrictionsPage& operator=(const RestrictionsPage&) = delete;
    // Closing the page finishes a running worker.
    ~RestrictionsPage();

    // The group box's title: the block's name, at most 99 characters.
    std::string Title() const { return list_.Title(); }
    // The list: Rows(), SelectRow(), SelectedEntry(), ZonesOpensDialog().
    RestrictionsPageModel& List() { return list_; }
    const RestrictionsPageModel& List() const { return list_; }
    LogPane& Log() { return log_; }
    DeviceLink& Link() { return link_; }

    // The list accepted a new text for a row (see RestrictionsPageModel::CommitEdit); its
    // message, if any, goes through the page's Prompter.
    bool CommitEdit(std::size_t row, std::string_view text);
    // The "Preset Freq. Restrictions" dialog closed with OK: its result goes to the selected
    // row like an edit.
    bool ApplyZoneResult(std::string_view text);

    // The sheet makes this page the active one: it takes the current remote UA and sets
    // "Zones" from the unit facts.
    void Activate();
    // The sheet switches to another page: the Local/Remote choice is kept, "Zones" disabled.
    void Leave();
    // Cancel or closing: finishes a running worker (waiting up to a second).
    void Close();

    // "&Local" / "Rem&ote". Local at first when the block's "OperatingMode" is 0 or missing.
    bool LocalChosen() const { return localChosen_; }
    void ChooseLocal(bool local) { localChosen_ = local; }
    // The unit address Remote requests carry: the current remote UA taken on activation,
    // then the address of every valid reply.
    std::uint16_t RemoteUa() const { return link_.UnitAddress(); }

    // The action buttons: each takes the Local/Remote choice and starts the worker unless
    // one runs (then only the operation is stored). True when a worker started.
    bool Read() { return Start(RestrictionsOp::Read); }
    bool Write() { return Start(RestrictionsOp::Write); }
    bool Reset() { return Start(RestrictionsOp::Reset); }
    // Not a button: the first two steps of a Read (country code, version) alone, for callers
    // that have not read the unit before a Write (the command-line tool).
    bool ReadUnitFacts() { return Start(RestrictionsOp::UnitFacts); }
    // "&Clear Log": the pane keeps the single line " ".
    void ClearLog() { log_.Clear(); }

    // "&Read", "&Write" and "Re&set": disabled while a worker runs.
    bool ActionsEnabled() const { return !link_.Busy(); }
    bool ZonesEnabled() const { return list_.ZonesEnabled(); }

    // Owner thread: applies what the worker handed back (see above). True when anything was
    // waiting.
    bool ApplyWorkerResults();
    // How the last finished worker went; nullopt before the first and while one runs.
    std::optional<RestrictionsReport> LastReport() const;

    // Called on the worker thread when results are waiting and when the worker finished.
    void SetUpdateListener(std::function<void()> listener) {
        updateListener_.Set(std::move(listener));
    }

  private:
    // What the owner does after applying a batch besides showing the changed rows.
    static constexpr std::uint32_t kRefreshList = 1;
    static constexpr std::uint32_t kUpdateZones = 2;

    bool Start(RestrictionsOp operation);
    void RunWorker(DeviceLink& link, RestrictionsOp operation, std::vector<Parameter> parameters);

    Block& block_;
    UnitFacts& facts_;
    RestrictionState& state_;
    CurrentRemoteUa& remoteUa_;
    Prompter& prompter_;
    LogPane log_;
    RestrictionsPageModel list_;
    ParameterHandoff handoff_;
    bool localChosen_ = true;

    mutable std::mutex reportMutex_;
    std::optional<RestrictionsReport> report_;
    ListenerSlot<> updateListener_;
    // Last: destroyed (its worker joined) before everything the worker uses.
    DeviceLink link_;
};

}  // namespace skelvane
