#include "operations/diagnostics_page_model.h"

#include <algorithm>
#include <array>
#include <utility>

#include "base/decimal.h"
#include "base/format.h"
#include "base/latin1.h"
#include "link/frame.h"
#include "link/register_values.h"

namespace skelvane {
namespace {

constexpr int kGroupPolls = 200;
constexpr int kGetPolls = 100;
constexpr int kSetPolls = 10;
constexpr Millis kPollInterval{1000};

// An edit field read as an unsigned number: blanks around digits and nothing else. nullopt
// for anything else and for a number above `max`.
std::optional<std::uint32_t> FieldNumber(std::string_view text, std::uint32_t max) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && text[begin] == ' ') {
        ++begin;
    }
    while (end > begin && text[end - 1] == ' ') {
        --end;
    }
    if (begin == end) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (std::size_t i = begin; i < end; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
        if (value > max) {
            return std::nullopt;
        }
    }
    return static_cast<std::uint32_t>(value);
}

bool IsDiagnosticName(std::string_view name) {
    for (const std::string_view known : kDiagnosticNames) {
        if (EqualsNoCase(name, known)) {
            return true;
        }
    }
    return false;
}

}  // namespace

DiagnosticsPageModel::DiagnosticsPageModel(Block& block, const PortFactory& ports,
                                           std::string portName, CurrentRemoteUa& remoteUa,
                                           Prompter& prompter, Clock& clock)
    : block_(block),
      remoteUa_(remoteUa),
      prompter_(prompter),
      localChosen_(block.OperatingMode() == 0),
      link_(clock, log_, ports, std::move(portName)) {
    for (const Parameter& parameter : block.Parameters()) {
        if (parameter.readwrite != 0) {
            continue;
        }
        Row row{parameter.name, parameter.desc, IsDiagnosticName(parameter.name), ""};
        if (row.hasValue) {
            row.value = "0";
        }
        rows_.push_back(std::move(row));
    }
    fields_ = {"1", "0", "0", "0", "0", "0"};
    link_.SetLocal(localChosen_);
    handoff_.SetListener([this] { updateListener_(); });
    link_.SetFinishedListener([this] { updateListener_(); });
}

DiagnosticsPageModel::~DiagnosticsPageModel() {
    poll_.store(false);
    link_.FinishWorker(Millis{1000});
    link_.Wait();
}

std::string DiagnosticsPageModel::FieldText(Field field) const {
    std::lock_guard lock(fieldsMutex_);
    return fields_[static_cast<std::size_t>(field)];
}

void DiagnosticsPageModel::SetFieldText(Field field, std::string text) {
    std::lock_guard lock(fieldsMutex_);
    fields_[static_cast<std::size_t>(field)] = std::move(text);
}

void DiagnosticsPageModel::ReadControls() {
    link_.SetLocal(localChosen_);
    focused_.reset();
    std::lock_guard lock(fieldsMutex_);
    const auto refuse = [this](Field field) {
        prompter_.Beep();
        focused_ = field;
    };
    const auto size = FieldNumber(fields_[0], 4);
    if (!size || *size < 1) {
        refuse(Field::Size);
        return;
    }
    custom_.size = static_cast<int>(*size);
    for (std::size_t k = 0; k < 4; ++k) {
        const auto id = FieldNumber(fields_[1 + k], 255);
        if (!id) {
            refuse(static_cast<Field>(1 + k));
            return;
        }
        custom_.ids[k] = static_cast<std::uint8_t>(*id);
    }
    const auto value = FieldNumber(fields_[5], 0xFFFFFFFFu);
    if (!value) {
        refuse(Field::Value);
        return;
    }
    custom_.value = *value;
    poll_.store(pollChecked_.load());
}

bool DiagnosticsPageModel::Start(DiagnosticsOp operation) {
    ReadControls();
    if (link_.Busy()) {
        link_.SetOperation(operation);
        return false;
    }
    return link_.StartWorker(
        operation,
        [this, parameters = block_.Parameters()](DeviceLink& link) mutable {
            RunWorker(link, std::move(parameters));
        },
        operation == DiagnosticsOp::Read  ? "Diagnostics of {unit}"
        : operation == DiagnosticsOp::Get ? "Get from {unit}"
                                          : "Set on {unit}");
}

