#include "link/settings_exchange.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>
#include <utility>

#include "base/format.h"
#include "base/latin1.h"
#include "link/frame.h"
#include "link/register_values.h"
#include "link/version_number.h"

namespace skelvane {
namespace {

constexpr int kReadPolls = 100;
constexpr int kWritePolls = 100;
constexpr std::uint32_t kBaseFrequencyKhz = 902400;
constexpr std::uint16_t kVacant = 0xFFFF;
constexpr std::size_t kRangesPerEntry = 8;
constexpr std::size_t kRestrictionEntries = 16;
constexpr std::string_view kRestrictionPrefix = "FrequencyRestriction";

void StoreText(std::vector<Parameter>& parameters, std::string_view name, std::string text) {
    if (Parameter* parameter = FindParameterNoCase(parameters, name)) {
        parameter->textValue = std::move(text);
    }
}

void StoreRestrictionEntry(std::vector<Parameter>& parameters, const std::uint8_t* buffer,
                           std::size_t count) {
    if (count < 7) {
        return;  // no room for the entry index and its UA
    }
    const std::string name = Format("%s%d", kRestrictionPrefix.data(), buffer[4] + 1);
    const auto ua = static_cast<std::uint16_t>(buffer[5] << 8 | buffer[6]);
    for (Parameter& parameter : parameters) {
        if (parameter.name.size() >= kRestrictionPrefix.size() &&
            parameter.name.starts_with(kRestrictionPrefix) && EqualsNoCase(parameter.name, name)) {
            parameter.textValue = RestrictionEntryText(ua, buffer + 7, count - 7);
            return;
        }
    }
}

bool IsChecked(const SettingsJob& job, std::string_view name) {
    return std::any_of(job.checkedNames.begin(), job.checkedNames.end(),
                       [name](const std::string& checked) { return EqualsNoCase(checked, name); });
}

// The checked numeric parameters with register ids, in list order.
std::vector<const Parameter*> CountedParameters(const SettingsJob& job) {
    std::vector<const Parameter*> counted;
    for (const std::string& name : job.checkedNames) {
        const Parameter* parameter = FindParameterNoCase(job.parameters, name);
        if (parameter != nullptr && TravelsAsRegisters(*parameter)) {
            counted.push_back(parameter);
        }
    }
    return counted;
}

// A request whose reply is parsed once it has been checked (and asked again when it did not
// check out); false, with the step named in the job, when no reply was accepted. What is
// read into the job is read twice and taken only when both readings agree; a read-back
// that is compared with what was written needs one reading.
bool ReadStep(DeviceLink& link, SettingsJob& job, UnitFacts& facts,
              const std::vector<std::uint8_t>& frame, std::uint8_t replyCode, std::string step,
              Readings readings = Readings::Two, DeviceLink::LogChoice log = {},
              const DeviceLink::ReplyFits& fits = {}) {
    const std::size_t count = readings == Readings::Two
                                  ? link.AskTwice(frame, kReadPolls, replyCode, step, log, fits)
                                  : link.Ask(frame, kReadPolls, replyCode, log, fits);
    if (count == 0) {
        job.failedStep = std::move(step);
        return false;
    }
    ParseSettingsReply(link, job.parameters, facts, link.ReplyBytes().data(), count);
    return true;
}

bool ReadRestrictions(DeviceLink& link, SettingsJob& job, UnitFacts& facts) {
    for (std::size_t i = 0; i < kRestrictionEntries; ++i) {
        const std::uint8_t index[] = {static_cast<std::uint8_t>(i)};
        // The entry that answers must be the one asked for.
        const auto sameEntry = [i](std::span<const std::uint8_t> reply) {
            return reply.size() >= 7 && reply[4] == i;
        };
        if (!ReadStep(link, job, facts, link.MakeFrame(request::kReadRestriction, index),
                      reply::kRestriction, Format("ReadRestriction %d", static_cast<int>(i)),
                      Readings::Two, DeviceLink::LogChoice{false, false}, sameEntry)) {
            return false;
        }
    }
    return true;
}

constexpr std::uint8_t kReplyCodeOffset = 0x64;

bool ReadAll(DeviceLink& link, SettingsJob& job, UnitFacts& facts) {
    for (const std::uint8_t group : {0, 2, 3, 4, 5}) {
        if (!ReadStep(link, job, facts, link.MakeFrame(group), reply::kRegisters,
                      Format("ReadGroup %d", group))) {
            return false;
        }
    }
    for (const auto& [code, step] : {std::pair{request::kReadVersion, "ReadVersion"},
                                     std::pair{request::kReadSerialNumber, "ReadSerialNumber"},
                                     std::pair{request::kReadDataMask, "ReadDataMask"}}) {
        if (!ReadStep(link, job, facts, link.MakeFrame(code),
                      static_cast<std::uint8_t>(code + kReplyCodeOffset), step)) {
            return false;
        }
    }
    return ReadRestrictions(link, job, facts);
}

bool ReadChecked(DeviceLink& link, SettingsJob& job, UnitFacts& facts) {
    for (const std::vector<std::uint8_t>& frame : ReadRequestFrames(link, job)) {
        if (!ReadStep(link, job, facts, frame, reply::kRegisters, "ReadRegisters")) {
            return false;
        }
    }
    return ReadStep(link, job, facts, link.MakeFrame(request::kReadDataMask), reply::kDataMask,
                    "ReadDataMask");
}

// The data mask a write sends: empty when none is to be sent.
std::string_view MaskToWrite(const SettingsJob& job) {
    const Parameter* mask = FindParameterNoCase(job.parameters, "DataMask");
    if (!IsChecked(job, "DataMask") || mask == nullptr) {
        return {};
    }
    return std::string_view(mask->textValue).substr(0, kMaxDataMaskLength);
}

bool SendWrites(DeviceLink& link, const SettingsJob& job) {
    const DeviceLink::LogChoice requestOnly{true, false};
    for (const std::vector<std::uint8_t>& frame : WriteRequestFrames(link, job)) {
        if (!link.Command(frame, kWritePolls, requestOnly)) {
            return false;
        }
    }
    const std::string_view text = MaskToWrite(job);
    if (text.empty()) {
        return true;
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    return link.Command(link.MakeFrame(request::kWriteDataMask, {bytes, text.size()}), kWritePolls,
                        requestOnly);
}

std::uint32_t ValueMask(const Parameter& parameter) {
    const std::size_t size = RegisterValueSize(parameter);
    return size >= 4 ? 0xFFFFFFFFu : (1u << (8 * size)) - 1;
}

// Reads back what a write sent. The names of the parameters the unit holds other values for
// ("DataMask" for the mask); nullopt when the unit did not answer.
std::optional<std::vector<std::string>> WrittenMismatches(DeviceLink& link, SettingsJob& job) {
    SettingsJob readBack = job;
    UnitFacts scratchFacts;
    std::vector<std::string> mismatched;
    const std::vector<const Parameter*> written = CountedParameters(job);
    if (!written.empty()) {
        for (const std::vector<std::uint8_t>& frame : ReadRequestFrames(link, job)) {
            if (!ReadStep(link, readBack, scratchFacts, frame, reply::kRegisters,
                          "ReadRegisters (verify)", Readings::One)) {
                job.failedStep = readBack.failedStep;
                return std::nullopt;
            }
        }
        for (const Parameter* parameter : written) {
            const Parameter* held = FindParameterNoCase(readBack.parameters, parameter->name);
            if (held == nullptr ||
                ((held->value ^ parameter->value) & ValueMask(*parameter)) != 0) {
                mismatched.push_back(parameter->name);
            }
        }
    }
    const std::string_view mask = MaskToWrite(job);
    if (!mask.empty()) {
        if (!ReadStep(link, readBack, scratchFacts, link.MakeFrame(request::kReadDataMask),
                      reply::kDataMask, "ReadDataMask (verify)", Readings::One)) {
            job.failedStep = readBack.failedStep;
            return std::nullopt;
        }
        const Parameter* held = FindParameterNoCase(readBack.parameters, "DataMask");
        if (held == nullptr || held->textValue != mask) {
            mismatched.push_back("DataMask");
        }
    }
    return mismatched;
}

std::string JoinNames(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : ", ") + name;
    }
    return text;
}

bool WriteChecked(DeviceLink& link, SettingsJob& job) {
    // A write the unit did not take is written once more before it counts as failed.
    constexpr int kWrites = 2;
    for (int write = 0; write < kWrites; ++write) {
        if (write > 0) {
            link.LogLine("Writing again ...", true);
        }
        if (!SendWrites(link, job)) {
            job.failedStep = "WriteRegisters";
            return false;
        }
        if (!job.verify) {
            return true;
        }
        const auto mismatched = WrittenMismatches(link, job);
        if (!mismatched) {
            return false;
        }
        if (mismatched->empty()) {
            return true;
        }
        link.LogLine("The unit holds other values for " + JoinNames(*mismatched) + ".", true);
        job.failedStep = "WriteRegisters";
    }
    return false;
}

}  // namespace

