#include "sim/soft_upgrade_side.h"

#include <algorithm>

namespace skelvane::sim {
namespace {

constexpr std::uint8_t kInitialize = 0x00;
constexpr std::uint8_t kDataBlock = 0x01;
constexpr std::uint8_t kArm = 0x02;
constexpr std::uint8_t kStartWriting = 0x03;
constexpr std::uint8_t kCrcQuery = 0x04;
constexpr std::uint8_t kArmValue[2] = {0x4B, 0x1D};
constexpr std::size_t kBlockSize = 128;
constexpr std::size_t kBlocks = UnitFlash::kSize / kBlockSize;

}  // namespace

std::shared_ptr<SoftUpgradeSide> SoftUpgradeSide::Install(Unit& unit,
                                                          std::shared_ptr<UnitFlash> flash,
                                                          SoftUpgradeOptions options) {
    auto side = std::make_shared<SoftUpgradeSide>(std::move(flash), std::move(options));
    unit.SetFrameHandler(
        kCode, [side](Unit& self, const Frame& frame) { return side->Handle(self, frame); });
    unit.SetFrameHandler(0x28, [side](Unit& self, const Frame& frame) -> std::optional<Reply> {
        side->Settle(self, frame.receivedAt);
        const std::string& version = self.Version();
        return Reply{0x8C, std::vector<std::uint8_t>(version.begin(), version.end()), Millis{0}};
    });
    return side;
}

void SoftUpgradeSide::NewSession() {
    std::fill(buffer_.begin(), buffer_.end(), std::uint8_t{0xFF});
    stage_ = Stage::Receiving;
}

void SoftUpgradeSide::Settle(Unit& unit, Millis now) {
    if (stage_ == Stage::Writing && now >= write_done_) {
        flash_->Replace(buffer_);
        flash_->CountWrite();
        unit.SetVersion(NextVersion(unit.Version()));
        stage_ = Stage::Done;
    }
}

std::optional<Reply> SoftUpgradeSide::Answer(std::vector<std::uint8_t> payload, Millis delay) {
    return Reply{kReplyCode, std::move(payload), delay};
}

std::optional<Reply> SoftUpgradeSide::Handle(Unit& unit, const Frame& frame) {
    std::optional<Reply> reply = Respond(unit, frame);
    if (!reply) {
        return reply;
    }
    // An acknowledgement held back goes out just before the answer to the next request.
    std::vector<std::uint8_t> earlier = std::move(held_ack_);
    held_ack_.clear();
    const bool dataBlock = !frame.payload.empty() && frame.payload[0] == kDataBlock;
    if (dataBlock && options_.faults.lateBlockAck > 0 &&
        std::uniform_real_distribution<double>(0.0, 1.0)(random_) < options_.faults.lateBlockAck) {
        held_ack_ = unit.BuildReply(*reply);
        reply->withheld = true;
    }
    reply->late = std::move(earlier);
    if (reply->withheld && reply->late.empty()) {
        return std::nullopt;
    }
    return reply;
}

std::optional<Reply> SoftUpgradeSide::Respond(Unit& unit, const Frame& frame) {
    const Millis now = frame.receivedAt;
    Settle(unit, now);
    if (frame.payload.empty() || silent_) {
        return std::nullopt;
    }
    const std::vector<std::uint8_t>& p = frame.payload;
    switch (p[0]) {
        case kInitialize:
            if (options_.ignoreInitialize) {
                return std::nullopt;
            }
            if (stage_ == Stage::Writing) {
                // Busy with its flash: the answer comes when the write is done.
                const Millis left = write_done_ - now;
                Settle(unit, write_done_);
                return Answer({kInitialize}, left);
            }
            if (stage_ != Stage::Done) {
                NewSession();
            }
            return Answer({kInitialize});

        case kDataBlock: {
            if (p.size() != 3 + kBlockSize || stage_ == Stage::Writing) {
                return std::nullopt;
            }
            if (options_.silentAfterBlocks == 0) {
                silent_ = true;
                return std::nullopt;
            }
            const std::size_t block = static_cast<std::size_t>(p[1] << 8 | p[2]);
            if (block >= kBlocks) {
                return std::nullopt;
            }
            if (stage_ != Stage::Receiving) {
                NewSession();  // a new image; an armed unit is disarmed by it
            }
            std::copy(p.begin() + 3, p.end(),
                      buffer_.begin() + static_cast<std::ptrdiff_t>(block * kBlockSize));
            auto lost = std::find(options_.lostBlockAcks.begin(), options_.lostBlockAcks.end(),
                                  static_cast<int>(block));
            if (lost != options_.lostBlockAcks.end()) {
                options_.lostBlockAcks.erase(lost);
                return std::nullopt;
            }
            if (++acknowledged_ == options_.silentAfterBlocks) {
                silent_ = true;  // this acknowledgement is its last word
            }
            if (options_.shortBlockAcks) {
                return Answer({kDataBlock});
            }
            return Answer({kDataBlock, p[1], p[2]});
        }

        case kArm:
            if (p.size() != 3 || p[1] != kArmValue[0] || p[2] != kArmValue[1] ||
                (stage_ != Stage::Receiving && stage_ != Stage::Armed)) {
                return std::nullopt;
            }
            if (stage_ == Stage::Receiving) {
                stage_ = Stage::Armed;
                ++armed_;
            }
            return Answer({kArm});

        case kStartWriting:
            if (options_.faults.lostStartWriting > 0) {
                --options_.faults.lostStartWriting;
                return std::nullopt;  // never heard
            }
            if (stage_ == Stage::Armed) {
                // It starts at once and is too busy to answer.
                stage_ = Stage::Writing;
                write_done_ = now + options_.writeTime;
                ++writes_started_;
                return std::nullopt;
            }
            if (stage_ == Stage::Writing) {
                return std::nullopt;
            }
            return Answer({kStartWriting});  // not armed: refused

        case kCrcQuery: {
            if (stage_ == Stage::Writing) {
                return std::nullopt;
            }
            std::uint16_t crc = stage_ == Stage::Receiving || stage_ == Stage::Armed
                                    ? ArcCrc(buffer_)
                                    : flash_->Crc();
            if (options_.wrongCrc) {
                crc ^= 0x0101;
            }
            return Answer({kCrcQuery, static_cast<std::uint8_t>(crc >> 8),
                           static_cast<std::uint8_t>(crc & 0xFF)});
        }

        default:
            return std::nullopt;
    }
}

}  // namespace skelvane::sim
