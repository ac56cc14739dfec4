#include "upgrade/soft_upgrade.h"

#include <algorithm>

#include "base/decimal.h"
#include "base/format.h"
#include "link/frame.h"
#include "upgrade/crc16.h"

namespace skelvane {
namespace {

constexpr std::uint8_t kUpgradeCode = 0x41;
constexpr std::uint8_t kUpgradeReply = 0xA5;
// The longest version text kept.
constexpr std::size_t kVersionLength = 32;
// Reads of at most 256 bytes that drain what is waiting before a request: a line that keeps
// sending is not drained for ever.
constexpr int kStaleReads = 64;

// The retries text as a number of attempts; 0 or less means "until stopped".
std::int64_t Retries(const std::string& text) {
    return ParseInt32(text);
}

}  // namespace

UpgradeResult SoftUpgrade::Run(const SoftUpgradeJob& job, std::stop_token stop,
                               const UpgradeHooks& hooks) {
    Begin(std::move(stop), hooks);
    job_ = job;
    round_trips_.clear();
    short_write_.reset();
    const bool completed = Steps();
    image_.clear();
    return End(completed);
}

bool SoftUpgrade::Steps() {
    Log(" ");
    Log(Format("Start to program UnitAddres = %d... ", job_.unitAddress));
    if (port_.IsOpen()) {
        // A run that was ended while the port was open left it so: this start only closes it.
        port_.Close();
        return false;
    }
    // The whole file is read before the port opens, so that a file that cannot be sent is
    // refused before the unit hears anything.
    if (job_.portName.empty() || !LoadFirmware(job_.fileName, image_) || !OpenPort()) {
        return false;
    }

    std::string before;
    if (job_.crcVerify) {
        Log("Reading firmware version ...");
        if (!RetryLoop([this, &before] { return ReadVersion(before); }, " passed.",
                       "Reading firmware version")) {
            return false;
        }
    }

    const auto initialize = [this] {
        return Exchange(Request(kInitialize), 128) && UpgradeReplyIs(Reply(), kInitialize);
    };
    Log("Initialize FLASH Programming ...");
    if (!RetryLoop(initialize, " passed.", "Initialize FLASH Programming")) {
        return false;
    }

    Log("Sending firmware data ...");
    if (!SendImage()) {
        if (!short_write_) {
            Append("failed.");
        }
        return false;
    }
    Append(" passed.");

    if (job_.crcVerify) {
        Log("CRC Checking ...");
        if (!CheckCrc()) {
            return false;
        }
    }

    Log("Arm upgrading ...");
    const auto arm = [this] {
        return Exchange(Request(kArm, kArmValue), 16) && UpgradeReplyIs(Reply(), kArm);
    };
    if (!RetryLoop(arm, " passed.", "Arm upgrading")) {
        return false;
    }

    Log("Start to write FLASH ...");
    // The unit refuses by answering the request; silence or anything else means it writes.
    const auto startWriting = [this] {
        const bool answered = Exchange(Request(kStartWriting), 16);
        return !short_write_ && !(answered && UpgradeReplyIs(Reply(), kStartWriting));
    };
    if (!RetryLoop(startWriting, " passed.", "Start to write FLASH")) {
        return false;
    }

    Log("Polling the unit ...");
    if (!RetryLoop(initialize, " passed!", "Polling the unit")) {
        return false;
    }
    Log(Format("Upgrade Completed, UnitAddres = %d.", job_.unitAddress));
    if (job_.crcVerify && !CheckVersionAfter(before)) {
        return false;
    }
    if (hooks_.completed && hooks_.completed(job_.unitAddress)) {
        clock_.SleepFor(Millis{5}, stop_);
    }
    return true;
}

bool SoftUpgrade::OpenPort() {
    if (!OpenNamedPort(job_.portName)) {
        return false;
    }
    Log("Changing baud rate to 115,200 ...");
    if (!port_.SetBaudRate(115200)) {
        Append("failed.");
        return false;
    }
    Append(" passed.");
    return true;
}

bool SoftUpgrade::RetryLoop(const Exchanger& exchange, std::string_view passed,
                            std::string_view step) {
    const std::int64_t attempts = Retries(job_.retries);
    for (std::int64_t failed = 1;; ++failed) {
        const bool succeeded = exchange();
        if (Stopped()) {
            return false;
        }
        if (short_write_) {
            return FailOnPort();
        }
        if (succeeded) {
            Append(passed);
            return true;
        }
        Append(" retry.");
        if (failed == attempts) {
            Append("failed.");
            return false;
        }
        RetryNotice(step, failed, attempts - 1, kCollection);
    }
}

void SoftUpgrade::RetryNotice(std::string_view step, std::int64_t retry, std::int64_t retries,
                              Millis perAttempt) {
    if (!hooks_.retry) {
        return;
    }
    const std::string name(step);
    if (retries < 0) {
        hooks_.retry(
            Format("%s: retry %lld, until cancelled", name.c_str(), static_cast<long long>(retry)));
        return;
    }
    const std::int64_t left = retries - retry + 1;
    hooks_.retry(Format("%s: retry %lld of %lld, at most %s left", name.c_str(),
                        static_cast<long long>(retry), static_cast<long long>(retries),
                        DurationText(perAttempt * left).c_str()));
}

bool SoftUpgrade::FailOnPort() {
    Append("failed.");
    Log(Format("Writing to %s failed: %lu of %lu bytes went out.", job_.portName.c_str(),
               static_cast<unsigned long>(short_write_.value_or(0)),
               static_cast<unsigned long>(request_size_)));
    return false;
}

bool SoftUpgrade::ReadVersion(std::string& version) {
    if (!Exchange(BuildFrame(job_.unitAddress, request::kReadVersion), 128) || reply_count_ < 4 ||
        reply_[3] != reply::kVersion) {
        return false;
    }
    // A remote unit answers with its own address; the unit on the cable (asked as 0) with
    // whatever address it has.
    const auto from = static_cast<std::uint16_t>(reply_[1] << 8 | reply_[2]);
    if (job_.unitAddress != 0 && from != job_.unitAddress) {
        return false;
    }
    version =
        PayloadText(std::span<const std::uint8_t>(reply_.data(), reply_count_), kVersionLength);
    return true;
}

bool SoftUpgrade::CheckVersionAfter(const std::string& before) {
    Log("Reading firmware version ...");
    std::string now;
    if (!RetryLoop([this, &now] { return ReadVersion(now); }, " passed.",
                   "Reading firmware version")) {
        if (!Stopped() && !short_write_) {
            Log(
                Format("Unit %d did not answer after the upgrade: it may still run its old "
                       "firmware.",
                       job_.unitAddress));
        }
        return false;
    }
    Log("Firmware: " + before + " before, " + now + " now.");
    if (now == before) {
        Append(" unchanged: if the file holds another version, the upgrade did not take.");
    }
    if (!job_.expectVersion.empty() && now != job_.expectVersion) {
        Log(Format("Unit %d reports %s, not the expected %s.", job_.unitAddress, now.c_str(),
                   job_.expectVersion.c_str()));
        return false;
    }
    return true;
}

bool SoftUpgrade::CheckCrc() {
    std::int64_t attempts = Retries(job_.retries);
    for (std::int64_t failed = 1;; ++failed) {
        const CrcResult result = QueryCrc();
        if (Stopped()) {
            return false;
        }
        if (short_write_) {
            return FailOnPort();
        }
        if (result == CrcResult::Match) {
            Append(" passed.");
            return true;
        }
        Append(" retry.");
        // A unit that holds a different image will not hold the right one when asked again,
        // and it must not be armed.
        if (result == CrcResult::Mismatch || failed == attempts) {
            Append("failed.");
            return false;
        }
        RetryNotice("CRC Checking", failed, attempts - 1, kCollection);
    }
}

SoftUpgrade::CrcResult SoftUpgrade::QueryCrc() {
    // The CRC travels in bytes 5 and 6: a shorter reply carries none.
    const std::optional<std::uint16_t> reported =
        Exchange(Request(kCrcQuery), 16) ? UpgradeReplyCrc(Reply()) : std::nullopt;
    if (!reported) {
        return CrcResult::Retry;
    }
    Log(Format("Calculated CRC=%04X/Reported CRC=%04X", image_crc_, *reported));
    return *reported == image_crc_ ? CrcResult::Match : CrcResult::Mismatch;
}

bool SoftUpgrade::SendImage() {
    const std::size_t blocks = (image_.size() + kImageBlockSize - 1) / kImageBlockSize;
    port_.SetTimeouts(kReadTimeout.count(), 1, kReadTimeout.count(), 1, 1500);
    Log("Loading FLASH image ... ");
    Log(" ");
    image_crc_ = ImageCrc(image_);
    for (std::size_t block = 0; block < blocks; ++block) {
        if (!SendBlockWithRetries(block, blocks)) {
            return false;
        }
        if (hooks_.progress) {
            hooks_.progress(block + 1, blocks);
        }
    }
    return true;
}

bool SoftUpgrade::SendBlockWithRetries(std::size_t block, std::size_t blocks) {
    std::array<std::uint8_t, kImageBlockSize> data;
    const std::size_t offset = block * kImageBlockSize;
    const std::size_t count = std::min(kImageBlockSize, image_.size() - offset);
    data.fill(0xFF);
    std::copy_n(image_.begin() + static_cast<std::ptrdiff_t>(offset), count, data.begin());
    const std::string line =
        Format("Block %d/%d", static_cast<int>(block + 1), static_cast<int>(blocks));
    Log(line + ", wait ...");
    const std::int64_t retries = Retries(job_.retries);
    for (std::int64_t failed = 1;; ++failed) {
        if (SendBlock(block, data)) {
            Append(" done.");
            return true;
        }
        if (Stopped()) {
            return false;
        }
        if (short_write_) {
            return FailOnPort();
        }
        Append(Format(" retry%d ", static_cast<int>(failed)));
        if (retries >= 0 && failed >= retries + 1) {
            return false;
        }
        // An attempt may wait the whole collection for a reply and as long again for the
        // rest of a bad one to pass.
        RetryNotice(line, failed, retries, kCollection * 2);
    }
}

Millis SoftUpgrade::BlockWait() const {
    if (round_trips_.size() < kLearnBlocks) {
        return kCollection;
    }
    std::vector<Millis> sorted = round_trips_;
    const auto middle = sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2);
    std::nth_element(sorted.begin(), middle, sorted.end());
    return std::clamp(*middle * kWaitFactor, kMinBlockWait, kCollection);
}

