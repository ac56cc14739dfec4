#include "document/property_list_model.h"

#include <algorithm>
#include <limits>

#include "base/decimal.h"
#include "base/format.h"
#include "base/latin1.h"
#include "base/strings.h"
#include "document/block_names.h"
#include "document/register_help.h"

namespace skelvane {

CellKind CellKindOf(const Parameter& parameter) {
    if (parameter.choices.empty()) {
        return CellKind::Text;
    }
    return parameter.IsRange() ? CellKind::Number : CellKind::List;
}

int ShownChoice(const Parameter& parameter) {
    int shown = 0;
    for (std::size_t i = 0; i < parameter.choices.size(); ++i) {
        if (parameter.choices[i].value == parameter.value) {
            shown = static_cast<int>(i);
        }
    }
    return shown;
}

PropertyListModel::PropertyListModel(Block& block, UnitFacts& facts, Prompter& prompter)
    : block_(block), facts_(facts), prompter_(prompter), unitAddress_(block.UnitAddress()) {}

void PropertyListModel::Fill() {
    // Values edited but not yet written stay marked when the list is made again.
    std::vector<std::string> pending;
    for (const PropertyRow& row : rows_) {
        if (row.pending) {
            pending.push_back(row.name);
        }
    }
    rows_.clear();
    headerChecked_ = true;
    for (const Parameter& parameter : block_.Parameters()) {
        if (parameter.visible == 0 || parameter.readwrite == 0) {
            continue;
        }
        PropertyRow row;
        row.name = parameter.name;
        row.description = parameter.desc;
        row.reg = parameter.reg;
        row.kind = CellKindOf(parameter);
        if (row.kind == CellKind::List) {
            for (const Choice& choice : parameter.choices) {
                row.choices.push_back(choice.name);
            }
        }
        if (row.kind == CellKind::Number && parameter.name == "UnitAddress") {
            unitAddress_ = parameter.value;
        }
        if (parameter.readwrite == 1) {
            row.checked = false;
            row.enabled = false;
        }
        row.tip = ParameterTip(parameter, !row.enabled);
        row.pending = std::find(pending.begin(), pending.end(), row.name) != pending.end();
        ShowValue(row, parameter);
        rows_.push_back(std::move(row));
    }
}

std::optional<std::size_t> PropertyListModel::FindRow(std::string_view name) const {
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].name == name) {
            return i;
        }
    }
    return std::nullopt;
}

void PropertyListModel::ShowValue(PropertyRow& row, const Parameter& parameter) const {
    switch (row.kind) {
        case CellKind::Text:
            row.value = parameter.textValue;
            break;
        case CellKind::Number:
            row.value = Format("%u", parameter.value);
            break;
        case CellKind::List:
            row.selected = ShownChoice(parameter);
            row.value = row.choices.empty() ? std::string()
                                            : row.choices[static_cast<std::size_t>(row.selected)];
            break;
    }
}

void PropertyListModel::RefreshList() {
    for (PropertyRow& row : rows_) {
        const Parameter* parameter = block_.FindParameter(row.name);
        if (parameter != nullptr) {
            ShowValue(row, *parameter);
        }
    }
}

void PropertyListModel::SetChecked(std::size_t row, bool checked) {
    if (row < rows_.size() && rows_[row].enabled) {
        rows_[row].checked = checked;
    }
}

void PropertyListModel::ToggleHeaderCheck() {
    headerChecked_ = !headerChecked_;
    for (PropertyRow& row : rows_) {
        if (row.enabled) {
            row.checked = headerChecked_;
        }
    }
}

std::size_t PropertyListModel::PendingCount() const {
    std::size_t count = 0;
    for (const PropertyRow& row : rows_) {
        count += row.pending ? 1 : 0;
    }
    return count;
}

void PropertyListModel::ClearPending(const std::vector<std::string>& names, std::uint64_t upTo) {
    for (PropertyRow& row : rows_) {
        const auto edited = editedAt_.find(row.name);
        if (edited != editedAt_.end() && edited->second > upTo) {
            continue;
        }
        if (std::find(names.begin(), names.end(), row.name) != names.end()) {
            row.pending = false;
        }
    }
}