void DiagnosticsPageModel::RunWorker(DeviceLink& link, std::vector<Parameter> parameters) {
    if (!link.OpenPort()) {
        return;
    }
    std::vector<Parameter> baseline = parameters;
    for (;;) {
        CustomParameter custom;
        std::string valueField;
        {
            std::lock_guard lock(fieldsMutex_);
            custom = custom_;
            valueField = fields_[5];
        }
        // The diagnostic values that stand after this pass's readings.
        std::vector<bool> settled(parameters.size());
        // One request and its reply parsed; false (logged) when no reply came.
        const auto askAndParse = [&](const auto& frame, int polls) {
            const std::size_t count = link.Ask(frame, polls, reply::kRegisters);
            if (count == 0) {
                link.LogLine("Failed.", false, true);
                return false;
            }
            ParseDiagReply(link, parameters, custom, valueField, link.ReplyBytes().data(), count);
            return true;
        };
        // A group of diagnostic values read until its values are confirmed; the custom value
        // the replies carry is taken only when its readings agree as well.
        const auto readGroup = [&](std::uint8_t group) {
            std::vector<std::optional<std::uint32_t>> customValues;
            const bool answered = ReadGroupConfirmed(
                parameters, settled,
                [&](std::vector<Parameter>& reading) -> std::optional<RegisterSet> {
                    const std::size_t count =
                        link.Ask(link.MakeFrame(group), kGroupPolls, reply::kRegisters);
                    if (count == 0) {
                        link.LogLine("Failed.", false, true);
                        return std::nullopt;
                    }
                    const std::span<const std::uint8_t> reply = link.ReplyBytes();
                    RegisterSet ids{};
                    ForEachRegisterPair(reply,
                                        [&](std::uint8_t id, std::uint8_t) { ids[id] = true; });
                    CustomParameter readingCustom = custom;
                    std::string readingField;
                    if (ParseDiagReply(link, reading, readingCustom, readingField, reply.data(),
                                       count) == 0) {
                        return std::nullopt;
                    }
                    customValues.push_back(readingCustom.value);
                    return ids;
                });
            if (const std::optional<std::uint32_t> value = AgreedValue(customValues)) {
                custom.value = *value;
                valueField = Format("%u", *value);
            }
            return answered;
        };
        bool end = false;
        bool shown = false;
        bool parsed = false;
        bool ok = false;
        switch (link.Operation<DiagnosticsOp>()) {
            case DiagnosticsOp::Read:
                shown = true;
                if (!readGroup(1)) {
                    break;
                }
                if (!readGroup(6)) {
                    end = true;
                    break;
                }
                parsed = ok = true;
                break;
            case DiagnosticsOp::Get:
                if (!askAndParse(CustomReadFrame(link, custom), kGetPolls)) {
                    end = true;
                    break;
                }
                parsed = ok = true;
                break;
            case DiagnosticsOp::Set:
                custom.value = ParseUint32(valueField);  // leading digits; 0 when none
                {
                    std::lock_guard lock(fieldsMutex_);
                    custom_.value = custom.value;
                }
                // The reply is not looked at; only a frame that could not be written fails.
                if (!link.Command(CustomWriteFrame(link, custom), kSetPolls,
                                  DeviceLink::LogChoice{true, true})) {
                    link.LogLine("Failed.", false, true);
                    end = true;
                } else {
                    ok = true;
                }
                break;
            default:
                end = true;
                break;
        }
        if (shown) {
            std::vector<std::string> missing;
            for (const std::string_view name : kDiagnosticNames) {
                const Parameter* parameter = FindParameterNoCase(parameters, name);
                if (parameter != nullptr &&
                    !settled[static_cast<std::size_t>(parameter - parameters.data())]) {
                    missing.emplace_back(name);
                }
            }
            if (!missing.empty()) {
                // A pass that shows no value for a row has not done what it was for.
                ok = false;
                link.LogLine("Values missing in this pass.", true);
            }
            std::lock_guard lock(fieldsMutex_);
            missing_ = std::move(missing);
        }
        if (link.PortGone()) {
            end = true;
        }
        if (parsed) {
            std::lock_guard lock(fieldsMutex_);
            custom_.value = custom.value;
            fields_[5] = valueField;
        }
        handoff_.Post(baseline, parameters, shown ? kShowValues : 0);
        const std::uint64_t pass = passes_.fetch_add(1) + 1;
        passListener_(pass, ok);
        link.ReportOutcome(ok);
        if (end || !poll_.load()) {
            return;
        }
        if (!link.Sleep(kPollInterval) || !poll_.load()) {
            return;
        }
    }
}

void DiagnosticsPageModel::Activate() {
    link_.SetUnitAddress(remoteUa_.Get());
}

void DiagnosticsPageModel::Leave() {
    ReadControls();
    poll_.store(false);
    pollChecked_.store(false);
}

void DiagnosticsPageModel::Close() {
    poll_.store(false);
    link_.FinishWorker(Millis{1000});
}

bool DiagnosticsPageModel::ApplyWorkerResults() {
    if (!handoff_.Pending()) {
        return false;
    }
    const ParameterHandoff::Batch batch = handoff_.Take();
    ApplyParameterChanges(block_.Parameters(), batch.changes);
    if ((batch.flags & kShowValues) != 0) {
        ShowDiagValues();
    }
    return true;
}

void DiagnosticsPageModel::ShowDiagValues() {
    for (Row& row : rows_) {
        if (!row.hasValue) {
            continue;
        }
        {
            std::lock_guard lock(fieldsMutex_);
            row.missing =
                std::any_of(missing_.begin(), missing_.end(),
                            [&](const std::string& name) { return EqualsNoCase(name, row.name); });
        }
        if (row.missing) {
            row.value.clear();
        } else if (const Parameter* parameter = block_.FindParameter(row.name)) {
            row.value = FormatDiagValue(row.name, parameter->value).value_or(row.value);
        }
    }
}

}  // namespace skelvane
