#include "upgrade/soft_upgrade.h"

#include <algorithm>
#include <filesystem>

#include "base/decimal.h"
#include "base/format.h"
#include "upgrade/crc16.h"
#include "upgrade/firmware_file.h"

namespace skelvane {
namespace {

constexpr std::uint8_t kUpgradeCode = 0x41;
constexpr std::uint8_t kUpgradeReply = 0xA5;

// The retries text as a number of attempts; 0 or less means "until stopped".
std::int64_t Retries(const std::string& text) {
    return ParseInt32(text);
}

}  // namespace

bool SoftUpgradeFileTooLarge(const std::string& fileName) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(fileName, error);
    return !error && size > kImageSize;
}

void SoftUpgrade::Log(std::string_view text) {
    if (!Stopped()) {
        log_.Log(text);
    }
}

void SoftUpgrade::Append(std::string_view text) {
    if (!Stopped()) {
        log_.Append(text);
    }
}

UpgradeResult SoftUpgrade::Run(const SoftUpgradeJob& job, std::stop_token stop,
                               const SoftUpgradeHooks& hooks) {
    stop_ = std::move(stop);
    job_ = job;
    port_.SetStopToken(stop_);
    const bool completed = Steps(job, hooks);
    // Every path ends here: the port is closed and the dialog shows it is idle again.
    port_.Close();
    if (hooks.busy) {
        hooks.busy(false);
    }
    if (completed) {
        return UpgradeResult::Completed;
    }
    return Stopped() ? UpgradeResult::Stopped : UpgradeResult::Failed;
}

bool SoftUpgrade::Steps(const SoftUpgradeJob& job, const SoftUpgradeHooks& hooks) {
    Log(" ");
    Log(Format("Start to program UnitAddres = %d... ", job.unitAddress));
    if (port_.IsOpen()) {
        // A run that was ended while the port was open left it so: this start only closes it.
        port_.Close();
        return false;
    }
    if (job.portName.empty()) {
        return false;
    }
    if (SoftUpgradeFileTooLarge(job.fileName)) {
        Log(Format("The file %s is larger than %u bytes (2048 blocks of 128): nothing is sent.",
                   job.fileName.c_str(), static_cast<unsigned>(kImageSize)));
        return false;
    }

    Log("Opening serial port ");
    if (hooks.busy) {
        hooks.busy(true);
    }
    Append(job.portName);
    if (!port_.Open(job.portName)) {
        Append(" ... failed.");
        if (!port_.OpenFailureHint().empty()) {
            Log(port_.OpenFailureHint());
        }
        return false;
    }
    port_.Purge();
    Append(" ... done.");

    Log("Changing baud rate to 115,200 ...");
    if (!port_.SetBaudRate(115200)) {
        Append("failed.");
        return false;
    }
    Append(" passed.");

    const auto initialize = [this] {
        return Exchange(Request(kInitialize), 128) && UpgradeReplyIs(Reply(), kInitialize);
    };
    Log("Initialize FLASH Programming ...");
    if (!RetryLoop(initialize, " passed.")) {
        return false;
    }

    Log("Sending firmware data ...");
    if (!SendImage(hooks)) {
        Append("failed.");
        return false;
    }
    Append(" passed.");

    if (job.crcVerify) {
        Log("CRC Checking ...");
        if (!CheckCrc()) {
            return false;
        }
    }

    Log("Arm upgrading ...");
    const auto arm = [this] {
        return Exchange(Request(kArm, kArmValue), 16) && UpgradeReplyIs(Reply(), kArm);
    };
    if (!RetryLoop(arm, " passed.")) {
        return false;
    }

    Log("Start to write FLASH ...");
    // The unit refuses by answering the request; silence or anything else means it writes.
    const auto startWriting = [this] {
        return !(Exchange(Request(kStartWriting), 16) && UpgradeReplyIs(Reply(), kStartWriting));
    };
    if (!RetryLoop(startWriting, " passed.")) {
        return false;
    }

    Log("Polling the unit ...");
    if (!RetryLoop(initialize, " passed!")) {
        return false;
    }
    Log(Format("Upgrade Completed, UnitAddres = %d.", job.unitAddress));
    if (hooks.completed && hooks.completed(job.unitAddress)) {
        clock_.SleepFor(Millis{5}, stop_);
    }
    return true;
}

bool SoftUpgrade::RetryLoop(const std::function<bool()>& exchange, std::string_view passed) {
    std::int64_t attempts = Retries(job_.retries);
    for (;;) {
        const bool succeeded = exchange();
        if (Stopped()) {
            return false;
        }
        if (succeeded) {
            Append(passed);
            return true;
        }
        Append(" retry.");
        if (--attempts == 0) {
            Append("failed.");
            return false;
        }
    }
}

