#include "operations/unit_differences.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "base/format.h"
#include "link/register_values.h"
#include "restrictions/restriction_parameters.h"
#include "restrictions/restriction_payload.h"

namespace skelvane {
namespace {

// A row of the Settings list: what Read All reads and Write writes.
bool IsListedSetting(const Parameter& p) {
    return TravelsAsRegisters(p) && p.visible != 0 && p.readwrite != 0;
}

bool IsWritableSetting(const Parameter& p) {
    return IsListedSetting(p) && p.readwrite == 2;
}

// The data mask is written only from a text (an empty one sends nothing).
bool IsWritableMask(const Parameter& p) {
    return p.name == "DataMask" && p.readwrite == 2 && !p.textValue.empty();
}

bool IsRestrictionText(const Parameter& p) {
    return p.IsText() && (RestrictionEntryIndex(p.name) || IsRepeaterParameter(p.name));
}

// An entry as its text holds it, without the blanks a user may have typed ("" is "0").
std::string EntryKey(const std::string& text) {
    std::string key;
    for (const char c : text) {
        if (std::isspace(static_cast<unsigned char>(c)) == 0) {
            key += c;
        }
    }
    return key.empty() ? "0" : key;
}

// The addresses of a repeater list, whatever their order and separators ("0" is empty).
std::set<unsigned long> RepeaterKey(const std::string& text) {
    std::set<unsigned long> addresses;
    std::size_t at = 0;
    while (at < text.size()) {
        if (std::isdigit(static_cast<unsigned char>(text[at])) == 0) {
            ++at;
            continue;
        }
        unsigned long value = 0;
        for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) != 0; ++at) {
            value = std::min(value * 10 + static_cast<unsigned long>(text[at] - '0'), 1000000ul);
        }
        if (value != 0) {
            addresses.insert(value);
        }
    }
    return addresses;
}

bool SameValue(const Parameter& file, const Parameter& unit) {
    if (RestrictionEntryIndex(file.name)) {
        return EntryKey(file.textValue) == EntryKey(unit.textValue);
    }
    if (IsRepeaterParameter(file.name)) {
        return RepeaterKey(file.textValue) == RepeaterKey(unit.textValue);
    }
    return file.IsText() ? file.textValue == unit.textValue : file.value == unit.value;
}

// What the unit reports of itself rather than a setting: stored in the file by a read.
bool IsUnitFact(const Parameter& p) {
    return p.name == "DataMask" || p.name == "VersionNo" || p.name == "SerialNo";
}

const Parameter* Counterpart(const std::vector<Parameter>& unit, std::size_t index,
                             const std::string& name) {
    if (index < unit.size() && unit[index].name == name) {
        return &unit[index];
    }
    const auto it = std::find_if(unit.begin(), unit.end(),
                                 [&name](const Parameter& p) { return p.name == name; });
    return it == unit.end() ? nullptr : &*it;
}

}  // namespace

std::string ValueText(const Parameter& parameter) {
    if (parameter.IsText()) {
        return parameter.textValue;
    }
    std::string text = Format("%u", static_cast<unsigned>(parameter.value));
    if (!parameter.IsRange()) {
        for (const Choice& choice : parameter.choices) {
            if (choice.value == parameter.value) {
                return text + " (" + choice.name + ")";
            }
        }
    }
    return text;
}

std::vector<Difference> CompareUnit(const std::vector<Parameter>& file,
                                    const std::vector<Parameter>& unit, std::uint32_t unitVersion) {
    std::vector<Difference> differences;
    for (std::size_t i = 0; i < file.size(); ++i) {
        const Parameter& ours = file[i];
        const bool repeaters = IsRepeaterParameter(ours.name);
        const bool compared = IsListedSetting(ours) || IsRestrictionText(ours) || IsUnitFact(ours);
        // Without the repeater step the unit said nothing about its list.
        if (!compared || (repeaters && unitVersion < kRepeatersMinVersion)) {
            continue;
        }
        // A version, serial number or data mask the file never stored is not a difference:
        // the file says nothing about it.
        if (IsUnitFact(ours) && ours.textValue.empty()) {
            continue;
        }
        const Parameter* theirs = Counterpart(unit, i, ours.name);
        if (theirs == nullptr || SameValue(ours, *theirs)) {
            continue;
        }
        const bool writable =
            IsWritableSetting(ours) || IsWritableMask(ours) ||
            (IsRestrictionText(ours) && ours.readwrite == 2 &&
             unitVersion >= (repeaters ? kRepeatersMinVersion : kRestrictionsMinVersion));
        differences.push_back({ours.name, ValueText(ours), ValueText(*theirs), writable});
    }
    return differences;
}

WritePlan FullWritePlan(const std::vector<Parameter>& parameters) {
    WritePlan plan;
    for (const Parameter& p : parameters) {
        if (IsWritableSetting(p) || IsWritableMask(p)) {
            plan.registers.push_back(p.name);
            ++plan.values;
        } else if (IsRestrictionText(p) && p.readwrite == 2) {
            plan.restrictions = true;
            ++plan.values;
        }
    }
    return plan;
}

WritePlan ChangedWritePlan(const std::vector<Difference>& differences) {
    WritePlan plan;
    for (const Difference& d : differences) {
        if (!d.writable) {
            continue;
        }
        ++plan.values;
        if (RestrictionEntryIndex(d.parameter) || IsRepeaterParameter(d.parameter)) {
            plan.restrictions = true;
        } else {
            plan.registers.push_back(d.parameter);
        }
    }
    return plan;
}

}  // namespace skelvane
