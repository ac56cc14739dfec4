#include "restrictions/restrictions_exchange.h"

#include <algorithm>
#include <string>

#include "base/format.h"
#include "link/frame.h"
#include "link/register_values.h"
#include "link/version_number.h"
#include "restrictions/restriction_parameters.h"
#include "restrictions/restriction_payload.h"

namespace skelvane {
namespace {

constexpr int kPolls = 100;

constexpr const char* kNoRestrictions = "Freqency: not supported in this version.";
constexpr const char* kNoRepeaters = "Repeater list: not supported in this version.";
constexpr const char* kNoRepeaterList = "Repeater list: none in this block, not sent.";

bool HasRepeaterParameter(const std::vector<Parameter>& parameters) {
    return std::any_of(parameters.begin(), parameters.end(),
                       [](const Parameter& p) { return IsRepeaterParameter(p.name); });
}

}  // namespace

RestrictionsExchange::RestrictionsExchange(DeviceLink& link, std::vector<Parameter>& parameters,
                                           UnitFacts& facts, RestrictionState& state,
                                           Prompter& prompter)
    : link_(link), parameters_(parameters), facts_(facts), state_(state), prompter_(prompter) {}

RestrictionsReport RestrictionsExchange::Run(RestrictionsOp operation) {
    if (!link_.OpenPort()) {
        return RestrictionsReport{};
    }
    return RunConnected(operation);
}

RestrictionsReport RestrictionsExchange::RunConnected(RestrictionsOp operation) {
    RestrictionsReport report;
    bool ok = true;
    switch (operation) {
        case RestrictionsOp::Read:
            ok = Read(report);
            break;
        case RestrictionsOp::Write:
            ok = Write(report);
            break;
        case RestrictionsOp::UnitFacts:
            ok = UnitFactsSteps();
            break;
        case RestrictionsOp::Repeaters:
            ok = ReadRepeaters(report);
            break;
        case RestrictionsOp::Reset:
            // The unit restarts and answers nothing; whatever comes back is drained unlogged.
            // Only a request that could not be written at all is a failure.
            if (!link_.Command(link_.MakeFrame(request::kReset), kPolls, {true, false})) {
                Failed();
                ok = false;
            }
            break;
        default:
            break;
    }
    report.outcome = ok ? RestrictionsOutcome::Succeeded : RestrictionsOutcome::Failed;
    return report;
}

bool RestrictionsExchange::UnitFactsSteps() {
    const std::uint8_t registers[] = {kRegisterCountry, kRegisterLinkRate};
    return Step("Getting country code ...",
                [&] {
                    return GetStep(link_.MakeFrame(request::kReadRegisters, registers),
                                   reply::kRegisters, "ReadRegisters");
                }) &&
           Step("Getting version ...", [&] {
               return GetStep(link_.MakeFrame(request::kReadVersion), reply::kVersion,
                              "ReadVersion");
           });
}

bool RestrictionsExchange::Read(RestrictionsReport& report) {
    if (!UnitFactsSteps()) {
        return false;
    }
    if (facts_.versionNumber.load() < kRestrictionsMinVersion) {
        link_.LogLine(kNoRestrictions, true);
        return true;
    }
    if (!Step("Getting restrictions ...", [&] { return ReadEntries(); })) {
        return false;
    }
    report.restrictions = true;
    return ReadRepeaters(report);
}

bool RestrictionsExchange::ReadRepeaters(RestrictionsReport& report) {
    if (facts_.versionNumber.load() < kRepeatersMinVersion) {
        link_.LogLine(kNoRepeaters, true);
        return true;
    }
    if (!Step("Getting repeaters ...", [&] {
            return GetStep(link_.MakeFrame(request::kRepeaters), reply::kRepeaters,
                           "ReadRepeaters");
        })) {
        return false;
    }
    report.repeaters = true;
    return true;
}

bool RestrictionsExchange::Write(RestrictionsReport& report) {
    // A Write does not ask the unit: it relies on the version an earlier read learned.
    if (facts_.versionNumber.load() < kRestrictionsMinVersion) {
        link_.LogLine(kNoRestrictions, true);
        return true;
    }
    std::optional<RestrictionTable> table;
    const bool sent = Step("Sending restrictions ...", [&] {
        table = BuildRestrictionTable(parameters_, state_, facts_, prompter_);
        return table && SendEntries(*table);
    });
    if (!sent) {
        return false;
    }
    std::optional<RepeaterList> repeaters;
    bool sendRepeaters = false;
    if (facts_.versionNumber.load() < kRepeatersMinVersion) {
        link_.LogLine(kNoRepeaters, true);
    } else if (!HasRepeaterParameter(parameters_) && !state_.RepeatersBuilt()) {
        // Nothing to send: the program's list holds no addresses yet, and slots of 0 would
        // overwrite the unit's list with addresses no unit can have.
        link_.LogLine(kNoRepeaterList, true);
    } else {
        sendRepeaters = true;
        if (!Step("Sending repeaters ...", [&] { return SendRepeaters(repeaters); })) {
            return false;
        }
    }
    // What the unit took is read back; what it did not is sent once more before the write
    // counts as failed.
    constexpr int kChecks = 2;
    for (int check = 0;; ++check) {
        std::optional<std::vector<std::string>> mismatched;
        if (!Step("Verifying ...", [&] {
                mismatched = WrittenMismatches(*table, repeaters);
                return mismatched && mismatched->empty();
            })) {
            if (mismatched) {
                std::string names;
                for (const std::string& name : *mismatched) {
                    names += (names.empty() ? "" : ", ") + name;
                }
                link_.LogLine("The unit holds other values for " + names + ".", true);
            }
            if (!mismatched || check + 1 == kChecks) {
                return false;
            }
            const bool resent = Step("Sending again ...", [&] {
                return SendEntries(*table) && (!sendRepeaters || SendRepeaters(repeaters));
            });
            if (!resent) {
                return false;
            }
            continue;
        }
        break;
    }
    report.restrictions = true;
    report.repeaters = sendRepeaters;
    return Step("Saving to memory...", [&] {
        return SendStep(link_.MakeFrame(request::kSaveRestrictions), reply::kRestrictionsSaved);
    });
}

std::optional<std::vector<std::string>> RestrictionsExchange::WrittenMismatches(
    const RestrictionTable& table, const std::optional<RepeaterList>& repeaters) {
    // The ranges up to the first vacant one, as 16-bit values in the order they travel.
    const auto ranges = [](const RestrictionEntry& entry) {
        std::vector<std::uint16_t> values;
        for (std::size_t k = 0; k < entry.start.size() && entry.start[k] != kVacant; ++k) {
            values.push_back(entry.start[k]);
            values.push_back(entry.end[k]);
        }
        return values;
    };
    const auto word = [](std::span<const std::uint8_t> bytes, std::size_t at) {
        return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
    };
    std::vector<std::string> mismatched;
    for (int i = 0; i < kRestrictionEntryCount; ++i) {
        const std::uint8_t index[] = {static_cast<std::uint8_t>(i)};
        const auto sameEntry = [i](std::span<const std::uint8_t> reply) {
            return reply.size() > kFrameHeaderSize && reply[kFrameHeaderSize] == i;
        };
        if (link_.Ask(link_.MakeFrame(request::kReadRestriction, index), kPolls,
                      reply::kRestriction, DeviceLink::LogChoice{false, false}, sameEntry) == 0) {
            return std::nullopt;
        }
        const std::span<const std::uint8_t> payload = FramePayload(link_.ReplyBytes());
        const RestrictionEntry& entry = table.entries[static_cast<std::size_t>(i)];
        std::vector<std::uint16_t> held;
        for (std::size_t at = 3; at + 4 <= payload.size() && word(payload, at) != kVacant;
             at += 4) {
            held.push_back(word(payload, at));
            held.push_back(word(payload, at + 2));
        }
        if (payload.size() < 3 || word(payload, 1) != entry.ua || held != ranges(entry)) {
            mismatched.push_back("FrequencyRestriction" + std::to_string(i + 1));
        }
    }
    if (repeaters) {
        if (link_.Ask(link_.MakeFrame(request::kRepeaters), kPolls, reply::kRepeaters) == 0) {
            return std::nullopt;
        }
        const std::span<const std::uint8_t> payload = FramePayload(link_.ReplyBytes());
        std::size_t slot = 0;
        bool same = true;
        for (; slot < repeaters->slots.size() && repeaters->slots[slot] != kVacant; ++slot) {
            same = same && 2 * slot + 2 <= payload.size() &&
                   word(payload, 2 * slot) == repeaters->slots[slot];
        }
        // The list ends where the sent one does.
        same = same && (2 * slot + 2 > payload.size() || word(payload, 2 * slot) == kVacant);
        if (!same) {
            mismatched.push_back("RepeaterRegistration");
        }
    }
    return mismatched;
}

bool RestrictionsExchange::ReadEntries() {
    // All sixteen are asked for even when one goes unanswered, so that every entry the unit
    // does report arrives; but the step passes only when every one of them was answered,
    // or a file saved afterwards would keep old texts for the missing entries unnoticed.
    bool answered = true;
    for (int i = 0; i < kRestrictionEntryCount; ++i) {
        if (link_.StopFlag()) {
            return false;
        }
        const std::uint8_t index[] = {static_cast<std::uint8_t>(i)};
        const auto sameEntry = [i](std::span<const std::uint8_t> reply) {
            return reply.size() > kFrameHeaderSize && reply[kFrameHeaderSize] == i;
        };
        answered = GetStep(link_.MakeFrame(request::kReadRestriction, index), reply::kRestriction,
                           Format("ReadRestriction %d", i), sameEntry) &&
                   answered;
    }
    return answered;
}

bool RestrictionsExchange::SendEntries(const RestrictionTable& table) {
    // As with reading, every entry goes out, and the step passes only when the unit
    // acknowledged all of them: an entry it did not take must not pass for written.
    bool acknowledged = true;
    for (int i = 0; i < kRestrictionEntryCount; ++i) {
        if (link_.StopFlag()) {
            return false;
        }
        const auto index = static_cast<std::uint8_t>(i);
        const auto payload = PackRestrictionEntry(index, table.entries[index]);
        acknowledged = SendStep(link_.MakeFrame(request::kSendRestriction, payload),
                                reply::kRestrictionSent) &&
                       acknowledged;
    }
    return acknowledged;
}

bool RestrictionsExchange::SendRepeaters(std::optional<RepeaterList>& sent) {
    if (!sent) {
        sent = BuildRepeaterList(parameters_, state_, prompter_);
    }
    if (!sent) {
        return false;
    }
    const auto payload = PackRepeaterList(*sent);
    return SendStep(link_.MakeFrame(request::kRepeaters, payload), reply::kRepeaters);
}

bool RestrictionsExchange::GetStep(const std::vector<std::uint8_t>& frame, std::uint8_t replyCode,
                                   std::string_view what, const DeviceLink::ReplyFits& fits) {
    const std::size_t count =
        link_.AskTwice(frame, kPolls, replyCode, what, DeviceLink::LogChoice{}, fits);
    if (count == 0) {
        return false;
    }
    ParseReply(link_.ReplyBytes().data(), count);
    if (replyListener_) {
        replyListener_();
    }
    return true;
}

bool RestrictionsExchange::SendStep(const std::vector<std::uint8_t>& frame,
                                    std::uint8_t acknowledgement) {
    return link_.Ask(frame, kPolls, acknowledgement) > 0;
}

void RestrictionsExchange::ParseReply(const std::uint8_t* buffer, std::size_t count) {
    if (!link_.CheckReply(buffer, count)) {
        return;
    }
    const std::span<const std::uint8_t> frame(buffer, count);
    switch (buffer[3]) {
        case reply::kRegisters:
            ForEachRegisterPair(frame, [this](std::uint8_t id, std::uint8_t value) {
                NoteUnitFact(facts_, id, value);
            });
            break;
        case reply::kVersion: {
            // The unit has just said what it runs, so that is what the version gates go by,
            // whether or not the block keeps the text.
            std::string text = PayloadText(frame, kTextValueMax);
            facts_.versionNumber.store(VersionNumberFromText(text));
            for (Parameter& parameter : parameters_) {
                if (parameter.name == "VersionNo") {
                    parameter.textValue = std::move(text);
                    break;
                }
            }
            break;
        }
        case reply::kRestriction:
            ApplyRestrictionEntryReply(parameters_, FramePayload(frame));
            break;
        case reply::kRepeaters:
            ApplyRepeaterReply(parameters_, FramePayload(frame));
            break;
        default:
            link_.LogLine("Unknown responses!", true);
            break;
    }
}

bool RestrictionsExchange::Step(const char* line, const std::function<bool()>& body) {
    link_.LogLine(line, true);
    if (!body()) {
        Failed();
        return false;
    }
    Passed();
    return true;
}

void RestrictionsExchange::Passed() {
    link_.LogLine(" passed.", false, true);
}

void RestrictionsExchange::Failed() {
    link_.LogLine("Failed.", false, true);
}

}  // namespace skelvane
