// Arbitrary bytes as a unit's replies to the Restrictions page, each handed to the reply parser
// in a heap block of its own size. Besides the sanitizers it checks what a reply may change,
// and that an entry or repeater list read, once it validates, is sent as a payload that reads
// back the same.
//
// Input: byte 0 = country index and byte 1 = link-rate index the entries are validated
// against, then pieces (a length byte and that many bytes), each one reply.

#include <cstdint>
#include <string>
#include <vector>

#include "base/format.h"
#include "fuzz_support.h"
#include "link/frame.h"
#include "link/version_number.h"
#include "restrictions/restriction_payload.h"
#include "restrictions/restriction_text.h"
#include "restrictions/restrictions_exchange.h"

namespace {

using namespace skelvane;
using fuzz::Check;

struct Reader : fuzz::OfflineLink {
    std::vector<Parameter> parameters = fuzz::ReplyParameters();
    UnitFacts facts;
    RestrictionState state;
    RecordingPrompter prompter;
    RestrictionsExchange exchange{link, parameters, facts, state, prompter};

    void Parse(std::span<const std::uint8_t> reply) {
        const fuzz::HeapCopy copy(reply);
        exchange.ParseReply(copy.data(), copy.size());
    }
    const std::string& Text(std::string_view name) const {
        for (const Parameter& parameter : parameters) {
            if (parameter.name == name) {
                return parameter.textValue;
            }
        }
        std::abort();
    }
};

// An entry that validates goes out as the unit would store it and comes back as the same text.
void CheckEntry(const Reader& reader, int index, const UnitFacts& band, std::uint16_t ua) {
    const std::string name = Format("FrequencyRestriction%d", index + 1);
    if (index == 6 || index >= kRestrictionEntryCount) {
        return;  // no parameter of exactly that name
    }
    const std::string& text = reader.Text(name);
    RestrictionTable table;
    RecordingPrompter quiet;
    if (!ValidateRestrictionEntry(text, index, table, band, quiet)) {
        return;
    }
    const auto payload =
        PackRestrictionEntry(static_cast<std::uint8_t>(index), table.entries[index]);
    Reader again;
    again.Parse(BuildFrame(ua, reply::kRestriction, payload));
    Check(again.Text(name) == text);
}

void CheckRepeaters(const Reader& reader, std::uint16_t ua) {
    const std::string& text = reader.Text("RepeaterRegistration");
    RepeaterList list;
    RecordingPrompter quiet;
    if (text.empty() || !ValidateRepeaterList(text, list, quiet)) {
        return;
    }
    Reader again;
    again.Parse(BuildFrame(ua, reply::kRepeaters, PackRepeaterList(list)));
    RepeaterList back;
    Check(ValidateRepeaterList(again.Text("RepeaterRegistration"), back, quiet) && back == list);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    UnitFacts band;
    band.countryIndex = data[0] % 9;  // includes indexes without a band
    band.linkRateIndex = data[1] % 10;
    Reader reader;

    for (fuzz::Pieces pieces(data + 2, size - 2); !pieces.Done();) {
        const std::span<const std::uint8_t> reply = pieces.Next();
        const std::vector<Parameter> before = reader.parameters;
        const std::uint32_t country = reader.facts.countryIndex;
        const std::uint32_t linkRate = reader.facts.linkRateIndex;
        const std::uint32_t version = reader.facts.versionNumber;
        const std::uint16_t ua = reader.link.UnitAddress();
        reader.Parse(reply);

        const bool wellFormed = reply.size() >= kFrameHeaderSize && reply[0] == reply.size() - 1;
        const std::uint8_t code = wellFormed ? reply[3] : 0;
        if (code != reply::kRegisters) {
            Check(reader.facts.countryIndex == country && reader.facts.linkRateIndex == linkRate);
        }
        if (code != reply::kVersion) {
            Check(reader.facts.versionNumber == version);
        }
        if (!wellFormed) {
            Check(reader.parameters == before && reader.link.UnitAddress() == ua);
            continue;
        }
        const std::uint16_t from = static_cast<std::uint16_t>(reply[1] << 8 | reply[2]);
        Check(reader.link.UnitAddress() == from);
        const std::span<const std::uint8_t> payload = FramePayload(reply);
        switch (code) {
            case reply::kVersion:
                Check(reader.facts.versionNumber ==
                      VersionNumberFromText(PayloadText(reply, kTextValueMax)));
                break;
            case reply::kRestriction:
                if (payload.size() >= 3) {
                    CheckEntry(reader, payload[0], band, from);
                }
                break;
            case reply::kRepeaters:
                CheckRepeaters(reader, from);
                break;
            case reply::kRegisters:
                Check(reader.parameters == before);
                break;
            default:
                Check(reader.parameters == before);
                Check(reader.log.LastLine() == "Unknown responses!");
                break;
        }
    }
    return 0;
}
