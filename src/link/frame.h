#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace skelvane {

// A diagnostic frame, the same layout both ways: LEN (the number of bytes that follow), UA
// high, UA low, code, payload. LEN is one byte, so a frame is at most 256 bytes and its
// payload at most 252.
inline constexpr std::size_t kMaxFrameSize = 256;
inline constexpr std::size_t kFrameHeaderSize = 4;
inline constexpr std::size_t kMaxFramePayload = kMaxFrameSize - kFrameHeaderSize;
// A register reply carries two bytes (id, value) per register, so one request asks for at
// most this many registers and one write carries at most this many pairs.
inline constexpr std::size_t kMaxRegistersPerFrame = kMaxFramePayload / 2;

// Request codes.
namespace request {
inline constexpr std::uint8_t kReadGroup0 = 0x00;  // 0x00..0x06: the code is the group number
inline constexpr std::uint8_t kReadRegisters = 0x14;
inline constexpr std::uint8_t kWriteRegisters = 0x46;  // "F"
inline constexpr std::uint8_t kWriteDataMask = 0x51;   // "Q"
inline constexpr std::uint8_t kReadVersion = 0x28;     // "("
inline constexpr std::uint8_t kReadSerialNumber = 0x29;
inline constexpr std::uint8_t kReadDataMask = 0x2A;      // "*"
inline constexpr std::uint8_t kReadRestriction = 0x2C;   // ",", payload: entry index
inline constexpr std::uint8_t kSendRestriction = 0x52;   // "R"
inline constexpr std::uint8_t kSaveRestrictions = 0x53;  // "S": to the unit's memory
inline constexpr std::uint8_t kRepeaters = 0x54;         // "T": get with no payload, send 16 slots
inline constexpr std::uint8_t kApplyDefaults = 0x2F;     // "/"
inline constexpr std::uint8_t kWakeUp = 0x4A;            // "J"
inline constexpr std::uint8_t kReset = 0xFF;
}  // namespace request

// Reply codes.
namespace reply {
inline constexpr std::uint8_t kRegisters = 0x64;  // "d"
inline constexpr std::uint8_t kHello = 0x5A;      // "Z", payload "HELLO" and a zero byte
inline constexpr std::uint8_t kVersion = 0x8C;
inline constexpr std::uint8_t kSerialNumber = 0x8D;
inline constexpr std::uint8_t kDataMask = 0x8E;
inline constexpr std::uint8_t kRestriction = 0x90;
inline constexpr std::uint8_t kRestrictionSent = 0xB6;
inline constexpr std::uint8_t kRestrictionsSaved = 0xB7;
inline constexpr std::uint8_t kRepeaters = 0xB8;
inline constexpr std::uint8_t kDefaults = 0x93;
inline constexpr std::uint8_t kWakeUp = 0xAE;
}  // namespace reply

// The most characters of a data mask a write carries.
inline constexpr std::size_t kMaxDataMaskLength = 32;

// A whole frame: LEN, UA high, UA low, code, payload. A payload longer than a frame can hold
// is cut to 252 bytes.
std::vector<std::uint8_t> BuildFrame(std::uint16_t ua, std::uint8_t code,
                                     std::span<const std::uint8_t> payload = {});

// The payload of a received frame (bytes 4 to LEN); empty when the frame has none.
std::span<const std::uint8_t> FramePayload(std::span<const std::uint8_t> frame);

// The text of a text reply (version, serial number, data mask): the payload up to its first
// zero byte, at most `maxLength` characters.
std::string PayloadText(std::span<const std::uint8_t> frame, std::size_t maxLength);

}  // namespace skelvane