bool SoftUpgrade::SendBlock(std::size_t block, std::span<const std::uint8_t> data) {
    const std::uint8_t number[2] = {static_cast<std::uint8_t>(block >> 8),
                                    static_cast<std::uint8_t>(block & 0xFF)};
    std::vector<std::uint8_t> payload(number, number + 2);
    payload.insert(payload.end(), data.begin(), data.end());
    const Millis start = clock_.Now();
    if (!Exchange(Request(kDataBlock, payload), 256, BlockWait())) {
        return false;
    }
    const BlockAnswer answer = UpgradeBlockAnswer(Reply(), block);
    if (answer == BlockAnswer::Unexpected) {
        DrainRest();
    }
    const bool good = answer == BlockAnswer::Accepted;
    if (good) {
        round_trips_.push_back(clock_.Now() - start);
    }
    return good;
}

std::vector<std::uint8_t> SoftUpgrade::Request(std::uint8_t subcommand,
                                               std::span<const std::uint8_t> payload) const {
    std::vector<std::uint8_t> body{subcommand};
    body.insert(body.end(), payload.begin(), payload.end());
    return BuildFrame(job_.unitAddress, kUpgradeCode, body);
}

bool SoftUpgrade::Exchange(const std::vector<std::uint8_t>& request, std::size_t readSize,
                           Millis firstByteWithin) {
    reply_count_ = 0;
    if (Stopped()) {
        return false;
    }
    // A reply that came too late for its own request must not pass for this one's.
    DrainStale();
    port_.SetTimeouts(kReadTimeout.count(), 1, kReadTimeout.count(), 1, 1500);
    const Millis sentAt = clock_.Now();
    request_size_ = request.size();
    const std::size_t written = port_.Write(request.data(), request.size());
    if (written != request.size()) {
        if (!Stopped()) {
            short_write_ = written;
        }
        return false;
    }
    return CollectReply(readSize, sentAt, firstByteWithin);
}