bool RunSettingsOperation(DeviceLink& link, SettingsJob& job, UnitFacts& facts) {
    const DeviceLink::LogChoice requestOnly{true, false};
    switch (job.operation) {
        case SettingsOp::ReadAll:
            return ReadAll(link, job, facts);
        case SettingsOp::Read:
            return ReadChecked(link, job, facts);
        case SettingsOp::Write:
            return WriteChecked(link, job);
        case SettingsOp::SerialNumber:
            return ReadStep(link, job, facts, link.MakeFrame(request::kReadSerialNumber),
                            reply::kSerialNumber, "ReadSerialNumber");
        case SettingsOp::Version:
            return ReadStep(link, job, facts, link.MakeFrame(request::kReadVersion),
                            reply::kVersion, "ReadVersion");
        case SettingsOp::Reset:
            return link.Command(link.MakeFrame(request::kReset), kWritePolls, requestOnly);
        case SettingsOp::Default: {
            const std::uint8_t set[] = {job.defaultSet};
            return link.Command(link.MakeFrame(request::kApplyDefaults, set), kWritePolls,
                                requestOnly);
        }
        default:
            return true;
    }
}

std::string RestrictionEntryText(std::uint16_t ua, const std::uint8_t* items, std::size_t size) {
    // An entry without a unit is the empty entry whatever ranges come with it, as on the
    // Restrictions page: a text such as "0,902400,903000" would be refused when written back.
    if (ua == 0) {
        return "0";
    }
    std::string text = Format("%d:", static_cast<int>(ua));
    std::size_t ranges = 0;
    for (std::size_t at = 0; at + 4 <= size && ranges < kRangesPerEntry; at += 4, ++ranges) {
        const auto low = static_cast<std::uint16_t>(items[at] << 8 | items[at + 1]);
        const auto high = static_cast<std::uint16_t>(items[at + 2] << 8 | items[at + 3]);
        if (low == kVacant) {
            break;
        }
        if (text.back() != ':') {
            text += ',';
        }
        text += Format("%d,%d", static_cast<int>(low + kBaseFrequencyKhz),
                       static_cast<int>(high + kBaseFrequencyKhz));
    }
    return text;
}