bool SoftUpgrade::CheckCrc() {
    std::int64_t attempts = Retries(job_.retries);
    for (;;) {
        const CrcResult result = QueryCrc();
        if (result == CrcResult::Match) {
            Append(" passed.");
            return true;
        }
        if (Stopped()) {
            return false;
        }
        Append(" retry.");
        // A unit that holds a different image will not hold the right one when asked again,
        // and it must not be armed.
        if (result == CrcResult::Mismatch || --attempts == 0) {
            Append("failed.");
            return false;
        }
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

bool SoftUpgrade::SendImage(const SoftUpgradeHooks& hooks) {
    const FirmwareFile file = ReadFirmwareFile(job_.fileName, kImageSize);
    if (file.status != FirmwareFile::Status::Ok) {
        return false;
    }
    const std::size_t blocks = (file.bytes.size() + kImageBlockSize - 1) / kImageBlockSize;
    port_.SetTimeouts(kReadTimeoutMs, 1, kReadTimeoutMs, 1, 1500);
    Log("Loading FLASH image ... ");
    Log(" ");
    image_crc_ = ImageCrc(file.bytes);

    const std::int64_t attempts = static_cast<std::int64_t>(Retries(job_.retries)) + 1;
    std::array<std::uint8_t, kImageBlockSize> data;
    for (std::size_t block = 0; block < blocks; ++block) {
        const std::size_t offset = block * kImageBlockSize;
        const std::size_t count = std::min(kImageBlockSize, file.bytes.size() - offset);
        data.fill(0xFF);
        std::copy_n(file.bytes.begin() + static_cast<std::ptrdiff_t>(offset), count, data.begin());
        Log(Format("Block %d/%d, wait ...", static_cast<int>(block + 1), static_cast<int>(blocks)));
        for (std::int64_t failed = 0;;) {
            if (SendBlock(block, data)) {
                Append(" done.");
                break;
            }
            if (Stopped()) {
                return false;
            }
            ++failed;
            Append(Format(" retry%d ", static_cast<int>(failed)));
            if (attempts > 0 && failed >= attempts) {
                return false;
            }
        }
        if (hooks.progress) {
            hooks.progress(block + 1, blocks);
        }
    }
    return true;
}

bool SoftUpgrade::SendBlock(std::size_t block, std::span<const std::uint8_t> data) {
    const std::uint8_t number[2] = {static_cast<std::uint8_t>(block >> 8),
                                    static_cast<std::uint8_t>(block & 0xFF)};
    std::vector<std::uint8_t> payload(number, number + 2);
    payload.insert(payload.end(), data.begin(), data.end());
    if (!Exchange(Request(kDataBlock, payload), 256)) {
        return false;
    }
    switch (UpgradeBlockAnswer(Reply(), block)) {
        case BlockAnswer::Accepted:
            return true;
        case BlockAnswer::Refused:
            return false;
        case BlockAnswer::Unexpected:
            break;
    }
    // Something else is on the line: let it pass before the block goes again.
    Drain();
    return false;
}

std::vector<std::uint8_t> SoftUpgrade::Request(std::uint8_t subcommand,
                                               std::span<const std::uint8_t> payload) const {
    std::vector<std::uint8_t> frame;
    frame.reserve(5 + payload.size());
    frame.push_back(static_cast<std::uint8_t>(4 + payload.size()));
    frame.push_back(static_cast<std::uint8_t>(job_.unitAddress >> 8));
    frame.push_back(static_cast<std::uint8_t>(job_.unitAddress & 0xFF));
    frame.push_back(kUpgradeCode);
    frame.push_back(subcommand);
    frame.insert(frame.end(), payload.begin(), payload.end());
    return frame;
}

bool SoftUpgrade::Exchange(const std::vector<std::uint8_t>& request, std::size_t readSize) {
    reply_count_ = 0;
    if (Stopped()) {
        return false;
    }
    port_.SetTimeouts(kReadTimeoutMs, 1, kReadTimeoutMs, 1, 1500);
    port_.Write(request.data(), request.size());
    return CollectReply(readSize);
}

bool SoftUpgrade::CollectReply(std::size_t readSize) {
    reply_count_ = 0;
    std::array<std::uint8_t, 256> scratch;
    readSize = std::min(readSize, scratch.size());
    for (int read = 0; read < kReplyReads && !Stopped(); ++read) {
        const std::size_t got = port_.Read(scratch.data(), readSize);
        if (CollectUpgradeReply(reply_, reply_count_, {scratch.data(), got})) {
            return true;
        }
    }
    return false;
}

void SoftUpgrade::Drain() {
    std::array<std::uint8_t, 256> scratch;
    for (int read = 0; read < kReplyReads && !Stopped(); ++read) {
        port_.Read(scratch.data(), scratch.size());
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
