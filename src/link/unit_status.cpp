#include "link/unit_status.h"

#include "link/frame.h"

namespace skelvane {
namespace {

// Version texts are short; a longer payload is cut rather than kept whole.
constexpr std::size_t kMaxVersionLength = 32;

std::uint16_t FrameUa(std::span<const std::uint8_t> frame) {
    return static_cast<std::uint16_t>(frame[1] << 8 | frame[2]);
}

bool IsWholeFrame(std::span<const std::uint8_t> frame) {
    return frame.size() >= kFrameHeaderSize && frame.size() <= kMaxFrameSize &&
           frame[0] == frame.size() - 1;
}

}  // namespace

std::optional<std::uint32_t> UnitStatus::Number(
    const std::vector<std::uint8_t>& registerIds) const {
    if (registerIds.empty() || registerIds.size() > 4) {
        return std::nullopt;
    }
    std::uint32_t number = 0;
    for (const std::uint8_t id : registerIds) {
        const auto it = registers.find(id);
        if (it == registers.end()) {
            return std::nullopt;
        }
        number = number << 8 | it->second;
    }
    return number;
}

void UnitStatusBoard::ExchangeDone(const std::string&, std::span<const std::uint8_t> request,
                                   std::span<const std::uint8_t> reply, bool replyExpected) {
    if (request.size() < kFrameHeaderSize) {
        return;
    }
    const std::uint16_t target = FrameUa(request);
    const LocalTime now = clock_.LocalNow();
    {
        std::lock_guard lock(mutex_);
        if (reply.empty()) {
            if (!replyExpected) {
                return;
            }
            UnitStatus& unit = units_[target != 0 ? target : cableUa_.value_or(0)];
            unit.answer = UnitAnswer::Silent;
            unit.lastSilence = now;
        } else {
            // Bytes that make no frame cannot be told apart from noise: nothing is learned.
            if (!IsWholeFrame(reply)) {
                return;
            }
            const std::uint16_t from = FrameUa(reply);
            if (target == 0 && from != 0) {
                cableUa_ = from;
                units_.erase(0);  // what was said of the cable before its address was known
            }
            UnitStatus& unit = units_[from];
            unit.answer = UnitAnswer::Answered;
            unit.lastAnswer = now;
            const std::uint8_t code = reply[3];
            if (code == reply::kVersion) {
                unit.version = PayloadText(reply, kMaxVersionLength);
            } else if (code == reply::kRegisters) {
                for (std::size_t i = kFrameHeaderSize; i + 1 < reply.size(); i += 2) {
                    unit.registers[reply[i]] = reply[i + 1];
                }
            }
        }
        ++revision_;
    }
    Changed();
}

UnitStatus UnitStatusBoard::Find(std::uint16_t ua) const {
    std::lock_guard lock(mutex_);
    const auto it = units_.find(ua);
    return it != units_.end() ? it->second : UnitStatus{};
}

std::optional<std::uint16_t> UnitStatusBoard::CableUa() const {
    std::lock_guard lock(mutex_);
    return cableUa_;
}

std::uint64_t UnitStatusBoard::Revision() const {
    std::lock_guard lock(mutex_);
    return revision_;
}

void UnitStatusBoard::Clear() {
    {
        std::lock_guard lock(mutex_);
        units_.clear();
        cableUa_.reset();
        ++revision_;
    }
    Changed();
}

}  // namespace skelvane
