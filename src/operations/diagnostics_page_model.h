#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/listener_slot.h"
#include "base/log_pane.h"
#include "base/prompter.h"
#include "document/block.h"
#include "link/device_link.h"
#include "link/diagnostics_exchange.h"
#include "operations/current_remote_ua.h"
#include "operations/parameter_handoff.h"

namespace skelvane {

// The "Diagnostics" page of a block's properties without its window: the list of diagnostic
// values, the Local/Remote choice, "&Read" with "&Poll", the custom parameter fields with
// "&Get" and "&Set", the worker and the log pane.
//
// Threads: as on the Settings page, the worker works on a copy of the block's parameters
// and hands the values back; ApplyWorkerResults() applies them on the owner's thread and
// rewrites the value cells when a pass read both groups. The poll flag, the operation and the
// custom parameter are shared with the running worker (atomics and a mutex), because
// "&Stop", "&Get" and "&Set" act on a polling worker.
class DiagnosticsPageModel {
  public:
    // The edit fields, in the order a start reads them.
    enum class Field { Size, Id1, Id2, Id3, Id4, Value };

    struct Row {
        std::string name;
        std::string description;
        bool hasValue = false;  // one of the thirteen diagnostic values
        std::string value;      // "0" until read
        bool missing = false;   // not received in the last pass: no value to show
    };

    DiagnosticsPageModel(Block& block, const PortFactory& ports, std::string portName,
                         CurrentRemoteUa& remoteUa, Prompter& prompter, Clock& clock);
    DiagnosticsPageModel(const DiagnosticsPageModel&) = delete;
    DiagnosticsPageModel& operator=(const DiagnosticsPageModel&) = delete;
    ~DiagnosticsPageModel();

    // One row per parameter whose "readwrite" is 0, in parameter order.
    const std::vector<Row>& Rows() const { return rows_; }
    LogPane& Log() { return log_; }
    DeviceLink& Link() { return link_; }

    bool LocalChosen() const { return localChosen_; }
    void ChooseLocal(bool local) { localChosen_ = local; }

    // The edit fields as typed ("1", "0", ... when the page opens). The worker writes the
    // "Value:" field after each register reply.
    std::string FieldText(Field field) const;
    void SetFieldText(Field field, std::string text);
    bool PollChecked() const { return pollChecked_.load(); }
    void SetPollChecked(bool checked) { pollChecked_.store(checked); }
    // The field a start found wrong (it beeped and focused it); nullopt when all were fine.
    std::optional<Field> FocusedField() const { return focused_; }

    // The buttons. Each reads the controls and starts the worker unless one runs (a press
    // while polling switches the operation of the next pass). True when a worker started.
    bool Read() { return Start(DiagnosticsOp::Read); }
    bool Get() { return Start(DiagnosticsOp::Get); }
    bool Set() { return Start(DiagnosticsOp::Set); }
    // "&Stop": clears the poll flag; the worker ends after its current pass.
    void Stop() { poll_.store(false); }
    void ClearLog() { log_.Clear(); }

    // "&Read" and "&Poll" are disabled while a worker runs.
    bool ReadEnabled() const { return !link_.Busy(); }

    // The page becomes active: it takes the current remote UA.
    void Activate();
    // The sheet switches away: the controls are read, polling stops after the current pass
    // and "&Poll" shows unchecked.
    void Leave();
    // Cancel or closing.
    void Close();

    std::uint16_t UnitAddress() const { return link_.UnitAddress(); }
    bool PollFlag() const { return poll_.load(); }
    // Passes of the worker so far (one per operation run, each poll a pass).
    std::uint64_t Passes() const { return passes_.load(); }

    // Owner thread: applies the values handed back and rewrites the value cells when a pass
    // read both groups. True when anything was waiting.
    bool ApplyWorkerResults();
    // Rewrites the value cells from the block's parameters.
    void ShowDiagValues();

    // Called on the worker thread when results are waiting, after every pass (with the
    // pass number, before the worker decides whether to poll again) and when it finished.
    void SetUpdateListener(std::function<void()> listener) {
        updateListener_.Set(std::move(listener));
    }
    // `ok`: the pass did what it was for (Read: both groups answered; Get: a reply came;
    // Set: the request went out).
    void SetPassListener(std::function<void(std::uint64_t pass, bool ok)> listener) {
        passListener_.Set(std::move(listener));
    }

  private:
    static constexpr std::uint32_t kShowValues = 1;

    bool Start(DiagnosticsOp operation);
    // Reads the controls as a start does: Local, then the fields in order; the first wrong
    // field beeps, takes the focus and leaves the rest (the poll box too) unread.
    void ReadControls();
    void RunWorker(DeviceLink& link, std::vector<Parameter> parameters);

    Block& block_;
    CurrentRemoteUa& remoteUa_;
    Prompter& prompter_;
    LogPane log_;
    std::vector<Row> rows_;
    ParameterHandoff handoff_;
    bool localChosen_ = true;
    std::optional<Field> focused_;

    mutable std::mutex fieldsMutex_;  // the fields and the custom parameter
    std::array<std::string, 6> fields_;
    std::vector<std::string> missing_;  // rows the last pass got no value for
    CustomParameter custom_;

    std::atomic<bool> pollChecked_{false};
    std::atomic<bool> poll_{false};
    std::atomic<std::uint64_t> passes_{0};

    ListenerSlot<> updateListener_;
    ListenerSlot<std::uint64_t, bool> passListener_;

    DeviceLink link_;
};

}  // namespace skelvane
