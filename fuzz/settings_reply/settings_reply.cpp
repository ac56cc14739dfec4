// Arbitrary bytes as a unit's replies to the Settings page, each handed to the reply parser in
// a heap block of its own size. Besides the sanitizers it checks what a reply may change, and
// that numbers and texts read, packed into replies again, read back the same.
//
// Input: pieces (a length byte and that many bytes), each one reply.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/latin1.h"
#include "fuzz_support.h"
#include "link/frame.h"
#include "link/register_values.h"
#include "link/settings_exchange.h"
#include "link/version_number.h"

namespace {

using namespace skelvane;
using fuzz::Check;

// The register replies a unit would send for the numbers of `parameters`.
std::vector<std::vector<std::uint8_t>> RegisterReplies(const std::vector<Parameter>& parameters,
                                                       std::uint16_t ua) {
    std::vector<std::uint8_t> pairs;
    std::vector<std::size_t> groups;
    for (const Parameter& parameter : parameters) {
        const std::size_t before = pairs.size();
        AppendWritePairs(parameter, pairs);
        groups.push_back(pairs.size() - before);
    }
    std::vector<std::vector<std::uint8_t>> frames;
    for (const auto& piece : SplitIntoFrames(pairs, groups, kMaxFramePayload)) {
        frames.push_back(BuildFrame(ua, reply::kRegisters, piece));
    }
    return frames;
}

// "0", or "UA:" and up to eight "start,end" pairs of frequencies a 16-bit offset can give.
bool IsEntryText(std::string_view text) {
    if (text == "0") {
        return true;
    }
    const std::size_t colon = text.find(':');
    if (colon == 0 || colon == std::string_view::npos || colon > 5) {
        return false;
    }
    int numbers = 0;
    for (std::size_t at = colon + 1; at < text.size(); ++numbers) {
        std::size_t end = text.find(',', at);
        end = end == std::string_view::npos ? text.size() : end;
        const std::string number(text.substr(at, end - at));
        if (number.empty() || number.size() > 6 ||
            number.find_first_not_of("0123456789") != std::string::npos) {
            return false;
        }
        const long khz = std::stol(number);
        if (khz < 902400 || khz > 902400 + 0xFFFF) {
            return false;
        }
        at = end + 1;
        if (end + 1 == text.size()) {
            return false;  // a trailing comma
        }
    }
    return numbers % 2 == 0 && numbers <= 16;
}

// The parameters that differ between two lists of the same parameters.
std::vector<std::string> Changed(const std::vector<Parameter>& a, const std::vector<Parameter>& b) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (!(a[i] == b[i])) {
            names.push_back(a[i].name);
        }
    }
    return names;
}

const Parameter& Named(const std::vector<Parameter>& parameters, std::string_view name) {
    const Parameter* parameter = FindParameterNoCase(parameters, name);
    Check(parameter != nullptr);
    return *parameter;
}

struct Reader : fuzz::OfflineLink {
    UnitFacts facts;

    int Parse(std::vector<Parameter>& parameters, std::span<const std::uint8_t> reply) {
        const fuzz::HeapCopy copy(reply);
        return ParseSettingsReply(link, parameters, facts, copy.data(), copy.size());
    }
};

void CheckTextReply(const std::vector<Parameter>& before, const std::vector<Parameter>& after,
                    std::string_view name, std::uint16_t ua, std::uint8_t code) {
    const std::vector<std::string> changed = Changed(before, after);
    Check(changed.empty() || (changed.size() == 1 && EqualsNoCase(changed[0], name)));
    const std::string& text = Named(after, name).textValue;
    Check(text.size() <= kMaxFramePayload && text.find('\0') == std::string::npos);
    // The same text sent again reads back as it is.
    Reader again;
    std::vector<Parameter> copy = before;
    again.Parse(
        copy,
        BuildFrame(ua, code, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}));
    Check(copy == after);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Reader reader;
    std::vector<Parameter> parameters = fuzz::ReplyParameters();
    for (fuzz::Pieces pieces(data, size); !pieces.Done();) {
        const std::span<const std::uint8_t> reply = pieces.Next();
        const std::vector<Parameter> before = parameters;
        const std::uint16_t uaBefore = reader.link.UnitAddress();
        const int result = reader.Parse(parameters, reply);

        if (reply.size() < kFrameHeaderSize || reply[0] != reply.size() - 1) {
            Check(result == 0 && parameters == before && reader.link.UnitAddress() == uaBefore);
            continue;
        }
        const auto ua = static_cast<std::uint16_t>(reply[1] << 8 | reply[2]);
        Check(reader.link.UnitAddress() == ua);
        // The link rate and country go to the facts as the parameters get them.
        Check(reader.facts.linkRateIndex.load() == Named(parameters, "LinkRate").value);
        Check(reader.facts.countryIndex.load() == Named(parameters, "CountryCode").value);

        const std::span<const std::uint8_t> payload = FramePayload(reply);
        switch (reply[3]) {
            case reply::kRegisters: {
                Check(result == 0);
                for (const Parameter& parameter : parameters) {
                    const std::size_t bytes = RegisterValueSize(parameter);
                    Check(bytes == 0 || bytes == 4 || parameter.value < (1u << (8 * bytes)));
                }
                // What was read, reported again, reads back the same.
                Reader again;
                std::vector<Parameter> copy = before;
                for (const auto& frame : RegisterReplies(parameters, ua)) {
                    again.Parse(copy, frame);
                }
                Check(copy == parameters);
                break;
            }
            case reply::kVersion:
                Check(result == 1);
                CheckTextReply(before, parameters, "VersionNo", ua, reply[3]);
                Check(reader.facts.versionNumber.load() ==
                      VersionNumberFromText(Named(parameters, "VersionNo").textValue));
                break;
            case reply::kSerialNumber:
                Check(result == 1);
                CheckTextReply(before, parameters, "SerialNo", ua, reply[3]);
                break;
            case reply::kDataMask:
                Check(result == 0);
                CheckTextReply(before, parameters, "DataMask", ua, reply[3]);
                break;
            case reply::kRestriction: {
                Check(result == 0);
                const std::vector<std::string> changed = Changed(before, parameters);
                Check(changed.size() <= 1);
                if (!changed.empty()) {
                    Check(
                        payload.size() >= 3 &&
                        EqualsNoCase(changed[0], Format("FrequencyRestriction%d", payload[0] + 1)));
                    Check(IsEntryText(Named(parameters, changed[0]).textValue));
                }
                break;
            }
            case reply::kHello: {
                const std::string_view hello("HELLO", 6);
                const std::string_view got(reinterpret_cast<const char*>(payload.data()),
                                           payload.size());
                Check(result == (got.starts_with(hello) ? 1 : 0) && parameters == before);
                break;
            }
            case reply::kDefaults:
            case reply::kWakeUp:
                Check(result == 1 && parameters == before);
                break;
            default:
                Check(result == 0 && parameters == before);
                Check(reader.log.LastLine() == "Unknown responses!");
                break;
        }
    }
    return 0;
}
