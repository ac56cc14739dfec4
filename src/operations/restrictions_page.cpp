#include "operations/restrictions_page.h"

#include <utility>

namespace skelvane {
namespace {

constexpr Millis kFinishTimeout{1000};

}  // namespace

RestrictionsPage::RestrictionsPage(Block& block, const PortFactory& ports, std::string portName,
                                   UnitFacts& facts, RestrictionState& state,
                                   CurrentRemoteUa& remoteUa, Prompter& prompter, Clock& clock)
    : block_(block),
      facts_(facts),
      state_(state),
      remoteUa_(remoteUa),
      prompter_(prompter),
      list_(block, state, facts),
      localChosen_(list_.InitiallyLocal()),
      link_(clock, log_, ports, std::move(portName)) {
    link_.SetLocal(localChosen_);
    handoff_.SetListener([this] { updateListener_(); });
    link_.SetFinishedListener([this] { updateListener_(); });
}

RestrictionsPage::~RestrictionsPage() {
    link_.FinishWorker(kFinishTimeout);
    link_.Wait();
}

bool RestrictionsPage::CommitEdit(std::size_t row, std::string_view text) {
    return list_.CommitEdit(row, text, prompter_);
}

bool RestrictionsPage::ApplyZoneResult(std::string_view text) {
    return list_.ApplyZoneResult(text, prompter_);
}

void RestrictionsPage::Activate() {
    link_.SetUnitAddress(remoteUa_.Get());
    list_.Activate();
}

void RestrictionsPage::Leave() {
    link_.SetLocal(localChosen_);
    list_.Deactivate();
}

void RestrictionsPage::Close() {
    link_.FinishWorker(kFinishTimeout);
}

bool RestrictionsPage::Start(RestrictionsOp operation) {
    link_.SetLocal(localChosen_);
    if (link_.Busy()) {
        link_.SetOperation(operation);
        return false;
    }
    {
        std::lock_guard lock(reportMutex_);
        report_.reset();
    }
    return link_.StartWorker(
        operation,
        [this, operation, parameters = block_.Parameters()](DeviceLink& link) mutable {
            RunWorker(link, operation, std::move(parameters));
        },
        operation == RestrictionsOp::Write   ? "Restrictions write to {unit}"
        : operation == RestrictionsOp::Reset ? "Restrictions reset on {unit}"
                                             : "Restrictions read from {unit}");
}

void RestrictionsPage::RunWorker(DeviceLink& link, RestrictionsOp operation,
                                 std::vector<Parameter> parameters) {
    std::vector<Parameter> baseline = parameters;
    RestrictionsExchange exchange(link, parameters, facts_, state_, prompter_);
    exchange.SetReplyListener([&] { handoff_.Post(baseline, parameters); });
    const RestrictionsReport report = exchange.Run(operation);
    link.ReportOutcome(report.outcome == RestrictionsOutcome::Succeeded);

    std::uint32_t flags = 0;
    if (report.outcome == RestrictionsOutcome::Succeeded) {
        if (operation == RestrictionsOp::Read) {
            flags |= kRefreshList | kUpdateZones;
        } else if (operation == RestrictionsOp::Write) {
            flags |= kRefreshList;
        }
    }
    {
        std::lock_guard lock(reportMutex_);
        report_ = report;
    }
    handoff_.Post(baseline, parameters, flags);
}

bool RestrictionsPage::ApplyWorkerResults() {
    if (!handoff_.Pending()) {
        return false;
    }
    const ParameterHandoff::Batch batch = handoff_.Take();
    ApplyParameterChanges(block_.Parameters(), batch.changes);
    if ((batch.flags & kRefreshList) != 0) {
        list_.Refresh();
    } else {
        for (const ParameterChange& change : batch.changes) {
            list_.RefreshRow(change.name);
        }
    }
    if ((batch.flags & kUpdateZones) != 0) {
        list_.UpdateZonesButton();
    }
    return true;
}

std::optional<RestrictionsReport> RestrictionsPage::LastReport() const {
    if (link_.Busy()) {
        return std::nullopt;
    }
    std::lock_guard lock(reportMutex_);
    return report_;
}

}  // namespace skelvane
