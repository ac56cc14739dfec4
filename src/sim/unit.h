#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "base/clock.h"
#include "sim/faults.h"

namespace skelvane::sim {

class PortContext;

// Firmware versions (version text from its second character on, times 10000) from which a
// unit knows the restriction codes and the repeater code.
inline constexpr std::uint32_t kRestrictionFirmware = 31080;
inline constexpr std::uint32_t kRepeaterFirmware = 32320;

// The speed of the diagnostic port.
inline constexpr std::uint32_t kDiagnosticBaud = 115200;

// The line between the host and the unit on the cable, as the host set it.
struct LineState {
    std::uint32_t baudRate = 9600;
    std::uint8_t byteSize = 8;
    std::uint8_t parity = 0;    // Win32 codes: 0 none
    std::uint8_t stopBits = 0;  // Win32 codes: 0 one
    bool dtr = false;
    bool rts = false;

    friend bool operator==(const LineState&, const LineState&) = default;
};

// A request as a unit receives it (UA, code, the bytes after the code) and its reply.
struct Frame {
    std::uint16_t ua = 0;
    std::uint8_t code = 0;
    std::vector<std::uint8_t> payload;
    Millis receivedAt{0};
};

struct Reply {
    std::uint8_t code = 0;
    std::vector<std::uint8_t> payload;  // at most 252 bytes go out; more are cut
    Millis delay{0};                    // time the unit takes beyond its usual response time
    // A whole reply frame to an earlier request that was held back: it goes out just before
    // this one.
    std::vector<std::uint8_t> late;
    // This reply is held back (only `late` goes out now).
    bool withheld = false;
};

// Answers one request code; nullopt sends nothing back.
using FrameHandler = std::function<std::optional<Reply>(class Unit&, const Frame&)>;

// One entry of the frequency-restriction table: a UA and up to eight ranges as kHz offsets
// from 902400 kHz; a vacant range holds 0xFFFF in both fields.
struct RestrictionEntry {
    std::uint16_t ua = 0;
    std::array<std::uint16_t, 8> start;
    std::array<std::uint16_t, 8> end;

    RestrictionEntry() {
        start.fill(0xFFFF);
        end.fill(0xFFFF);
    }
    friend bool operator==(const RestrictionEntry&, const RestrictionEntry&) = default;
};

using RepeaterSlots = std::array<std::uint16_t, 16>;

// What the unit on the cable is doing with the bytes of its port. Each mode has its own
// handler; Diagnostic (the framed protocol) is built in, the others are plugged in by the
// code that simulates them.
enum class UnitMode { Diagnostic, Boot, Data };

// The byte side of one mode of the unit on the cable.
class PortHandler {
  public:
    virtual ~PortHandler() = default;
    // Bytes from the host while this handler's mode is active.
    virtual void OnBytes(PortContext& port, std::span<const std::uint8_t> bytes) = 0;
    // The host changed the speed, DTR or RTS. Every handler of the unit hears of it,
    // whichever mode is active, so a handler can watch for the sequence that starts its mode.
    virtual void OnLineChange(PortContext& /*port*/, const LineState& /*previous*/) {}
    virtual void OnEnter(PortContext& /*port*/) {}
    virtual void OnLeave(PortContext& /*port*/) {}
};

// A register value the unit keeps changing by itself: a counter that grows with time, or a
// level that wanders around its centre. `ids` hold the value most significant byte first.
struct LiveValue {
    enum class Kind { Counter, Level };
    std::string name;
    std::vector<std::uint8_t> ids;
    Kind kind = Kind::Counter;
    double ratePerSecond = 0;  // Counter
    double centre = 0;         // Level
    double spread = 0;         // Level
    double carry = 0;          // fraction a counter has not yet shown
};

// The diagnostic counters and measurements of groups 1 and 6 when nothing else says where
// they are.
std::vector<LiveValue> DefaultLiveValues();

// One radio: its 256 registers, version, serial number and data mask texts, restriction
// table and repeater list, and how it behaves (asleep, silent, answering with another UA,
// running old firmware). A unit is owned by a Network, which calls HandleRequest under its
// lock; change a unit's behaviour while no exchange runs, or through Network::Locked.
class Unit {
  public:
    explicit Unit(std::uint16_t ua = 1);
    Unit(const Unit&) = delete;
    Unit& operator=(const Unit&) = delete;

    std::uint16_t Ua() const { return ua_; }
    void SetUa(std::uint16_t ua) { ua_ = ua; }
    // Replies carry this UA instead of the unit's own.
    void SetAnswerUa(std::optional<std::uint16_t> ua) { answer_ua_ = ua; }
    std::uint16_t ReplyUa() const { return answer_ua_.value_or(ua_); }

    // Registers. Seeding also sets the factory image that ApplyDefaults restores.
    std::uint8_t Register(std::uint8_t id) const { return registers_[id]; }
    void SetRegister(std::uint8_t id, std::uint8_t value) { registers_[id] = value; }
    const std::array<std::uint8_t, 256>& Registers() const { return registers_; }
    void SeedRegisters(const std::map<std::uint8_t, std::uint8_t>& values);
    // A value of ids.size() bytes, most significant byte into the first id.
    void SeedValue(std::span<const std::uint8_t> ids, std::uint32_t value);
    std::uint32_t Value(std::span<const std::uint8_t> ids) const;

