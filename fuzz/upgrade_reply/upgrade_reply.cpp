// Arbitrary bytes as a unit's answers during an upgrade. The soft upgrade's replies are
// collected read by read as the upgrade collects them and then looked at in a heap block of
// their own size; the boot program's answers are served to the boot-mode link read by read.
// Besides the sanitizers it checks that nothing read is lost or altered and that no answer is
// taken for more than it says.
//
// Input: byte 0 = the block number asked for (times 16), byte 1 = the boot status expected,
// then pieces (a length byte and that many bytes), each what one read returns.

#include <array>
#include <cstdint>
#include <deque>
#include <stop_token>
#include <vector>

#include "base/clock.h"
#include "fuzz_support.h"
#include "link/port_factory.h"
#include "link/serial_port.h"
#include "upgrade/boot_mode_link.h"
#include "upgrade/soft_upgrade.h"

namespace {

using namespace skelvane;
using fuzz::Check;

// A port whose reads return the input's pieces in turn (a piece longer than a read asks for
// is served over several reads) and then nothing. Only Read and Write are used by the boot-mode
// link; the port is never opened.
class ScriptedPort final : public SerialPort {
  public:
    ScriptedPort(const PortFactory& ports, std::deque<std::vector<std::uint8_t>> reads)
        : SerialPort(ports), reads_(std::move(reads)) {}
    // A request starts what its answer is judged on: what was drained before it is not part
    // of the answer.
    std::size_t Write(const std::uint8_t*, std::size_t count) override {
        served.clear();
        return count;
    }
    std::size_t Read(std::uint8_t* buffer, std::size_t count) override {
        if (reads_.empty()) {
            return 0;
        }
        std::vector<std::uint8_t>& next = reads_.front();
        const std::size_t n = std::min(count, next.size());
        std::copy_n(next.begin(), n, buffer);
        lastRead.assign(next.begin(), next.begin() + static_cast<std::ptrdiff_t>(n));
        served.insert(served.end(), lastRead.begin(), lastRead.end());
        next.erase(next.begin(), next.begin() + static_cast<std::ptrdiff_t>(n));
        if (next.empty()) {
            reads_.pop_front();
        }
        return n;
    }
    std::vector<std::uint8_t> served;    // by all reads since the last write
    std::vector<std::uint8_t> lastRead;  // by the last read that gave anything

  private:
    std::deque<std::vector<std::uint8_t>> reads_;
};

// One reply collected from the reads, then what the upgrade makes of it.
// Returns where the next reply's reads begin.
std::size_t CheckSoftUpgradeReply(const std::deque<std::vector<std::uint8_t>>& reads,
                                  std::size_t first, std::size_t block) {
    std::array<std::uint8_t, 256> reply{};
    std::size_t stored = 0;
    std::vector<std::uint8_t> sent;
    std::size_t used = first;
    bool whole = false;
    while (used < reads.size() && !whole) {
        const fuzz::HeapCopy read(reads[used++]);
        sent.insert(sent.end(), read.data(), read.data() + read.size());
        whole = CollectUpgradeReply(reply, stored, read.span());
    }
    // The first 256 bytes, unchanged; whole exactly when the length byte says so.
    Check(stored == std::min<std::size_t>(sent.size(), 256));
    Check(std::equal(reply.begin(), reply.begin() + static_cast<std::ptrdiff_t>(stored),
                     sent.begin()));
    Check(whole == (stored > 0 && stored >= reply[0] + 1u));

    const fuzz::HeapCopy collected({reply.data(), stored});
    const std::span<const std::uint8_t> bytes = collected.span();
    const bool answersBlock = UpgradeReplyIs(bytes, SoftUpgrade::kDataBlock);
    switch (UpgradeBlockAnswer(bytes, block)) {
        case BlockAnswer::Accepted:
            Check(answersBlock && (stored == 5 || (stored == 7 && bytes[5] == (block >> 8 & 0xFF) &&
                                                   bytes[6] == (block & 0xFF))));
            break;
        case BlockAnswer::Refused:
            Check(stored == 5 && !answersBlock);
            break;
        case BlockAnswer::Unexpected:
            Check(stored != 5);
            break;
    }
    if (const auto crc = UpgradeReplyCrc(bytes)) {
        Check(UpgradeReplyIs(bytes, SoftUpgrade::kCrcQuery) && stored >= 7 &&
              *crc == (bytes[5] << 8 | bytes[6]));
    }
    return used;
}

void CheckBootMode(std::deque<std::vector<std::uint8_t>> reads, std::uint8_t expected) {
    const PortFactory ports;
    ScriptedPort port(ports, std::move(reads));
    VirtualClock clock;
    BootModeLink link(port, clock, std::stop_token{});
    // Each call is judged on the bytes it was served, as it read them.
    for (int round = 0; round < 4; ++round) {
        if (link.QueryStatus(expected)) {
            Check(port.served.size() == 5);
            unsigned sum = 0;
            for (const std::uint8_t byte : port.served) {
                sum += byte;
            }
            Check(sum % 256 == 0 && port.served[2] == expected);
            const fuzz::HeapCopy reply(port.served);
            Check(BootStatusReplyIs(reply.span(), expected));
        }
        port.lastRead.clear();
        if (link.WaitByte(boot::kAck)) {
            Check(port.lastRead == std::vector<std::uint8_t>{boot::kAck});
        }
        port.lastRead.clear();
        if (link.SendExpect(0x55, 0xAA)) {
            Check(!port.lastRead.empty() && port.lastRead[0] == 0xAA);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const std::size_t block = data[0] * 16u;
    const std::uint8_t expected = data[1];
    std::deque<std::vector<std::uint8_t>> reads;
    for (fuzz::Pieces pieces(data + 2, size - 2); !pieces.Done();) {
        const auto piece = pieces.Next();
        reads.emplace_back(piece.begin(), piece.end());
    }
    for (std::size_t at = 0; at < reads.size();) {
        at = CheckSoftUpgradeReply(reads, at, block);
    }
    CheckBootMode(reads, expected);
    return 0;
}
