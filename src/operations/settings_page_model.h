#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "base/clock.h"
#include "base/listener_slot.h"
#include "base/log_pane.h"
#include "base/prompter.h"
#include "document/block.h"
#include "document/property_list_model.h"
#include "document/unit_facts.h"
#include "link/device_link.h"
#include "link/settings_exchange.h"
#include "operations/current_remote_ua.h"
#include "operations/parameter_handoff.h"

namespace skelvane {

// The "Settings" page of a block's properties without its window: the parameter list with
// its editing rules, the Local/Remote choice, the action buttons and their worker, the log
// pane, and the page's unit address.
//
// Threads: the model lives on the thread that owns the block. A button starts the worker on
// a copy of the block's parameters; the worker hands the values it received back through a
// ParameterHandoff, and the owner applies them with ApplyWorkerResults() (which also
// refreshes the list when the operation asks for it). The update listener tells the owner,
// from the worker thread, that results are waiting or that the worker has finished.
class SettingsPageModel {
  public:
    SettingsPageModel(Block& block, const PortFactory& ports, std::string portName,
                      UnitFacts& facts, CurrentRemoteUa& remoteUa, Prompter& prompter,
                      Clock& clock);
    SettingsPageModel(const SettingsPageModel&) = delete;
    SettingsPageModel& operator=(const SettingsPageModel&) = delete;
    // Closing the page finishes a running worker.
    ~SettingsPageModel();

    Block& GetBlock() { return block_; }
    PropertyListModel& List() { return list_; }
    LogPane& Log() { return log_; }
    DeviceLink& Link() { return link_; }

    // The page is shown: the list is filled again and the unit address taken from it.
    void Show();
    // The sheet switches to another page: the Local/Remote choice is taken and the page's
    // unit address becomes the current remote UA of the other pages.
    void Leave();
    // Cancel or closing: finishes a running worker (waiting up to a second).
    void Close();

    // The "&Local" / "Rem&ote" radio buttons. Local at first when the block's
    // "OperatingMode" is 0.
    bool LocalChosen() const { return localChosen_; }
    void ChooseLocal(bool local) { localChosen_ = local; }
    // The page's unit address: the block's "UnitAddress" at first, then the address of
    // every valid reply and every accepted "UnitAddress" edit.
    std::uint16_t UnitAddress() const { return link_.UnitAddress(); }

    // The action buttons. Each returns true when it started the worker; while one runs a
    // press only stores its operation. Write refuses (with a message, nothing sent) when a
    // checked value is outside its parameter's range or choices.
    bool ReadAll() { return Start(SettingsOp::ReadAll); }
    bool Read() { return Start(SettingsOp::Read); }
    bool Write() { return Start(SettingsOp::Write); }
    bool SerialNumber() { return Start(SettingsOp::SerialNumber); }
    bool Version() { return Start(SettingsOp::Version); }
    bool Reset() { return Start(SettingsOp::Reset); }
    // "&Default" after the "Defaults" dialog: `chosenIndex` is the index of the chosen set
    // (kDefaultSets), nullopt when the dialog was cancelled (nothing happens then).
    bool Default(std::optional<std::size_t> chosenIndex);
    // The "Verify" check box: Write reads back what it wrote (ticked at first).
    bool Verify() const { return verify_; }
    void SetVerify(bool verify) { verify_ = verify; }
    // "&Clear Log": the pane keeps the single line " ".
    void ClearLog() { log_.Clear(); }

    // Read All, Read, Write, Serial No., Version and Reset: disabled while a worker runs.
    bool ActionsEnabled() const { return !link_.Busy(); }
    // Default: disabled when the page opens and while a worker runs; a finishing worker
    // enables it when the unit facts hold a firmware version number of at least 44500.
    bool DefaultEnabled() const { return defaultEnabled_.load() && !link_.Busy(); }

    // Owner thread: applies the values the worker handed back to the block and refreshes the
    // list when the operation succeeded and read something. True when anything was waiting.
    bool ApplyWorkerResults();
    // How the last finished worker ended; nullopt before the first and while one runs.
    std::optional<SettingsOutcome> LastOutcome() const;

    // Called on the worker thread when results are waiting and when the worker finished.
    void SetUpdateListener(std::function<void()> listener) {
        updateListener_.Set(std::move(listener));
    }

  private:
    static constexpr std::uint32_t kRefreshList = 1;
    static constexpr std::uint32_t kSettled = 2;  // the operation succeeded

    bool Start(SettingsOp operation, std::uint8_t defaultSet = 0);

    Block& block_;
    UnitFacts& facts_;
    CurrentRemoteUa& remoteUa_;
    LogPane log_;
    PropertyListModel list_;
    ParameterHandoff handoff_;
    Prompter& prompter_;
    bool localChosen_ = false;
    bool verify_ = true;
    std::vector<std::string> settles_;  // owner thread: see Start()
    std::uint64_t settlesUpTo_ = 0;     // the list's edit serial when they were taken
    std::atomic<bool> defaultEnabled_{false};
    std::atomic<int> outcome_{-1};  // -1: none
    ListenerSlot<> updateListener_;
    // Last: destroyed (its worker joined) before everything the worker uses.
    DeviceLink link_;
};

}  // namespace skelvane