    void SetVersion(std::string text) { version_ = std::move(text); }
    const std::string& Version() const { return version_; }
    // The version text from its second character on, times 10000 (exact in decimal).
    std::uint32_t VersionNumber() const;
    void SetSerialNumber(std::string text) { serial_ = std::move(text); }
    const std::string& SerialNumber() const { return serial_; }
    void SetDataMask(std::string text);
    const std::string& DataMask() const { return data_mask_; }

    // The table as the unit uses it and as saved to its memory; a reset goes back to the
    // saved one. Setting an entry here sets both.
    const RestrictionEntry& Restriction(std::size_t index) const { return restrictions_.at(index); }
    const RestrictionEntry& SavedRestriction(std::size_t index) const {
        return saved_restrictions_.at(index);
    }
    void SetRestriction(std::size_t index, const RestrictionEntry& entry);
    const RepeaterSlots& Repeaters() const { return repeaters_; }
    const RepeaterSlots& SavedRepeaters() const { return saved_repeaters_; }
    void SetRepeaters(const RepeaterSlots& slots);

    // Asleep, the unit ignores every request but WakeUp ("J"); it wakes after `wakeRequests`
    // of them and answers the last one.
    void SetAsleep(bool asleep, int wakeRequests = 1);
    bool Asleep() const { return asleep_; }
    // Stops answering after this many replies (-1: never).
    void SetSilentAfter(int replies) { silent_after_ = replies; }
    int RepliesSent() const { return replies_sent_; }
    // After a Reset request the unit is deaf for this long.
    void SetResetTime(Millis time) { reset_time_ = time; }
    bool Deaf(Millis now) const { return now < deaf_until_; }
    int ResetCount() const { return reset_count_; }
    int LastDefaultSet() const { return last_default_set_; }

    // Faults on what this unit receives and sends (besides those of the cable).
    FaultFilter& RequestFaults() { return request_faults_; }
    FaultFilter& ReplyFaults() { return reply_faults_; }

    // Extension points: a handler per request code (replacing a built-in one; an empty
    // handler removes the code), and a port handler per mode for the unit on the cable.
    void SetFrameHandler(std::uint8_t code, FrameHandler handler);
    bool HasFrameHandler(std::uint8_t code) const { return handlers_.count(code) != 0; }
    void SetPortHandler(UnitMode mode, std::shared_ptr<PortHandler> handler);
    PortHandler* PortHandlerFor(UnitMode mode) const;
    const std::map<UnitMode, std::shared_ptr<PortHandler>>& PortHandlers() const {
        return port_handlers_;
    }
    UnitMode Mode() const { return mode_; }
    // Switch modes with PortContext::SetMode, which also tells the handlers; this only
    // records the mode.
    void RecordMode(UnitMode mode) { mode_ = mode; }

    void SetLiveValues(std::vector<LiveValue> values) { live_ = std::move(values); }
    const std::vector<LiveValue>& LiveValues() const { return live_; }
    // Moves the live values on to `now`.
    void UpdateLiveValues(Millis now);

    // A whole request frame in, the whole reply frame out (nullopt: no answer). `delay`
    // receives the extra time the reply takes.
    std::optional<std::vector<std::uint8_t>> HandleRequest(std::span<const std::uint8_t> frame,
                                                           Millis now, Millis& delay);
    // The reply frame for a reply: LEN, UA, code, payload.
    std::vector<std::uint8_t> BuildReply(const Reply& reply) const;

  private:
    void InstallBuiltInHandlers();
    std::optional<Reply> RegisterPairs(std::span<const std::uint8_t> ids, Millis now);

    std::uint16_t ua_;
    std::optional<std::uint16_t> answer_ua_;
    std::array<std::uint8_t, 256> registers_{};
    std::array<std::uint8_t, 256> factory_{};
    std::string version_ = "V4.45";
    std::string serial_;
    std::string data_mask_ = "FFFFFFFF";
    std::array<RestrictionEntry, 16> restrictions_;
    std::array<RestrictionEntry, 16> saved_restrictions_;
    RepeaterSlots repeaters_;
    RepeaterSlots saved_repeaters_;
    bool asleep_ = false;
    int wake_requests_ = 1;
    int wake_heard_ = 0;
    int silent_after_ = -1;
    int replies_sent_ = 0;
    Millis reset_time_{1000};
    Millis deaf_until_{0};
    int reset_count_ = 0;
    int last_default_set_ = 0;
    FaultFilter request_faults_;
    FaultFilter reply_faults_;
    std::map<std::uint8_t, FrameHandler> handlers_;
    std::map<UnitMode, std::shared_ptr<PortHandler>> port_handlers_;
    UnitMode mode_ = UnitMode::Diagnostic;
    std::vector<LiveValue> live_;
    std::optional<Millis> live_updated_;
    std::mt19937 random_;
};

}  // namespace skelvane::sim
