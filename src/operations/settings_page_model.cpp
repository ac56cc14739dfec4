#include "operations/settings_page_model.h"

#include <utility>

#include "link/default_sets.h"
#include "link/version_number.h"

namespace skelvane {

SettingsPageModel::SettingsPageModel(Block& block, const PortFactory& ports, std::string portName,
                                     UnitFacts& facts, CurrentRemoteUa& remoteUa,
                                     Prompter& prompter, Clock& clock)
    : block_(block),
      facts_(facts),
      remoteUa_(remoteUa),
      list_(block, facts, prompter),
      prompter_(prompter),
      localChosen_(block.OperatingMode() == 0),
      link_(clock, log_, ports, std::move(portName), DeviceLink::Options{true}) {
    link_.SetUnitAddress(block.UnitAddress());
    link_.SetLocal(localChosen_);
    list_.SetUnitAddressListener([this](std::uint32_t ua) { link_.SetUnitAddress(ua); });
    handoff_.SetListener([this] { updateListener_(); });
    link_.SetFinishedListener([this] {
        defaultEnabled_.store(facts_.versionNumber.load() >= kDefaultsMinVersion);
        updateListener_();
    });
    Show();
}

SettingsPageModel::~SettingsPageModel() {
    link_.FinishWorker(Millis{1000});
    link_.Wait();
}

void SettingsPageModel::Show() {
    list_.Fill();
    link_.SetUnitAddress(list_.UnitAddress());
}

void SettingsPageModel::Leave() {
    link_.SetLocal(localChosen_);
    remoteUa_.Set(link_.UnitAddress());
}

void SettingsPageModel::Close() {
    link_.FinishWorker(Millis{1000});
}

bool SettingsPageModel::Default(std::optional<std::size_t> chosenIndex) {
    if (!chosenIndex) {
        return false;
    }
    const std::optional<std::uint8_t> number = DefaultSetNumber(*chosenIndex);
    if (!number) {
        return false;
    }
    return Start(SettingsOp::Default, *number);
}

namespace {

// The start of each operation's summary line.
std::string SummaryTitle(SettingsOp operation) {
    switch (operation) {
        case SettingsOp::ReadAll:
            return "Read All from {unit}";
        case SettingsOp::Read:
            return "Read from {unit}";
        case SettingsOp::Write:
            return "Write to {unit}";
        case SettingsOp::SerialNumber:
            return "Serial number of {unit}";
        case SettingsOp::Version:
            return "Version of {unit}";
        case SettingsOp::Reset:
            return "Reset of {unit}";
        case SettingsOp::Default:
            return "Factory defaults on {unit}";
        default:
            return "Operation on {unit}";
    }
}

}  // namespace

bool SettingsPageModel::Start(SettingsOp operation, std::uint8_t defaultSet) {
    link_.SetLocal(localChosen_);
    if (link_.Busy()) {
        link_.SetOperation(operation);
        return false;
    }
    defaultEnabled_.store(false);
    outcome_.store(-1);
    SettingsJob job;
    job.operation = operation;
    job.parameters = block_.Parameters();
    job.checkedNames = list_.CheckedNames();
    job.defaultSet = defaultSet;
    job.verify = verify_;
    if (operation == SettingsOp::Write) {
        if (const std::optional<std::string> problem = WriteValueProblem(job)) {
            log_.Line(*problem, true);
            prompter_.Message(*problem + "\r\nNothing was written.", "Error",
                              MessageIcon::Information);
            defaultEnabled_.store(facts_.versionNumber.load() >= kDefaultsMinVersion);
            return false;
        }
    }
    // The rows whose marks a successful run of this operation clears: those it writes or
    // reads back from the unit.
    settles_.clear();
    settlesUpTo_ = list_.EditSerial();
    if (operation == SettingsOp::ReadAll) {
        for (const PropertyRow& row : list_.Rows()) {
            settles_.push_back(row.name);
        }
    } else if (operation == SettingsOp::Read || operation == SettingsOp::Write) {
        settles_ = job.checkedNames;
    }
    return link_.StartWorker(
        operation,
        [this, job = std::move(job)](DeviceLink& link) mutable {
            std::vector<Parameter> baseline = job.parameters;
            const SettingsOutcome outcome = RunSettingsWorker(link, job, facts_);
            const bool succeeded = outcome == SettingsOutcome::Succeeded;
            const bool refresh = succeeded && SettingsOperationRefreshes(job.operation);
            outcome_.store(static_cast<int>(outcome));
            link.ReportOutcome(succeeded);
            handoff_.Post(baseline, job.parameters,
                          (refresh ? kRefreshList : 0) | (succeeded ? kSettled : 0));
        },
        SummaryTitle(operation));
}

bool SettingsPageModel::ApplyWorkerResults() {
    if (!handoff_.Pending()) {
        return false;
    }
    const ParameterHandoff::Batch batch = handoff_.Take();
    ApplyParameterChanges(block_.Parameters(), batch.changes);
    if ((batch.flags & kRefreshList) != 0) {
        list_.RefreshList();
    }
    if ((batch.flags & kSettled) != 0) {
        list_.ClearPending(settles_, settlesUpTo_);
    }
    return true;
}

std::optional<SettingsOutcome> SettingsPageModel::LastOutcome() const {
    if (link_.Busy()) {
        return std::nullopt;
    }
    const int outcome = outcome_.load();
    if (outcome < 0) {
        return std::nullopt;
    }
    return static_cast<SettingsOutcome>(outcome);
}

}  // namespace skelvane
