#include "restrictions/restriction_parameters.h"

#include "base/format.h"
#include "restrictions/restriction_payload.h"
#include "restrictions/restriction_text.h"

namespace skelvane {

std::optional<int> RestrictionEntryIndex(std::string_view parameterName) {
    if (!parameterName.starts_with(kRestrictionPrefix)) {
        return std::nullopt;
    }
    const std::int64_t number = DecimalValue(parameterName.substr(kRestrictionPrefix.size()));
    if (number < 1 || number > kRestrictionEntryCount) {
        return std::nullopt;
    }
    return static_cast<int>(number - 1);
}

bool IsRepeaterParameter(std::string_view parameterName) {
    return parameterName.starts_with(kRepeaterPrefix);
}

std::optional<RestrictionTable> BuildRestrictionTable(const std::vector<Parameter>& parameters,
                                                      RestrictionState& state,
                                                      const UnitFacts& facts, Prompter& prompter) {
    // Start from empty entries: an entry the block does not have must not be sent with the
    // text some other block left in the program's table.
    RestrictionTable table;
    bool ok = true;
    for (const Parameter& parameter : parameters) {
        const std::optional<int> index = RestrictionEntryIndex(parameter.name);
        if (!index) {
            continue;
        }
        if (!ValidateRestrictionEntry(parameter.textValue, *index, table, facts, prompter)) {
            ok = false;
            break;
        }
    }
    ok = ok && CheckRoom(table, facts, prompter);
    state.SetTable(table);
    if (!ok) {
        return std::nullopt;
    }
    return table;
}

std::optional<RepeaterList> BuildRepeaterList(const std::vector<Parameter>& parameters,
                                              RestrictionState& state, Prompter& prompter) {
    for (const Parameter& parameter : parameters) {
        if (!IsRepeaterParameter(parameter.name)) {
            continue;
        }
        RepeaterList list;
        const bool ok = ValidateRepeaterList(parameter.textValue, list, prompter);
        state.SetRepeaters(list);
        if (!ok) {
            return std::nullopt;
        }
        return list;
    }
    return state.Repeaters();
}

bool ApplyRestrictionEntryReply(std::vector<Parameter>& parameters,
                                std::span<const std::uint8_t> payload) {
    const std::optional<ReceivedEntry> received = ParseRestrictionEntryReply(payload);
    if (!received) {
        return false;
    }
    const std::string name = Format("FrequencyRestriction%d", received->entryIndex + 1);
    for (Parameter& parameter : parameters) {
        if (parameter.name == name) {
            parameter.textValue = received->text;
            return true;
        }
    }
    return false;
}

bool ApplyRepeaterReply(std::vector<Parameter>& parameters, std::span<const std::uint8_t> payload) {
    const std::string text = ParseRepeaterReply(payload);
    if (text.empty()) {
        return false;
    }
    for (Parameter& parameter : parameters) {
        if (IsRepeaterParameter(parameter.name)) {
            parameter.textValue = text;
            return true;
        }
    }
    return false;
}

}  // namespace skelvane
