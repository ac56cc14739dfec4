#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "link/serial_port.h"
#include "upgrade/upgrade_log.h"
#include "upgrade/upgrade_run.h"

namespace skelvane {

// What one soft-upgrade run works on: a copy of the dialog's fields taken when it starts.
struct SoftUpgradeJob {
    std::string portName;
    std::uint16_t unitAddress = 0;
    std::string fileName;
    std::string retries = "100";  // read as a decimal number each time it is used
    // The CRC check before arming, and the firmware version asked before the transfer and
    // again once the unit answers after it.
    bool crcVerify = true;
    // When not empty, the version the unit must report after the upgrade.
    std::string expectVersion;
};

// The soft upgrade of one unit over the diagnostic link: initialize, the image in 128-byte
// blocks, the CRC check, arm, start writing and polling, every step logged, and the unit's
// firmware version before and after. Subcommands of request code 0x41 ("A"), answered under
// 0xA5.
class SoftUpgrade : private UpgradeSession {
  public:
    static constexpr std::uint8_t kInitialize = 0x00;
    static constexpr std::uint8_t kDataBlock = 0x01;
    static constexpr std::uint8_t kArm = 0x02;
    static constexpr std::uint8_t kStartWriting = 0x03;
    static constexpr std::uint8_t kCrcQuery = 0x04;
    // The fixed value that arms a unit for writing its flash.
    static constexpr std::uint8_t kArmValue[2] = {0x4B, 0x1D};
    // Reads of one reply, each waiting up to the read timeout for its first byte: a reply
    // may take this long in all.
    static constexpr int kReplyReads = 200;
    static constexpr Millis kReadTimeout{50};
    static constexpr Millis kCollection = kReadTimeout * kReplyReads;
    // Once this many blocks were acknowledged, a block whose acknowledgement has not begun
    // within kWaitFactor times their median round trip (kMinBlockWait at least, kCollection
    // at most) is taken as lost and sent again at once.
    static constexpr std::size_t kLearnBlocks = 4;
    static constexpr int kWaitFactor = 10;
    static constexpr Millis kMinBlockWait{1000};

    SoftUpgrade(SerialPort& port, UpgradeLog& log, Clock& clock)
        : UpgradeSession(port, log, clock) {}

    // Runs the whole upgrade and closes the port. Once `stop` is requested the run writes
    // nothing more into the log and ends within one read timeout.
    UpgradeResult Run(const SoftUpgradeJob& job, std::stop_token stop,
                      const UpgradeHooks& hooks = {});

  private:
    enum class CrcResult { Match, Mismatch, Retry };
    using Exchanger = std::function<bool()>;

    bool Steps();
    bool OpenPort();
    // Repeats `exchange` as the retries say; appends `passed` on success, " retry." after
    // each failure and "failed." when the attempts are used up. `step` names it in the
    // retry notices.
    bool RetryLoop(const Exchanger& exchange, std::string_view passed, std::string_view step);
    bool ReadVersion(std::string& version);
    bool CheckVersionAfter(const std::string& before);
    bool SendImage();
    bool SendBlockWithRetries(std::size_t block, std::size_t blocks);
    bool SendBlock(std::size_t block, std::span<const std::uint8_t> data);
    bool CheckCrc();
    CrcResult QueryCrc();

    std::vector<std::uint8_t> Request(std::uint8_t subcommand,
                                      std::span<const std::uint8_t> payload = {}) const;
    // Drains what waits, writes `request` and collects the reply; true when a whole reply
    // came. A reply that has not begun within `firstByteWithin` is given up; with a bound
    // shorter than the collection, so is one that has not ended within it.
    bool Exchange(const std::vector<std::uint8_t>& request, std::size_t readSize,
                  Millis firstByteWithin = kCollection);
    bool CollectReply(std::size_t readSize, Millis sentAt, Millis firstByteWithin);
    // Throws away what is waiting on the port, without waiting for more.
    void DrainStale();
    // Lets the rest of a bad reply pass: reads until one brings nothing (200 at most).
    void DrainRest();
    std::span<const std::uint8_t> Reply() const { return {reply_.data(), reply_count_}; }
    // After a write that did not go out whole: the step fails with a line naming the port.
    bool FailOnPort();
    void RetryNotice(std::string_view step, std::int64_t retry, std::int64_t retries,
                     Millis perAttempt);
    // How long a block's acknowledgement may take to begin, from the good blocks so far.
    Millis BlockWait() const;

    SoftUpgradeJob job_;
    std::vector<std::uint8_t> image_;
    std::uint16_t image_crc_ = 0;
    std::array<std::uint8_t, 256> reply_{};
    std::size_t reply_count_ = 0;
    std::vector<Millis> round_trips_;
    std::optional<std::size_t> short_write_;  // bytes that went out of the last request
    std::size_t request_size_ = 0;
};

// The replies of a soft upgrade, as collected from the port: LEN (the number of bytes that
// follow), UA high, UA low, 0xA5, the subcommand, then its data.
//
// Adds what one read gave to the reply collected so far (`stored` bytes of `reply`); at most
// 256 bytes are kept, what comes beyond is dropped. True once the reply is whole: it holds
// its length byte's count of bytes after that byte.
bool CollectUpgradeReply(std::array<std::uint8_t, 256>& reply, std::size_t& stored,
                         std::span<const std::uint8_t> got);
// Whether `reply` answers `subcommand`.
bool UpgradeReplyIs(std::span<const std::uint8_t> reply, std::uint8_t subcommand);
// The CRC a unit reports for the image it received (bytes 5 and 6 of its answer to the CRC
// query); nullopt for any other reply.
std::optional<std::uint16_t> UpgradeReplyCrc(std::span<const std::uint8_t> reply);
// How a unit answered image block `block`: accepted (a five-byte answer to the block, or a
// seven-byte one naming the block), refused (any other five-byte reply), or something else is
// on the line.
enum class BlockAnswer { Accepted, Refused, Unexpected };
BlockAnswer UpgradeBlockAnswer(std::span<const std::uint8_t> reply, std::size_t block);

}  // namespace skelvane
