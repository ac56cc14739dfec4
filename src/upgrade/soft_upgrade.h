#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <vector>

#include "base/clock.h"
#include "link/serial_port.h"
#include "upgrade/upgrade_log.h"

namespace skelvane {

// What one soft-upgrade run works on: a copy of the dialog's fields taken when it starts.
struct SoftUpgradeJob {
    std::string portName;
    std::uint16_t unitAddress = 0;
    std::string fileName;
    std::string retries = "100";  // read as a decimal number each time it is used
    bool crcVerify = true;
};

// How the run tells its dialog what it does.
struct SoftUpgradeHooks {
    // true once the port is being opened ("Cancel", busy picture), false at the end.
    std::function<void(bool busy)> busy;
    // The unit was upgraded; returns true when a running schedule marked it done.
    std::function<bool(std::uint16_t ua)> completed;
    // Image blocks acknowledged so far, of the total.
    std::function<void(std::size_t done, std::size_t total)> progress;
};

enum class UpgradeResult { Completed, Failed, Stopped };

// The soft upgrade of one unit over the diagnostic link: initialize, the image in 128-byte
// blocks, the CRC check, arm, start writing and polling, every step logged. Subcommands of
// request code 0x41 ("A"), answered under 0xA5.
class SoftUpgrade {
  public:
    static constexpr std::uint8_t kInitialize = 0x00;
    static constexpr std::uint8_t kDataBlock = 0x01;
    static constexpr std::uint8_t kArm = 0x02;
    static constexpr std::uint8_t kStartWriting = 0x03;
    static constexpr std::uint8_t kCrcQuery = 0x04;
    // The fixed value that arms a unit for writing its flash.
    static constexpr std::uint8_t kArmValue[2] = {0x4B, 0x1D};
    // Reads of one reply, each waiting up to the read timeout for its first byte.
    static constexpr int kReplyReads = 200;
    static constexpr std::uint32_t kReadTimeoutMs = 50;

    SoftUpgrade(SerialPort& port, UpgradeLog& log, Clock& clock)
        : port_(port), log_(log), clock_(clock) {}

    // Runs the whole upgrade and closes the port. Once `stop` is requested the run writes
    // nothing more into the log and ends within one read timeout.
    UpgradeResult Run(const SoftUpgradeJob& job, std::stop_token stop,
                      const SoftUpgradeHooks& hooks = {});

  private:
    enum class CrcResult { Match, Mismatch, Retry };

    bool Stopped() const { return stop_.stop_requested(); }
    void Log(std::string_view text);
    void Append(std::string_view text);

    bool Steps(const SoftUpgradeJob& job, const SoftUpgradeHooks& hooks);
    // Repeats `exchange` as the retries say; appends `passed` on success, " retry." after
    // each failure and "failed." when the attempts are used up.
    bool RetryLoop(const std::function<bool()>& exchange, std::string_view passed);
    bool SendImage(const SoftUpgradeHooks& hooks);
    bool CheckCrc();
    CrcResult QueryCrc();

    std::vector<std::uint8_t> Request(std::uint8_t subcommand,
                                      std::span<const std::uint8_t> payload = {}) const;
    // Writes `request` and collects the reply; true when a whole reply came.
    bool Exchange(const std::vector<std::uint8_t>& request, std::size_t readSize);
    // Up to 200 reads of at most `readSize` bytes; true as soon as the reply holds its
    // length byte's count of bytes after it.
    bool CollectReply(std::size_t readSize);
    // 200 reads whose bytes are thrown away.
    void Drain();
    std::span<const std::uint8_t> Reply() const { return {reply_.data(), reply_count_}; }
    bool SendBlock(std::size_t block, std::span<const std::uint8_t> data);

    SerialPort& port_;
    UpgradeLog& log_;
    Clock& clock_;
    std::stop_token stop_;
    SoftUpgradeJob job_;
    std::uint16_t image_crc_ = 0;
    std::array<std::uint8_t, 256> reply_{};
    std::size_t reply_count_ = 0;
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

// A file larger than the image is refused before anything is sent.
bool SoftUpgradeFileTooLarge(const std::string& fileName);

}  // namespace skelvane
