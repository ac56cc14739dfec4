// Arbitrary bytes as a unit's replies to the Diagnostics page, each handed to the reply parser
// in a heap block of its own size. Besides the sanitizers it checks what a reply may change,
// what the "Value:" field shows, and that a custom value read and written back as the unit
// would report it reads back the same.
//
// Input: byte 0 = the custom value's size, bytes 1 to 4 = its register ids, then pieces (a
// length byte and that many bytes), each one reply.

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "base/format.h"
#include "fuzz_support.h"
#include "link/diagnostics_exchange.h"
#include "link/frame.h"

namespace {

using namespace skelvane;
using fuzz::Check;

struct Reader : fuzz::OfflineLink {
    std::string valueField;

    int Parse(std::vector<Parameter>& parameters, CustomParameter& custom,
              std::span<const std::uint8_t> reply) {
        const fuzz::HeapCopy copy(reply);
        return ParseDiagReply(link, parameters, custom, valueField, copy.data(), copy.size());
    }
};

// A size-4 value with four different ids is all a write carries back.
bool WrittenWhole(const CustomParameter& custom) {
    return custom.size == 4 &&
           std::set<std::uint8_t>(custom.ids.begin(), custom.ids.end()).size() == 4;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 5) {
        return 0;
    }
    CustomParameter custom;
    custom.size = data[0] % 6;  // 1, 2 and 4 and sizes the page refuses
    std::copy(data + 1, data + 5, custom.ids.begin());
    Reader reader;
    std::vector<Parameter> parameters = fuzz::ReplyParameters();

    for (fuzz::Pieces pieces(data + 5, size - 5); !pieces.Done();) {
        const std::span<const std::uint8_t> reply = pieces.Next();
        const std::vector<Parameter> before = parameters;
        const CustomParameter customBefore = custom;
        const std::string fieldBefore = reader.valueField;
        const int result = reader.Parse(parameters, custom, reply);

        const bool wellFormed = reply.size() >= kFrameHeaderSize && reply[0] == reply.size() - 1;
        Check(result == (wellFormed ? 1 : 0));
        if (!wellFormed || reply[3] != reply::kRegisters) {
            Check(custom.value == customBefore.value && reader.valueField == fieldBefore);
        }
        if (!wellFormed) {
            Check(parameters == before);
            continue;
        }
        if (reply[3] != reply::kRegisters) {
            continue;
        }
        Check(reader.valueField == Format("%u", custom.value));
        if (WrittenWhole(custom)) {
            // The write of the value, answered as a read, gives the value back.
            Reader again;
            CustomParameter copy = custom;
            copy.value = 0;
            std::vector<std::uint8_t> frame = CustomWriteFrame(reader.link, custom);
            frame[3] = reply::kRegisters;
            std::vector<Parameter> scratch = before;
            Check(again.Parse(scratch, copy, frame) == 1 && copy.value == custom.value);
        }
    }
    return 0;
}
