#include "document/register_help.h"

#include <cstdio>
#include <utility>

namespace skelvane {

namespace {

// What the registers a user meets on the Settings page do. Units in brackets.
constexpr std::pair<std::string_view, std::string_view> kPurposes[] = {
    {"OperatingMode",
     "What this unit is in the network: Master, Repeater or Remote, point-to-multipoint "
     "(PMP) or point-to-point (P-t-P)."},
    {"UnitAddress", "This unit's own address; no two units of a network may share one."},
    {"RoamingAddress", "The unit address this unit synchronises to when it roams."},
    {"DestAddess", "The unit address this unit's data goes to."},
    {"RepeaterYesNo", "Whether this unit also passes on the traffic of other units."},
    {"HopPattern", "The frequency-hopping pattern; the same on every unit of a network."},
    {"HopPatternOffset", "Shifts the hopping pattern; the same on every unit of a network."},
    {"TxPower", "Radio output power."},
    {"Retransmissions", "How often a packet that was not acknowledged is sent again."},
    {"FrequencyKey", "Selects the frequencies the pattern hops over; the same on every unit."},
    {"LinkRate",
     "Data rate over the air; it sets the channel spacing (kHz) the restrictions are checked "
     "with."},
    {"ChannelAccess", "How the units of a network take turns on the channel."},
    {"NetworkId", "The network's identity; units with another ID do not talk to this one."},
    {"ErrorCorrection",
     "Forward error correction of the radio link: fewer lost packets, less "
     "throughput."},
    {"Encryption", "Encrypts the data sent over the air."},
    {"SyncTimeout", "How long a unit keeps hopping without hearing its Master (hops)."},
    {"BaudRate", "Speed of the radio's data port (bit/s)."},
    {"DataFormat", "Data bits, parity and stop bits of the data port."},
    {"FlowControl", "Handshake of the data port."},
    {"SerialInterface", "Electrical interface of the data port."},
    {"CtsDelay", "Delay from RTS to CTS on the data port (ms)."},
    {"DcdControl", "How the data port's DCD line is driven."},
    {"RtsMode", "How the data port's RTS line is used."},
    {"AtCommands", "Whether the data port accepts AT commands."},
    {"CountryCode",
     "The country's band: lowest and highest frequency (kHz) and the free channels a "
     "restriction must leave."},
    {"MaxPacketSize", "Largest packet sent over the air (bytes)."},
    {"MinPacketSize", "Smallest packet sent over the air (bytes)."},
    {"PacketTimeout", "Pause on the data port after which the data received is sent (ms)."},
    {"BroadcastRepeats", "How often a broadcast packet is sent."},
    {"DataCompression", "Compresses the data before it is sent over the air."},
    {"SessionTimeout", "How long a session stays open without traffic (s)."},
    {"RepeaterFreqKey", "The frequency key repeaters use."},
    {"RepeaterHops", "Most repeaters a packet may pass on its way."},
    {"RoamingMode", "Whether a Remote may change to another Master or Repeater."},
    {"LinkLossTimeout", "How long without a link before the unit counts it as lost (s)."},
    {"SleepMode", "Lets the unit sleep to save power; a sleeping unit needs the wake-up tries."},
    {"LedMode", "What the unit's LEDs show."},
    {"RssiAlarm", "Received signal level below which the unit raises an alarm (-dBm)."},
    {"VersionNo", "The unit's firmware version; the Version button reads it."},
    {"SerialNo", "The unit's serial number; the Serial No. button reads it."},
};

std::string hexByte(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value & 0xFFu);
    return text;
}

}  // namespace

std::string_view RegisterPurpose(std::string_view parameterName) {
    for (const auto& [name, purpose] : kPurposes) {
        if (name == parameterName) {
            return purpose;
        }
    }
    return {};
}

std::string ParameterTip(const Parameter& parameter, bool readOnly) {
    std::string tip = parameter.desc.empty() ? parameter.name : parameter.desc;
    if (const std::string_view purpose = RegisterPurpose(parameter.name); !purpose.empty()) {
        tip += ": ";
        tip += purpose;
    }
    if (parameter.IsRange()) {
        const std::uint32_t highest =
            parameter.choices.size() > 1 ? parameter.choices[1].value : parameter.choices[0].value;
        tip += "\nRange: " + std::to_string(parameter.choices[0].value) + " to " +
               std::to_string(highest);
    } else if (!parameter.choices.empty()) {
        tip += "\nChoices: ";
        for (std::size_t i = 0; i < parameter.choices.size(); ++i) {
            tip += (i == 0 ? "" : ", ") + parameter.choices[i].name;
        }
    } else if (parameter.IsText()) {
        tip += "\nText";
    }
    if (!parameter.reg.empty()) {
        tip += "\nRegister: " + parameter.reg;
    }
    if (!parameter.vectors.empty()) {
        tip += parameter.vectors.size() == 1 ? " (id " : " (ids ";
        for (std::size_t i = 0; i < parameter.vectors.size(); ++i) {
            tip += (i == 0 ? "" : ", ") + hexByte(parameter.vectors[i]);
        }
        tip += ")";
    }
    if (readOnly) {
        tip += "\nRead-only";
    }
    return tip;
}

}  // namespace skelvane
