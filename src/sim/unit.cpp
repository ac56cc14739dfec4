#include "sim/unit.h"

#include <algorithm>
#include <cmath>

#include "base/format.h"
#include "sim/diagnostic_port.h"

namespace skelvane::sim {
namespace {

constexpr std::size_t kMaxPayload = 252;  // LEN is one byte and counts UA and code too

void PutWord(std::vector<std::uint8_t>& out, std::uint16_t word) {
    out.push_back(static_cast<std::uint8_t>(word >> 8));
    out.push_back(static_cast<std::uint8_t>(word & 0xFF));
}

std::uint16_t GetWord(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

std::vector<std::uint8_t> TextBytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

}  // namespace

std::vector<LiveValue> DefaultLiveValues() {
    using K = LiveValue::Kind;
    return {
        {"DiagSyncLost", {0x20, 0x21}, K::Counter, 0.01, 0, 0, 0},
        {"DiagCRCErrors", {0x22, 0x23}, K::Counter, 0.2, 0, 0, 0},
        {"DiagCorrectedErrors", {0x24, 0x25}, K::Counter, 1.5, 0, 0, 0},
        {"DiagTxPackets", {0x26, 0x27, 0x28, 0x29}, K::Counter, 40, 0, 0, 0},
        {"DiagRxPackets", {0x2A, 0x2B, 0x2C, 0x2D}, K::Counter, 38, 0, 0, 0},
        {"DiagTxKbytes", {0x2E, 0x2F, 0x30, 0x31}, K::Counter, 2.5, 0, 0, 0},
        {"DiagRxKbytes", {0x32, 0x33, 0x34, 0x35}, K::Counter, 2.4, 0, 0, 0},
        {"DiagVSWR", {0xC0, 0xC1}, K::Level, 0, 1500, 60, 0},
        {"DiagForwardPower", {0xC2}, K::Level, 0, 30, 1, 0},
        {"DiagReflectedPower", {0xC3}, K::Level, 0, 8, 1, 0},
        {"DiagRSSI", {0xC4}, K::Level, 0, 78, 6, 0},
        {"DiagVoltage", {0xC5, 0xC6}, K::Level, 0, 88, 2, 0},
        {"DiagTemperature", {0xC7}, K::Level, 0, 80, 2, 0},
    };
}

Unit::Unit(std::uint16_t ua) : ua_(ua), random_(0x5EED0000u + ua) {
    serial_ = Format("%06u", 100000u + ua);
    repeaters_.fill(0xFFFF);
    saved_repeaters_.fill(0xFFFF);
    live_ = DefaultLiveValues();
    InstallBuiltInHandlers();
    port_handlers_[UnitMode::Diagnostic] = std::make_shared<DiagnosticPort>();
}

void Unit::SeedRegisters(const std::map<std::uint8_t, std::uint8_t>& values) {
    for (const auto& [id, value] : values) {
        registers_[id] = value;
        factory_[id] = value;
    }
}

void Unit::SeedValue(std::span<const std::uint8_t> ids, std::uint32_t value) {
    const std::size_t size = ids.size();
    for (std::size_t j = 0; j < size && j < 4; ++j) {
        const auto byte = static_cast<std::uint8_t>(value >> ((size - 1 - j) * 8));
        registers_[ids[j]] = byte;
        factory_[ids[j]] = byte;
    }
}

std::uint32_t Unit::Value(std::span<const std::uint8_t> ids) const {
    std::uint32_t value = 0;
    for (std::size_t j = 0; j < ids.size() && j < 4; ++j) {
        value = value << 8 | registers_[ids[j]];
    }
    return value;
}

std::uint32_t Unit::VersionNumber() const {
    // Read as a decimal number with at most four places, without going through binary
    // floating point: "3.108" is 31080, not 31079.
    std::uint32_t whole = 0;
    std::uint32_t fraction = 0;
    int places = 0;
    bool point = false;
    for (std::size_t i = 1; i < version_.size(); ++i) {
        const char c = version_[i];
        if (c >= '0' && c <= '9') {
            if (!point) {
                whole = whole * 10 + static_cast<std::uint32_t>(c - '0');
                if (whole > 400000) {
                    break;
                }
            } else if (places < 4) {
                fraction = fraction * 10 + static_cast<std::uint32_t>(c - '0');
                ++places;
            }
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    while (places < 4) {
        fraction *= 10;
        ++places;
    }
    return whole * 10000 + fraction;
}

void Unit::SetDataMask(std::string text) {
    data_mask_ = text.substr(0, 32);
}

void Unit::SetRestriction(std::size_t index, const RestrictionEntry& entry) {
    restrictions_.at(index) = entry;
    saved_restrictions_.at(index) = entry;
}

void Unit::SetRepeaters(const RepeaterSlots& slots) {
    repeaters_ = slots;
    saved_repeaters_ = slots;
}

void Unit::SetAsleep(bool asleep, int wakeRequests) {
    asleep_ = asleep;
    wake_requests_ = std::max(1, wakeRequests);
    wake_heard_ = 0;
}

void Unit::SetFrameHandler(std::uint8_t code, FrameHandler handler) {
    if (handler) {
        handlers_[code] = std::move(handler);
    } else {
        handlers_.erase(code);
    }
}

void Unit::SetPortHandler(UnitMode mode, std::shared_ptr<PortHandler> handler) {
    if (handler) {
        port_handlers_[mode] = std::move(handler);
    } else {
        port_handlers_.erase(mode);
    }
}

PortHandler* Unit::PortHandlerFor(UnitMode mode) const {
    const auto found = port_handlers_.find(mode);
    return found == port_handlers_.end() ? nullptr : found->second.get();
}

void Unit::UpdateLiveValues(Millis now) {
    // The first look finds the unit as if it had been running for a while.
    const Millis since = live_updated_ ? now - *live_updated_ : Millis{600000};
    live_updated_ = now;
    const double seconds = std::max<double>(0.0, static_cast<double>(since.count()) / 1000.0);
    for (LiveValue& live : live_) {
        const std::size_t width = std::min<std::size_t>(live.ids.size(), 4);
        if (width == 0) {
            continue;
        }
        const double top =
            width == 4 ? 4294967295.0 : std::ldexp(1.0, static_cast<int>(8 * width)) - 1;
        double next = 0;
        if (live.kind == LiveValue::Kind::Counter) {
            // About the nominal rate, never backwards; a counter wraps at its width.
            const double jitter = std::uniform_real_distribution<double>(0.8, 1.2)(random_);
            const double grown = live.ratePerSecond * seconds * jitter + live.carry;
            const double whole = std::floor(grown);
            live.carry = grown - whole;
            next = static_cast<double>(Value(std::span(live.ids).first(width))) + whole;
            while (next > top) {
                next -= top + 1;
            }
        } else {
            next = live.centre +
                   std::uniform_real_distribution<double>(-live.spread, live.spread)(random_);
            next = std::clamp(std::round(next), 0.0, top);
        }
        const auto value = static_cast<std::uint32_t>(next);
        for (std::size_t j = 0; j < width; ++j) {
            registers_[live.ids[j]] = static_cast<std::uint8_t>(value >> ((width - 1 - j) * 8));
        }
    }
}

std::optional<Reply> Unit::RegisterPairs(std::span<const std::uint8_t> ids, Millis now) {
    UpdateLiveValues(now);
    Reply reply{0x64, {}, Millis{0}};
    for (const std::uint8_t id : ids) {
        if (reply.payload.size() + 2 > kMaxPayload) {
            break;  // one frame holds 126 pairs
        }
        reply.payload.push_back(id);
        reply.payload.push_back(registers_[id]);
    }
    return reply;
}

std::vector<std::uint8_t> Unit::BuildReply(const Reply& reply) const {
    std::vector<std::uint8_t> frame = reply.late;
    if (reply.withheld) {
        return frame;
    }
    const std::size_t size = std::min(reply.payload.size(), kMaxPayload);
    frame.reserve(frame.size() + size + 4);
    frame.push_back(static_cast<std::uint8_t>(size + 3));
    PutWord(frame, ReplyUa());
    frame.push_back(reply.code);
    frame.insert(frame.end(), reply.payload.begin(),
                 reply.payload.begin() + static_cast<std::ptrdiff_t>(size));
    return frame;
}

std::optional<std::vector<std::uint8_t>> Unit::HandleRequest(std::span<const std::uint8_t> bytes,
                                                             Millis now, Millis& delay) {
    delay = Millis{0};
    // A frame is LEN, UA high, UA low, code and the payload: LEN + 1 bytes, LEN at least 3.
    if (bytes.size() < 4 || bytes[0] < 3 ||
        bytes.size() != static_cast<std::size_t>(bytes[0]) + 1) {
        return std::nullopt;
    }
    if (Deaf(now) || (silent_after_ >= 0 && replies_sent_ >= silent_after_)) {
        return std::nullopt;
    }
    Frame frame;
    frame.ua = GetWord(bytes, 1);
    frame.code = bytes[3];
    frame.payload.assign(bytes.begin() + 4, bytes.end());
    frame.receivedAt = now;

    if (asleep_) {
        if (frame.code != 0x4A || ++wake_heard_ < wake_requests_) {
            return std::nullopt;
        }
        asleep_ = false;
        wake_heard_ = 0;
    }
    const auto handler = handlers_.find(frame.code);
    if (handler == handlers_.end()) {
        return std::nullopt;
    }
    const std::optional<Reply> reply = handler->second(*this, frame);
    if (!reply) {
        return std::nullopt;
    }
    ++replies_sent_;
    delay = std::max(reply->delay, Millis{0});
    return BuildReply(*reply);
}

void Unit::InstallBuiltInHandlers() {
    // ReadGroup g: the 32 registers from 0x20 * g.
    for (std::uint8_t group = 0; group <= 6; ++group) {
        handlers_[group] = [group](Unit& unit, const Frame& frame) {
            std::array<std::uint8_t, 32> ids;
            for (std::uint8_t i = 0; i < 32; ++i) {
                ids[i] = static_cast<std::uint8_t>(group * 0x20 + i);
            }
            return unit.RegisterPairs(ids, frame.receivedAt);
        };
    }
    handlers_[0x14] = [](Unit& unit, const Frame& frame) {  // ReadRegisters
        return unit.RegisterPairs(frame.payload, frame.receivedAt);
    };
    handlers_[0x46] = [](Unit& unit,
                         const Frame& frame) -> std::optional<Reply> {  // WriteRegisters
        for (std::size_t i = 0; i + 1 < frame.payload.size(); i += 2) {
            unit.registers_[frame.payload[i]] = frame.payload[i + 1];
        }
        return Reply{0xAA, {}, Millis{0}};
    };
    handlers_[0x51] = [](Unit& unit, const Frame& frame) -> std::optional<Reply> {  // WriteDataMask
        unit.SetDataMask(std::string(frame.payload.begin(), frame.payload.end()));
        return Reply{0xB5, {}, Millis{0}};
    };
    handlers_[0x28] = [](Unit& unit, const Frame&) -> std::optional<Reply> {
        return Reply{0x8C, TextBytes(unit.version_), Millis{0}};
    };
    handlers_[0x29] = [](Unit& unit, const Frame&) -> std::optional<Reply> {
        return Reply{0x8D, TextBytes(unit.serial_), Millis{0}};
    };
    handlers_[0x2A] = [](Unit& unit, const Frame&) -> std::optional<Reply> {
        return Reply{0x8E, TextBytes(unit.data_mask_), Millis{0}};
    };
    handlers_[0x2C] = [](Unit& unit,
                         const Frame& frame) -> std::optional<Reply> {  // ReadRestriction
        if (unit.VersionNumber() < kRestrictionFirmware || frame.payload.size() != 1 ||
            frame.payload[0] > 15) {
            return std::nullopt;
        }
        const RestrictionEntry& entry = unit.restrictions_[frame.payload[0]];
        Reply reply{0x90, {frame.payload[0]}, Millis{0}};
        PutWord(reply.payload, entry.ua);
        std::size_t k = 0;
        for (; k < 8 && entry.start[k] != 0xFFFF; ++k) {
            PutWord(reply.payload, entry.start[k]);
            PutWord(reply.payload, entry.end[k]);
        }
        if (k < 8) {
            PutWord(reply.payload, 0xFFFF);
            PutWord(reply.payload, 0xFFFF);
        }
        return reply;
    };
    handlers_[0x2F] = [](Unit& unit, const Frame& frame) -> std::optional<Reply> {  // ApplyDefaults
        static constexpr std::uint8_t kSets[] = {1, 2, 4, 5, 6, 7, 8, 9};
        if (frame.payload.size() != 1 ||
            std::find(std::begin(kSets), std::end(kSets), frame.payload[0]) == std::end(kSets)) {
            return std::nullopt;
        }
        unit.registers_ = unit.factory_;
        unit.last_default_set_ = frame.payload[0];
        return Reply{0x93, {}, Millis{0}};
    };
    handlers_[0x4A] = [](Unit&, const Frame&) -> std::optional<Reply> {  // WakeUp
        return Reply{0xAE, {}, Millis{0}};
    };
    handlers_[0xFF] = [](Unit& unit, const Frame& frame) -> std::optional<Reply> {  // Reset
        // The unit restarts: what was not saved to memory is gone, and it hears nothing
        // until it is up again.
        unit.restrictions_ = unit.saved_restrictions_;
        unit.repeaters_ = unit.saved_repeaters_;
        unit.asleep_ = false;
        unit.deaf_until_ = frame.receivedAt + unit.reset_time_;
        ++unit.reset_count_;
        return std::nullopt;
    };
    handlers_[0x52] = [](Unit& unit,
                         const Frame& frame) -> std::optional<Reply> {  // SendRestriction
        const auto& p = frame.payload;
        if (unit.VersionNumber() < kRestrictionFirmware || p.size() != 35 || p[0] > 15) {
            return std::nullopt;
        }
        RestrictionEntry entry;
        entry.ua = GetWord(p, 1);
        for (std::size_t k = 0; k < 8; ++k) {
            entry.start[k] = GetWord(p, 3 + 4 * k);
            entry.end[k] = GetWord(p, 5 + 4 * k);
        }
        unit.restrictions_[p[0]] = entry;
        return Reply{0xB6, {}, Millis{0}};
    };
    handlers_[0x53] = [](Unit& unit, const Frame&) -> std::optional<Reply> {  // SaveToMemory
        if (unit.VersionNumber() < kRestrictionFirmware) {
            return std::nullopt;
        }
        unit.saved_restrictions_ = unit.restrictions_;
        unit.saved_repeaters_ = unit.repeaters_;
        return Reply{0xB7, {}, Millis{0}};
    };
    handlers_[0x54] = [](Unit& unit, const Frame& frame) -> std::optional<Reply> {  // Repeaters
        if (unit.VersionNumber() < kRepeaterFirmware ||
            (!frame.payload.empty() && frame.payload.size() != 32)) {
            return std::nullopt;
        }
        if (!frame.payload.empty()) {
            for (std::size_t i = 0; i < 16; ++i) {
                unit.repeaters_[i] = GetWord(frame.payload, 2 * i);
            }
        }
        Reply reply{0xB8, {}, Millis{0}};
        for (const std::uint16_t slot : unit.repeaters_) {
            PutWord(reply.payload, slot);
            if (slot == 0xFFFF) {
                break;
            }
        }
        return reply;
    };
}

}  // namespace skelvane::sim