bool SoftUpgrade::CollectReply(std::size_t readSize, Millis sentAt, Millis firstByteWithin) {
    reply_count_ = 0;
    std::array<std::uint8_t, 256> scratch;
    readSize = std::min(readSize, scratch.size());
    // A bounded wait (a data block's) covers the whole reply: the round trips it is learnt
    // from end with the last byte, and a reply that lost a byte never completes.
    const bool wholeWithin = firstByteWithin < kCollection;
    for (int read = 0; read < kReplyReads && !Stopped(); ++read) {
        if ((reply_count_ == 0 || wholeWithin) && clock_.Now() - sentAt >= firstByteWithin) {
            return false;
        }
        const std::size_t got = port_.Read(scratch.data(), readSize);
        if (CollectUpgradeReply(reply_, reply_count_, {scratch.data(), got})) {
            return true;
        }
    }
    return false;
}

void SoftUpgrade::DrainStale() {
    port_.SetTimeouts(0, 1, 0, 1, 1500);
    std::array<std::uint8_t, 256> scratch;
    std::size_t drained = 0;
    for (int read = 0; read < kStaleReads && !Stopped(); ++read) {
        const std::size_t got = port_.Read(scratch.data(), scratch.size());
        if (got == 0) {
            break;
        }
        drained += got;
    }
    if (drained > 0 && hooks_.verbose) {
        hooks_.verbose(Format("%lu bytes still waiting were drained before the request.",
                              static_cast<unsigned long>(drained)));
    }
}