int ParseSettingsReply(DeviceLink& link, std::vector<Parameter>& parameters, UnitFacts& facts,
                       const std::uint8_t* buffer, std::size_t count) {
    if (!link.CheckReply(buffer, count)) {
        return 0;
    }
    switch (buffer[3]) {
        case reply::kRegisters:
            ForEachRegisterPair({buffer, count}, [&](std::uint8_t id, std::uint8_t value) {
                NoteUnitFact(facts, id, value);
                StoreRegisterByte(parameters, id, value);
            });
            return 0;
        case reply::kHello: {
            static constexpr char kHelloText[] = "HELLO";  // with its zero byte
            return count >= kFrameHeaderSize + sizeof kHelloText &&
                           std::memcmp(buffer + kFrameHeaderSize, kHelloText, sizeof kHelloText) ==
                               0
                       ? 1
                       : 0;
        }
        case reply::kVersion:
            if (Parameter* version = FindParameterNoCase(parameters, "VersionNo")) {
                version->textValue = PayloadText({buffer, count}, kTextValueMax);
                facts.versionNumber.store(VersionNumberFromText(version->textValue));
            }
            return 1;
        case reply::kSerialNumber:
            StoreText(parameters, "SerialNo", PayloadText({buffer, count}, kTextValueMax));
            return 1;
        case reply::kDataMask:
            StoreText(parameters, "DataMask", PayloadText({buffer, count}, kTextValueMax));
            return 0;
        case reply::kRestriction:
            StoreRestrictionEntry(parameters, buffer, count);
            return 0;
        case reply::kDefaults:
        case reply::kWakeUp:
            return 1;
        default:
            link.LogLine("Unknown responses!", true);
            return 0;
    }
}

