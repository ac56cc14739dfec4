#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "base/prompter.h"
#include "document/parameter.h"
#include "document/unit_facts.h"
#include "link/device_link.h"
#include "restrictions/restriction_table.h"

namespace skelvane {

// Operation codes of the Restrictions page's worker.
enum class RestrictionsOp {
    Read = 0x10,
    Write = 0x20,
    Reset = 0x30,
    // The first two steps of a Read alone (country code and version): what a Write relies on
    // having been learned before. The command-line tool has no earlier read to rely on.
    UnitFacts = 0x40,
    // The repeater list alone (the last step of a Read), for work that has learned the
    // unit's version by another exchange.
    Repeaters = 0x50,
};

enum class RestrictionsOutcome {
    NotConnected,  // the port could not be opened or switched; the operation did not run
    Failed,        // a step failed ("Failed." was logged)
    Succeeded,
};

// How one run of the worker ended, and how far the unit's firmware let it go.
struct RestrictionsReport {
    RestrictionsOutcome outcome = RestrictionsOutcome::NotConnected;
    bool restrictions = false;  // the sixteen entries were read or sent
    bool repeaters = false;     // the repeater list was read or sent
};

// The exchange of the "Restrictions & Repeaters" page with a unit: Read, Write and Reset, and
// the reply parser. It works on the parameters it is given (the worker's copy of the block's)
// and writes the unit facts and the program's restriction lists. Validation messages of a
// Write go through the Prompter from the worker's thread.
class RestrictionsExchange {
  public:
    RestrictionsExchange(DeviceLink& link, std::vector<Parameter>& parameters, UnitFacts& facts,
                         RestrictionState& state, Prompter& prompter);

    // Called on the worker thread after each reply that went through the parser, so the page
    // can show the values it changed at once.
    void SetReplyListener(std::function<void()> listener) { replyListener_ = std::move(listener); }

    // The worker: the port is opened and switched to 115200 baud (no connection check), then
    // the operation runs. The port is left to the caller to close.
    RestrictionsReport Run(RestrictionsOp operation);
    // The operation on a port its caller has opened already (work that runs several
    // operations in one connection).
    RestrictionsReport RunConnected(RestrictionsOp operation);

    // The reply parser of the Get steps: the common check (a malformed reply is logged and
    // ignored), the page's unit address from the reply, then by code: the link-rate and
    // country indexes (0x64), the version (0x8C), one restriction entry (0x90) and the
    // repeater list (0xB8); any other code logs "Unknown responses!".
    void ParseReply(const std::uint8_t* buffer, std::size_t count);

  private:
    bool Read(RestrictionsReport& report);
    bool Write(RestrictionsReport& report);
    bool ReadRepeaters(RestrictionsReport& report);
    bool UnitFactsSteps();
    // A request whose checked reply (code `replyCode`, read twice and taken when both
    // readings agree, asked again when it does not check out) is parsed; false when none was
    // accepted. `what` names the request in the log.
    bool GetStep(const std::vector<std::uint8_t>& frame, std::uint8_t replyCode,
                 std::string_view what, const DeviceLink::ReplyFits& fits = {});
    bool SendStep(const std::vector<std::uint8_t>& frame, std::uint8_t acknowledgement);
    bool ReadEntries();
    bool SendEntries(const RestrictionTable& table);
    // Builds the repeater list into `sent` and sends it.
    bool SendRepeaters(std::optional<RepeaterList>& sent);
    // Reads back the entries (and the repeater list when one was sent): the names of the
    // parameters the unit holds something else for; nullopt when it did not answer.
    std::optional<std::vector<std::string>> WrittenMismatches(
        const RestrictionTable& table, const std::optional<RepeaterList>& repeaters);
    // A step line, then its result appended: " passed." or "Failed.".
    bool Step(const char* line, const std::function<bool()>& body);
    void Passed();
    void Failed();

    DeviceLink& link_;
    std::vector<Parameter>& parameters_;
    UnitFacts& facts_;
    RestrictionState& state_;
    Prompter& prompter_;
    std::function<void()> replyListener_;
};

}  // namespace skelvane
