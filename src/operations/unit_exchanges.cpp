#include "operations/unit_exchanges.h"

#include <utility>

#include "base/format.h"
#include "link/settings_exchange.h"
#include "restrictions/restriction_parameters.h"
#include "restrictions/restriction_payload.h"
#include "restrictions/restriction_table.h"
#include "restrictions/restrictions_exchange.h"

namespace skelvane {
namespace {

// Runs one Settings operation on the copy; "Failed." follows a failed step, as on the page.
bool SettingsStep(DeviceLink& link, std::vector<Parameter>& parameters, UnitFacts& facts,
                  SettingsOp operation, std::vector<std::string> checked = {}) {
    SettingsJob job{operation, std::move(parameters), std::move(checked), 0};
    const bool ok = RunSettingsOperation(link, job, facts);
    parameters = std::move(job.parameters);
    if (!ok) {
        link.LogLine("Failed.", false, true);
    }
    return ok;
}

}  // namespace

Contact ContactUnit(DeviceLink& link, const RunUnit& unit, std::vector<Parameter>& parameters,
                    UnitFacts& facts) {
    link.SetLocal(unit.local);
    link.SetUnitAddress(unit.requestUa);
    link.LogLine(unit.local ? Format("Unit \"%s\" on the cable:", unit.name.c_str())
                            : Format("Unit \"%s\", address %u:", unit.name.c_str(),
                                     static_cast<unsigned>(unit.requestUa)),
                 true);
    if (!link.Port().IsOpen() && !link.OpenPort()) {
        return Contact::PortFailed;
    }
    const DeviceLink::ReplyParser check = [&](const std::uint8_t* buffer, std::size_t count) {
        return ParseSettingsReply(link, parameters, facts, buffer, count) == 1;
    };
    return link.VerifyConnection(check) ? Contact::Connected : Contact::NoAnswer;
}

std::string ReadUnit(DeviceLink& link, std::vector<Parameter>& parameters, UnitFacts& facts,
                     Prompter& prompter) {
    if (!SettingsStep(link, parameters, facts, SettingsOp::ReadAll)) {
        return "Read All";
    }
    if (facts.versionNumber.load() < kRepeatersMinVersion) {
        return {};
    }
    // The unit reports an empty list by sending no address, which leaves the parameter as it
    // was; start from the empty list so that what is kept is what the unit has.
    for (Parameter& parameter : parameters) {
        if (IsRepeaterParameter(parameter.name)) {
            parameter.textValue.assign(1, '0');  // not = "0": GCC 12 warns falsely
            break;
        }
    }
    RestrictionState state;
    RestrictionsExchange exchange(link, parameters, facts, state, prompter);
    if (exchange.RunConnected(RestrictionsOp::Repeaters).outcome !=
        RestrictionsOutcome::Succeeded) {
        return "repeater list";
    }
    return {};
}

std::string WriteUnit(DeviceLink& link, std::vector<Parameter>& parameters, const WritePlan& plan,
                      Prompter& prompter) {
    UnitFacts facts;
    if (!plan.registers.empty() &&
        !SettingsStep(link, parameters, facts, SettingsOp::Write, plan.registers)) {
        return "Write";
    }
    if (!plan.restrictions) {
        return {};
    }
    // The restriction write goes by the unit's version and checks the entries against its
    // country and link rate, as they are now that the registers are written.
    RestrictionState state;
    RestrictionsExchange exchange(link, parameters, facts, state, prompter);
    if (exchange.RunConnected(RestrictionsOp::UnitFacts).outcome !=
        RestrictionsOutcome::Succeeded) {
        return "version";
    }
    if (exchange.RunConnected(RestrictionsOp::Write).outcome != RestrictionsOutcome::Succeeded) {
        return "restrictions";
    }
    return {};
}

std::vector<std::size_t> AllUnits(const NetworkRun& run) {
    std::vector<std::size_t> all(run.Units().size());
    for (std::size_t i = 0; i < all.size(); ++i) {
        all[i] = i;
    }
    return all;
}

void ForEachUnit(NetworkRun& run, DeviceLink& link, const std::vector<std::size_t>& units,
                 const char* working, const UnitBody& body) {
    const auto leaveRest = [&](std::size_t from, const char* why) {
        for (std::size_t k = from; k < units.size(); ++k) {
            run.SetStatus(units[k], {UnitState::NotReached, why});
        }
    };
    for (std::size_t k = 0; k < units.size(); ++k) {
        if (run.Stopping()) {
            leaveRest(k, "stopped");
            return;
        }
        const std::size_t i = units[k];
        const RunUnit& unit = run.Units()[i];
        run.SetStatus(i, {UnitState::Working, working});
        std::vector<Parameter> parameters = unit.parameters;
        UnitFacts facts;
        NetworkUnitStatus status;
        switch (ContactUnit(link, unit, parameters, facts)) {
            case Contact::PortFailed:
                leaveRest(k, run.Stopping() ? "stopped" : "not reached: the port did not open");
                return;
            case Contact::NoAnswer:
                status = {UnitState::NoAnswer, "no answer"};
                break;
            case Contact::Connected:
                status = body(i, parameters, facts);
                break;
        }
        if (run.Stopping() && !Succeeded(status.state)) {
            status = {UnitState::NotReached, "stopped"};
        }
        run.SetStatus(i, std::move(status));
        run.StepDone();
    }
}

}  // namespace skelvane