std::vector<std::vector<std::uint8_t>> ReadRequestFrames(const DeviceLink& link,
                                                         const SettingsJob& job) {
    std::vector<std::uint8_t> ids;
    std::vector<std::size_t> groups;
    for (const Parameter* parameter : CountedParameters(job)) {
        ids.insert(ids.end(), parameter->vectors.begin(), parameter->vectors.end());
        groups.push_back(parameter->vectors.size());
    }
    std::vector<std::vector<std::uint8_t>> frames;
    for (const auto& piece : SplitIntoFrames(ids, groups, kMaxRegistersPerFrame)) {
        frames.push_back(link.MakeFrame(request::kReadRegisters, piece));
    }
    return frames;
}

std::vector<std::vector<std::uint8_t>> WriteRequestFrames(const DeviceLink& link,
                                                          const SettingsJob& job) {
    std::vector<std::uint8_t> pairs;
    std::vector<std::size_t> groups;
    for (const Parameter* parameter : CountedParameters(job)) {
        const std::size_t before = pairs.size();
        AppendWritePairs(*parameter, pairs);
        groups.push_back(pairs.size() - before);
    }
    std::vector<std::vector<std::uint8_t>> frames;
    if (pairs.empty()) {
        return frames;
    }
    for (const auto& piece : SplitIntoFrames(pairs, groups, 2 * kMaxRegistersPerFrame)) {
        frames.push_back(link.MakeFrame(request::kWriteRegisters, piece));
    }
    return frames;
}

std::optional<std::string> WriteValueProblem(const SettingsJob& job) {
    for (const Parameter* parameter : CountedParameters(job)) {
        if (parameter->choices.empty()) {
            continue;
        }
        const std::uint32_t value = parameter->value;
        if (parameter->IsRange()) {
            const std::uint32_t min = parameter->choices[0].value;
            const std::uint32_t max = parameter->choices.size() > 1
                                          ? parameter->choices[1].value
                                          : std::numeric_limits<std::uint32_t>::max();
            if (value < min || value > max) {
                return Format("%s: Value '%u' out of range <%u, %u>", parameter->name.c_str(),
                              value, min, max);
            }
            continue;
        }
        const bool offered =
            std::any_of(parameter->choices.begin(), parameter->choices.end(),
                        [value](const Choice& choice) { return choice.value == value; });
        if (!offered) {
            std::string values;
            for (const Choice& choice : parameter->choices) {
                values += Format(values.empty() ? "%u" : ", %u", choice.value);
            }
            return Format("%s: Value '%u' is not one of <%s>", parameter->name.c_str(), value,
                          values.c_str());
        }
    }
    return std::nullopt;
}

bool SettingsOperationRefreshes(SettingsOp operation) {
    return operation == SettingsOp::ReadAll || operation == SettingsOp::Read ||
           operation == SettingsOp::SerialNumber || operation == SettingsOp::Version;
}

SettingsOutcome RunSettingsWorker(DeviceLink& link, SettingsJob& job, UnitFacts& facts) {
    const DeviceLink::ReplyParser check = [&link, &job, &facts](const std::uint8_t* buffer,
                                                                std::size_t count) {
        return ParseSettingsReply(link, job.parameters, facts, buffer, count) == 1;
    };
    if (!link.Connect(&check)) {
        return SettingsOutcome::NotConnected;
    }
    if (!RunSettingsOperation(link, job, facts)) {
        link.LogLine("Failed.", false, true);
        if (!job.failedStep.empty()) {
            link.LogLine("Step failed: " + job.failedStep + ".", true);
        }
        return SettingsOutcome::Failed;
    }
    return SettingsOutcome::Succeeded;
}

}  // namespace skelvane