void SoftUpgrade::DrainRest() {
    std::array<std::uint8_t, 256> scratch;
    for (int read = 0; read < kReplyReads && !Stopped(); ++read) {
        if (port_.Read(scratch.data(), scratch.size()) == 0) {
            return;
        }
    }
}

bool CollectUpgradeReply(std::array<std::uint8_t, 256>& reply, std::size_t& stored,
                         std::span<const std::uint8_t> got) {
    const std::size_t kept = std::min(got.size(), reply.size() - stored);
    std::copy_n(got.begin(), kept, reply.begin() + static_cast<std::ptrdiff_t>(stored));
    stored += kept;
    return stored > 0 && stored >= static_cast<std::size_t>(reply[0]) + 1;
}

bool UpgradeReplyIs(std::span<const std::uint8_t> reply, std::uint8_t subcommand) {
    return reply.size() >= 5 && reply[3] == kUpgradeReply && reply[4] == subcommand;
}

std::optional<std::uint16_t> UpgradeReplyCrc(std::span<const std::uint8_t> reply) {
    // The CRC travels in bytes 5 and 6: a shorter reply carries none.
    if (!UpgradeReplyIs(reply, SoftUpgrade::kCrcQuery) || reply.size() < 7) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(reply[5] << 8 | reply[6]);
}

BlockAnswer UpgradeBlockAnswer(std::span<const std::uint8_t> reply, std::size_t block) {
    const bool answersBlocks = UpgradeReplyIs(reply, SoftUpgrade::kDataBlock);
    if (reply.size() == 5) {
        return answersBlocks ? BlockAnswer::Accepted : BlockAnswer::Refused;
    }
    if (reply.size() == 7 && answersBlocks && reply[5] == static_cast<std::uint8_t>(block >> 8) &&
        reply[6] == static_cast<std::uint8_t>(block & 0xFF)) {
        return BlockAnswer::Accepted;
    }
    return BlockAnswer::Unexpected;
}

}  // namespace skelvane