std::vector<std::string> PropertyListModel::CheckedNames() const {
    std::vector<std::string> names;
    for (const PropertyRow& row : rows_) {
        if (row.checked) {
            names.push_back(row.name);
        }
    }
    return names;
}

Parameter* PropertyListModel::RowParameter(std::size_t row) {
    if (row >= rows_.size() || !rows_[row].enabled) {
        return nullptr;
    }
    return block_.FindParameter(rows_[row].name);
}

void PropertyListModel::Edited(std::size_t row) {
    rows_[row].pending = true;
    editedAt_[rows_[row].name] = ++editSerial_;
    if (edited_) {
        edited_();
    }
}

bool PropertyListModel::AcceptText(std::size_t row, std::string_view text) {
    Parameter* parameter = RowParameter(row);
    if (parameter == nullptr || rows_[row].kind != CellKind::Text) {
        return false;
    }
    parameter->textValue = CutText(text, kTextValueMax);
    ShowValue(rows_[row], *parameter);
    Edited(row);
    return true;
}

bool PropertyListModel::AcceptNumber(std::size_t row, std::string_view text) {
    return AcceptNumber(row, ParseUint32(text));
}

bool PropertyListModel::AcceptNumber(std::size_t row, std::uint32_t value) {
    Parameter* parameter = RowParameter(row);
    if (parameter == nullptr || rows_[row].kind != CellKind::Number) {
        return false;
    }
    const std::uint32_t min = parameter->choices[0].value;
    // A range without its second entry has no upper end (rather than reading past the list).
    const std::uint32_t max = parameter->choices.size() > 1
                                  ? parameter->choices[1].value
                                  : std::numeric_limits<std::uint32_t>::max();
    if (value < min || value > max) {
        prompter_.Message(Format("Value '%u' out of range <%u, %u>", value, min, max),
                          LoadText(kIdsError), MessageIcon::Information);
        ShowValue(rows_[row], *parameter);
        return false;
    }
    parameter->value = value;
    ShowValue(rows_[row], *parameter);
    Edited(row);
    if (parameter->name == "UnitAddress") {
        unitAddress_ = value;
        if (unitAddressChanged_) {
            unitAddressChanged_(value);
        }
        if (NameAfterUnitAddress(block_, value) && renamed_) {
            renamed_(block_);
        }
    }
    return true;
}

bool PropertyListModel::RestrictionsSet() const {
    for (const Parameter& parameter : block_.Parameters()) {
        if (parameter.name.starts_with("FrequencyRestriction") && parameter.textValue != "0") {
            return true;
        }
    }
    return false;
}

bool PropertyListModel::AcceptChoice(std::size_t row, int index) {
    Parameter* parameter = RowParameter(row);
    if (parameter == nullptr || rows_[row].kind != CellKind::List) {
        return false;
    }
    if (parameter->name == "LinkRate" && parameter->value == 0 && RestrictionsSet()) {
        prompter_.Message("Remove frequency restriction before changing rate!!",
                          LoadText(kIdsError), MessageIcon::Information);
        rows_[row].selected = 0;
        rows_[row].value = rows_[row].choices.empty() ? std::string() : rows_[row].choices[0];
        return false;
    }
    const bool inList = index >= 0 && static_cast<std::size_t>(index) < parameter->choices.size();
    if (inList) {
        parameter->value = parameter->choices[static_cast<std::size_t>(index)].value;
    }
    if (parameter->name == "CountryCode") {
        facts_.countryIndex.store(parameter->value);
    } else if (parameter->name == "LinkRate") {
        facts_.linkRateIndex.store(parameter->value);
    }
    if (!inList) {
        ShowValue(rows_[row], *parameter);
        return false;
    }
    rows_[row].selected = index;
    rows_[row].value = rows_[row].choices[static_cast<std::size_t>(index)];
    Edited(row);
    return true;
}

}  // namespace skelvane
