#include "operations/restrictions_page_model.h"

#include "base/latin1.h"
#include "restrictions/restriction_parameters.h"
#include "restrictions/restriction_text.h"
#include "restrictions/zone_presets.h"

namespace skelvane {
namespace {

constexpr std::size_t kTitleCapacity = 99;

}  // namespace

RestrictionsPageModel::RestrictionsPageModel(Block& block, RestrictionState& state,
                                             const UnitFacts& facts)
    : block_(block), state_(state), facts_(facts) {
    for (const Parameter& parameter : block_.Parameters()) {
        std::optional<int> index = RestrictionEntryIndex(parameter.name);
        if (index || IsRepeaterParameter(parameter.name)) {
            rows_.push_back(Row{parameter.name, parameter.desc, parameter.textValue, index});
        }
    }
    UpdateZonesButton();
}

std::string RestrictionsPageModel::Title() const {
    return CutText(block_.Name(), kTitleCapacity);
}

bool RestrictionsPageModel::InitiallyLocal() const {
    return block_.OperatingMode() == 0;
}

void RestrictionsPageModel::Refresh() {
    for (Row& row : rows_) {
        if (const Parameter* parameter = block_.FindParameter(row.name)) {
            row.value = parameter->textValue;
        }
    }
}

void RestrictionsPageModel::RefreshRow(std::string_view name) {
    for (Row& row : rows_) {
        if (row.name == name) {
            if (const Parameter* parameter = block_.FindParameter(row.name)) {
                row.value = parameter->textValue;
            }
        }
    }
}

void RestrictionsPageModel::SelectRow(std::size_t row) {
    if (row < rows_.size()) {
        selectedRow_ = row;
    }
}

std::optional<int> RestrictionsPageModel::SelectedEntry() const {
    if (!selectedRow_) {
        return std::nullopt;
    }
    return rows_[*selectedRow_].entryIndex;
}

bool RestrictionsPageModel::CommitEdit(std::size_t row, std::string_view text, Prompter& prompter) {
    if (row >= rows_.size()) {
        return false;
    }
    Row& target = rows_[row];
    const std::string value = text.empty() ? std::string("0") : std::string(text);
    target.value = value;

    bool ok = false;
    if (target.entryIndex) {
        RestrictionTable table = state_.Table();
        ok = ValidateRestrictionEntry(value, *target.entryIndex, table, facts_, prompter);
        state_.SetTable(table);
    } else {
        RepeaterList list;
        ok = ValidateRepeaterList(value, list, prompter);
        state_.SetRepeaters(list);
    }
    Parameter* parameter = block_.FindParameter(target.name);
    if (!ok || parameter == nullptr) {
        // The row goes back to what Write would send.
        if (parameter != nullptr) {
            target.value = parameter->textValue;
        }
        return false;
    }
    parameter->textValue = value;
    return true;
}

void RestrictionsPageModel::UpdateZonesButton() {
    zonesEnabled_ = ZonesButtonEnabled(facts_);
}

bool RestrictionsPageModel::ZonesOpensDialog() const {
    return zonesEnabled_ && SelectedEntry().has_value();
}

bool RestrictionsPageModel::ApplyZoneResult(std::string_view text, Prompter& prompter) {
    if (!SelectedEntry()) {
        return false;
    }
    return CommitEdit(*selectedRow_, text, prompter);
}

}  // namespace skelvane
