#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "document/parameter.h"
#include "link/device_link.h"

namespace skelvane {

// Operation codes of the Diagnostics page.
enum class DiagnosticsOp {
    Read = 0x20,
    Get = 0x22,
    Set = 0x23,
};

// The "Custom Parameter": one register value of 1, 2 or 4 bytes. ids[0] is id1, the least
// significant byte (the only one of a 1-byte value); ids[3] is id4, the most significant.
struct CustomParameter {
    int size = 1;
    std::array<std::uint8_t, 4> ids{};
    std::uint32_t value = 0;
};

// The thirteen diagnostic values that have a value cell, in the order of the unit's groups.
inline constexpr std::array<std::string_view, 13> kDiagnosticNames = {
    "DiagSyncLost",       "DiagCRCErrors", "DiagCorrectedErrors",
    "DiagTxPackets",      "DiagRxPackets", "DiagTxKbytes",
    "DiagRxKbytes",       "DiagVSWR",      "DiagForwardPower",
    "DiagReflectedPower", "DiagRSSI",      "DiagVoltage",
    "DiagTemperature"};

// How a diagnostic value is shown: counters as numbers, "DiagVSWR" / 1000 and "DiagVoltage"
// x 36194 / 256000 with two decimals, "DiagRSSI" with a minus sign, "DiagTemperature" less
// 55 (negative below 55). Names compared without regard to case; nullopt for any other name.
std::optional<std::string> FormatDiagValue(std::string_view name, std::uint32_t value);

// The request frames of Get and Set: ReadRegisters with id1 (size 1), id1 id2 (size 2) or
// id1 to id4 (size 4), and WriteRegisters with the pairs (id1, bits 0-7), (id2, bits 8-15),
// ...; any other size gives the bare request.
std::vector<std::uint8_t> CustomReadFrame(const DeviceLink& link, const CustomParameter& custom);
std::vector<std::uint8_t> CustomWriteFrame(const DeviceLink& link, const CustomParameter& custom);

// The Diagnostics reply parser: CheckReply, then register values into the custom value (id1
// replaces it, id2 to id4 are ORed in at their bytes; all four compared whatever the size)
// and into `parameters`, after which `valueField` shows the custom value; the version,
// serial number and data mask texts into their parameters. 0 for a malformed reply, else 1.
int ParseDiagReply(DeviceLink& link, std::vector<Parameter>& parameters, CustomParameter& custom,
                   std::string& valueField, const std::uint8_t* buffer, std::size_t count);

// The register ids a reply carried, by id.
using RegisterSet = std::array<bool, 256>;

// The value several readings of one value agree on: with three readings, their median; with
// two (or three of which one did not carry the value), the value when both are equal;
// otherwise nullopt. A single damaged reading is thus never taken unless it lies between two
// real ones.
std::optional<std::uint32_t> AgreedValue(std::span<const std::optional<std::uint32_t>> readings);

// Diagnostic replies carry no checksum: a bit flipped in a value byte of an otherwise
// well-formed reply looks like a real value. So a register group is read twice, and a third
// time when any value the two readings carry differs between them (measured levels and
// counters move between readings on a working unit); each value then stands as AgreedValue
// gives it. `readOnce` asks for the group once and parses the reply into the parameters it is
// given (a copy of `parameters`), returning the ids the reply carried, or nullopt when no
// reply came (no further reading is then taken). The values that stand are stored into
// `parameters` and marked in `settled` (one flag per parameter); a value the readings carry
// but do not agree on is left as it was and marked unsettled. False when the first reading
// got no reply.
bool ReadGroupConfirmed(
    std::vector<Parameter>& parameters, std::vector<bool>& settled,
    const std::function<std::optional<RegisterSet>(std::vector<Parameter>&)>& readOnce);

}  // namespace skelvane
