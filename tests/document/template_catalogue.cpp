#include "template_catalogue.h"

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <tuple>
#include <utility>

#include "base/format.h"

namespace skelvane::test {
namespace {

// Register groups as the radios read them: group g holds the ids 0x20*g to 0x20*g+0x1F.
// Groups 0 and 2 to 5 are the settings, 1 and 6 the live diagnostic values.
constexpr std::uint8_t kWriteRegisters = 0x46;

enum class Access : std::uint8_t { ReadOnly = 1, ReadWrite = 3 };

using KindValue = std::function<std::uint32_t(BlockKind)>;

KindValue Fixed(std::uint32_t value) {
    return [value](BlockKind) { return value; };
}

std::uint8_t TypeOfSize(std::size_t bytes) {
    return bytes == 1 ? 1 : bytes == 2 ? 2 : 3;
}

// "0x0E" for one register, "0x02-03" for a run of them.
std::string RegisterLabel(const std::vector<std::uint8_t>& ids) {
    if (ids.size() == 1) {
        return Format("0x%02X", ids.front());
    }
    return Format("0x%02X-%02X", ids.front(), ids.back());
}

// Entries with their own values.
std::vector<Choice> Choices(const std::vector<std::pair<const char*, std::uint32_t>>& entries) {
    std::vector<Choice> choices;
    for (const auto& [name, value] : entries) {
        Choice choice;
        choice.name = name;
        choice.value = value;
        choices.push_back(std::move(choice));
    }
    return choices;
}

std::vector<Choice> Range(std::uint32_t min, std::uint32_t max) {
    return Choices({{"Min", min}, {"Max", max}});
}

// Entries numbered from 0 in list order.
std::vector<Choice> Enumeration(const std::vector<const char*>& names) {
    std::vector<Choice> choices;
    for (const char* name : names) {
        Choice choice;
        choice.name = name;
        choice.value = static_cast<std::uint32_t>(choices.size());
        choices.push_back(std::move(choice));
    }
    return choices;
}

std::vector<std::uint8_t> Run(std::uint8_t first, std::size_t count) {
    std::vector<std::uint8_t> ids;
    for (std::size_t i = 0; i < count; ++i) {
        ids.push_back(static_cast<std::uint8_t>(first + i));
    }
    return ids;
}

// A setting of the unit: a number held in `ids` (most significant byte first), read with the
// group read of its ids and written with WriteRegisters; `sRegister` is the number of the
// matching AT S-register of the data port.
struct Setting {
    const char* name;
    const char* desc;
    std::vector<std::uint8_t> ids;
    int sRegister;
    std::vector<Choice> choices;
    KindValue value;
};

Parameter FromSetting(const Setting& s, BlockKind kind) {
    Parameter p;
    p.type = TypeOfSize(s.ids.size());
    p.name = s.name;
    p.desc = s.desc;
    p.reg = RegisterLabel(s.ids);
    p.getAT = Format("ATS%d?", s.sRegister);
    p.setAT = Format("ATS%d=", s.sRegister);
    p.getDIAG = static_cast<std::uint8_t>(s.ids.front() / 0x20);
    p.setDIAG = kWriteRegisters;
    p.access = static_cast<std::uint8_t>(Access::ReadWrite);
    p.readwrite = 2;
    p.visible = 1;
    p.value = s.value(kind);
    p.choices = s.choices;
    p.vectors = s.ids;
    return p;
}

// A text the unit reports or keeps in its own lists; it travels with its own request codes.
Parameter Text(std::string name, std::string desc, std::string reg, std::uint8_t getDiag,
               std::uint8_t setDiag, Access access, std::uint8_t visible, std::string text) {
    Parameter p;
    p.type = kTextParameterType;
    p.name = std::move(name);
    p.desc = std::move(desc);
    p.reg = std::move(reg);
    p.getDIAG = getDiag;
    p.setDIAG = setDiag;
    p.access = static_cast<std::uint8_t>(access);
    p.readwrite = access == Access::ReadOnly ? 1 : 2;
    p.visible = visible;
    p.textValue = std::move(text);
    return p;
}

// A live value of the Diagnostics page: never listed among the settings (`readwrite` 0).
Parameter Diagnostic(const char* name, const char* desc, std::vector<std::uint8_t> ids) {
    Parameter p;
    p.type = TypeOfSize(ids.size());
    p.name = name;
    p.desc = desc;
    p.reg = RegisterLabel(ids);
    p.getDIAG = static_cast<std::uint8_t>(ids.front() / 0x20);
    p.access = static_cast<std::uint8_t>(Access::ReadOnly);
    p.readwrite = 0;
    p.visible = 1;
    const std::uint32_t max =
        ids.size() >= 4 ? 0xFFFFFFFFu : (std::uint32_t{1} << (8 * ids.size())) - 1;
    p.choices = Range(0, max);
    p.vectors = std::move(ids);
    return p;
}

KindValue ByKind(std::uint32_t master, std::uint32_t repeater, std::uint32_t remote,
                 std::uint32_t radio) {
    return [=](BlockKind kind) {
        switch (kind) {
            case BlockKind::Master:
                return master;
            case BlockKind::Repeater:
                return repeater;
            case BlockKind::Remote:
                return remote;
            case BlockKind::Radio:
            case BlockKind::Network:
                break;
        }
        return radio;
    };
}

std::vector<Setting> Settings(const ModelTemplate& model) {
    const std::vector<const char*> linkRates =
        model.band24
            ? std::vector<const char*>{"38.4 kbps",  "230.4 kbps", "345.6 kbps", "460.8 kbps",
                                       "576.0 kbps", "691.2 kbps", "921.6 kbps", "1.024 Mbps",
                                       "2.304 Mbps", "115.2 kbps"}
            : std::vector<const char*>{"19.2 kbps",  "115.2 kbps", "172.8 kbps", "230.4 kbps",
                                       "276.5 kbps", "345.6 kbps", "460.8 kbps", "512.0 kbps",
                                       "1.152 Mbps", "57.6 kbps"};
    const std::vector<Choice> txPower =
        model.band24 ? Choices({{"10 mW", 10}, {"50 mW", 17}, {"100 mW", 20}, {"250 mW", 24}})
                     : Choices({{"100 mW", 20}, {"250 mW", 24}, {"500 mW", 27}, {"1 W", 30}});
    const std::uint32_t hopPatterns = model.band24 ? 39 : 63;
    const std::uint32_t defaultPower = model.band24 ? 20 : 30;
    const std::vector<const char*> onOff = {"Off", "On"};

    std::vector<Setting> settings;
    const auto add = [&settings](const char* name, const char* desc, std::vector<std::uint8_t> ids,
                                 int sRegister, std::vector<Choice> choices, KindValue value) {
        settings.push_back(
            {name, desc, std::move(ids), sRegister, std::move(choices), std::move(value)});
    };
    // Group 0: the radio link.
    add("OperatingMode", "Operating Mode", {0x01}, 101,
        Enumeration({"PMP Master", "PMP Repeater", "PMP Remote", "P-t-P Master", "P-t-P Remote",
                     "P-t-P Repeater"}),
        ByKind(0, 1, 2, 2));
    add("UnitAddress", "Unit Address", Run(0x02, 2), 102, Range(1, 65534), ByKind(1, 2, 3, 4));
    add("RoamingAddress", "Roaming Address", Run(0x04, 2), 104, Range(0, 65535),
        ByKind(0, 1, 1, 1));
    add("DestAddess", "Destination Address", Run(0x06, 2), 105, Range(0, 65535),
        ByKind(65535, 1, 1, 1));
    add("RepeaterYesNo", "Repeater", {0x08}, 106, Enumeration({"No", "Yes"}), ByKind(0, 1, 0, 0));
    add("HopPattern", "Hop Pattern", {0x09}, 107, Range(0, hopPatterns), Fixed(5));
    add("HopPatternOffset", "Hop Pattern Offset", {0x0A}, 108, Range(0, 15), Fixed(0));
    add("TxPower", "Transmit Power", {0x0B}, 109, txPower, Fixed(defaultPower));
    add("Retransmissions", "Retransmissions", {0x0C}, 110, Range(0, 15), Fixed(3));
    add("FrequencyKey", "Frequency Key", {0x0D}, 111, Range(0, 14), Fixed(0));
    add("LinkRate", "Link Rate", {0x0E}, 103, Enumeration(linkRates), Fixed(1));
    add("ChannelAccess", "Channel Access", {0x0F}, 112,
        Enumeration({"Polled", "Contention", "Listen Before Talk"}), Fixed(1));
    add("NetworkId", "Network ID", Run(0x10, 2), 113, Range(1, 4095), Fixed(100));
    add("ErrorCorrection", "Forward Error Correction", {0x12}, 114, Enumeration(onOff), Fixed(1));
    add("Encryption", "Encryption", {0x13}, 115, Enumeration({"Off", "AES-128", "AES-256"}),
        Fixed(0));
    add("SyncTimeout", "Sync Timeout (hops)", {0x14}, 116, Range(1, 255), Fixed(32));
    // Group 2: the serial interface and the country.
    add("BaudRate", "Serial Baud Rate", {0x40}, 120,
        Enumeration(
            {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200", "230400"}),
        Fixed(3));
    add("DataFormat", "Data Format", {0x41}, 121,
        Enumeration({"8N1", "8N2", "8E1", "8O1", "7N2", "7E1", "7O1", "7E2", "7O2"}), Fixed(0));
    add("FlowControl", "Flow Control", {0x42}, 122, Enumeration({"None", "RTS/CTS", "XON/XOFF"}),
        Fixed(0));
    add("SerialInterface", "Serial Interface", {0x43}, 123,
        Enumeration({"RS-232", "RS-485", "RS-422"}), Fixed(0));
    add("CtsDelay", "CTS Delay (ms)", {0x44}, 124, Range(0, 255), Fixed(0));
    add("DcdControl", "DCD Control", {0x45}, 125,
        Enumeration({"Always On", "Link Status", "Data Carrier"}), Fixed(1));
    add("RtsMode", "RTS Mode", {0x46}, 126,
        Enumeration({"Ignored", "Flow Control", "Keys Transmitter"}), Fixed(0));
    add("AtCommands", "AT Commands", {0x47}, 127, Enumeration({"Disabled", "Enabled"}), Fixed(1));
    add("CountryCode", "Country Code", {0x59}, 128,
        Enumeration({"North America", "Australia", "New Zealand", "North America2", "New Zealand2",
                     "New Zealand3", "New Zealand4"}),
        Fixed(0));
    // Group 3: packets.
    add("MaxPacketSize", "Max Packet Size (bytes)", {0x60}, 130,
        Enumeration({"16", "32", "64", "128", "256", "512", "1024", "2048"}), Fixed(5));
    add("MinPacketSize", "Min Packet Size (bytes)", {0x61}, 131,
        Enumeration({"1", "2", "4", "8", "16", "32", "64", "128"}), Fixed(0));
    add("PacketTimeout", "Packet Timeout (ms)", Run(0x62, 2), 132, Range(2, 1000), Fixed(20));
    add("BroadcastRepeats", "Broadcast Repeats", {0x64}, 133, Range(0, 15), Fixed(2));
    add("DataCompression", "Data Compression", {0x65}, 134, Enumeration(onOff), Fixed(1));
    add("SessionTimeout", "Session Timeout (s)", Run(0x66, 4), 135, Range(0, 86400), Fixed(0));
    // Group 4: repeaters and roaming.
    add("RepeaterFreqKey", "Repeater Frequency Key", {0x80}, 140, Range(0, 14), Fixed(0));
    add("RepeaterHops", "Max Repeater Hops", {0x81}, 141, Range(0, 7), ByKind(1, 1, 1, 1));
    add("RoamingMode", "Roaming", {0x82}, 142,
        Enumeration({"Off", "Roam to Master", "Roam to Any"}), ByKind(0, 0, 1, 0));
    add("LinkLossTimeout", "Link Loss Timeout (s)", {0x83}, 143, Range(1, 255), Fixed(30));
    // Group 5: the unit itself.
    add("SleepMode", "Sleep Mode", {0xA0}, 150, Enumeration({"Off", "On DTR", "Timed"}), Fixed(0));
    add("LedMode", "LED Display", {0xA1}, 151, Enumeration({"Normal", "Off", "Diagnostics"}),
        Fixed(0));
    add("RssiAlarm", "RSSI Alarm Level (-dBm)", {0xA2}, 152, Range(60, 120), Fixed(105));
    return settings;
}

// A radio of the model with its kind's template parameters, a name and a unit address.
Block* AddRadio(NetworkFile& document, const ModelTemplate& model, BlockKind kind, const char* name,
                std::int32_t x, std::int32_t y, std::uint32_t unitAddress) {
    std::unique_ptr<Block> block = CreateBlock(static_cast<int>(kind));
    block->CreateDefaultLinks(document.Ids());
    block->SetPosition(x, y);
    block->SetName(name);
    block->Parameters() = TemplateParameters(model, kind);
    block->FindParameter("UnitAddress")->value = unitAddress;
    return document.Root()->AppendChild(std::move(block));
}

Block* NewMaster(NetworkFile& document, const ModelTemplate& model) {
    Block* master = document.NewNetwork();
    master->Parameters() = TemplateParameters(model, BlockKind::Master);
    return master;
}

// A 900 MHz Master with two Remotes hanging off its output.
void BuildStar(NetworkFile& document) {
    const ModelTemplate& model = ModelNamed("TAVRIN-A");
    const std::int32_t out = NewMaster(document, model)->Outputs().front().id;
    AddRadio(document, model, BlockKind::Remote, "2", 40, 200, 2)->ConnectInput("~", out);
    AddRadio(document, model, BlockKind::Remote, "3", 200, 200, 3)->ConnectInput("~", out);
}

// A 2.4 GHz chain: Master -> Repeater -> two Remotes, one of them with a Latin-1 name.
void BuildChain(NetworkFile& document) {
    const ModelTemplate& model = ModelNamed("MORVEX-A");
    Block* master = NewMaster(document, model);
    Block* repeater = AddRadio(document, model, BlockKind::Repeater, "10", 40, 168, 10);
    repeater->ConnectInput("~", master->Outputs().front().id);
    const std::int32_t out = repeater->Outputs().front().id;
    for (const auto& [name, x, ua] :
         {std::tuple{"Ma\xEEtre-B\xE2le", 40, 20u}, std::tuple{"21", 200, 21u}}) {
        Block* remote = AddRadio(document, model, BlockKind::Remote, name, x, 296, ua);
        remote->ConnectInput("~", out);
        // Remotes behind the repeater talk to it.
        remote->FindParameter("DestAddess")->value = 10;
        remote->FindParameter("RoamingAddress")->value = 10;
    }
}

}  // namespace

const std::vector<ModelTemplate>& ModelTemplates() {
    static const std::vector<ModelTemplate> models = {
        {"TAVRIN-A", "TAVRIN-A.TPL", false},
        {"MORVEX-A", "MORVEX-A.TPL", true},
    };
    return models;
}

const ModelTemplate& ModelNamed(const std::string& modelName) {
    for (const ModelTemplate& model : ModelTemplates()) {
        if (model.modelName == modelName) {
            return model;
        }
    }
    throw std::invalid_argument("no model " + modelName);
}

std::vector<Parameter> TemplateParameters(const ModelTemplate& model, BlockKind kind) {
    std::vector<Parameter> parameters;
    for (const Setting& setting : Settings(model)) {
        parameters.push_back(FromSetting(setting, kind));
    }
    // What the unit tells about itself. The data mask is written back with its own request.
    parameters.push_back(
        Text("VersionNo", "Firmware Version", "VER", 0x28, 0, Access::ReadOnly, 1, ""));
    parameters.push_back(Text("SerialNo", "Serial Number", "SN", 0x29, 0, Access::ReadOnly, 1, ""));
    parameters.push_back(
        Text("DataMask", "Data Mask", "MASK", 0x2A, 0x51, Access::ReadWrite, 1, ""));
    // The restriction table and the repeater list are edited on their own page, with their
    // own checks, so the settings list does not offer them.
    for (int i = 1; i <= 16; ++i) {
        const std::string name = Format("FrequencyRestriction%d", i);
        const std::string desc = Format("Restriction %d", i);
        const std::string reg = Format("FR%d", i);
        parameters.push_back(
            Text(name.c_str(), desc.c_str(), reg.c_str(), 0x2C, 0x52, Access::ReadWrite, 0, "0"));
    }
    parameters.push_back(
        Text("RepeaterRegistration", "Repeaters", "RPT", 0x54, 0x54, Access::ReadWrite, 0, "0"));
    // Group 1: counters; group 6: measurements.
    parameters.push_back(Diagnostic("DiagSyncLost", "Sync Lost", Run(0x20, 2)));
    parameters.push_back(Diagnostic("DiagCRCErrors", "CRC Errors", Run(0x22, 2)));
    parameters.push_back(Diagnostic("DiagCorrectedErrors", "Corrected Errors", Run(0x24, 2)));
    parameters.push_back(Diagnostic("DiagTxPackets", "Transmitted Packets", Run(0x26, 4)));
    parameters.push_back(Diagnostic("DiagRxPackets", "Received Packets", Run(0x2A, 4)));
    parameters.push_back(Diagnostic("DiagTxKbytes", "Transmitted kBytes", Run(0x2E, 4)));
    parameters.push_back(Diagnostic("DiagRxKbytes", "Received kBytes", Run(0x32, 4)));
    parameters.push_back(Diagnostic("DiagVSWR", "VSWR", Run(0xC0, 2)));
    parameters.push_back(Diagnostic("DiagForwardPower", "Forward Power", {0xC2}));
    parameters.push_back(Diagnostic("DiagReflectedPower", "Reflected Power", {0xC3}));
    parameters.push_back(Diagnostic("DiagRSSI", "RSSI (dBm)", {0xC4}));
    parameters.push_back(Diagnostic("DiagVoltage", "Supply Voltage (V)", Run(0xC5, 2)));
    parameters.push_back(Diagnostic("DiagTemperature", "Temperature (C)", {0xC7}));
    return parameters;
}

void BuildTemplate(const ModelTemplate& model, NetworkFile& document) {
    document.Clear();
    document.SetRoot(CreateBlock(static_cast<int>(BlockKind::Network)));
    // Children are walked newest first: appended backwards, the file lists Master first.
    for (const BlockKind kind :
         {BlockKind::Radio, BlockKind::Remote, BlockKind::Repeater, BlockKind::Master}) {
        std::unique_ptr<Block> block = CreateBlock(static_cast<int>(kind));
        block->Parameters() = TemplateParameters(model, kind);
        document.Root()->AppendChild(std::move(block));
    }
}

void BuildConfiguration(NetworkFile& document) {
    document.Clear();
    document.SetRoot(CreateBlock(static_cast<int>(BlockKind::Network)));
    std::unique_ptr<Block> block = CreateBlock(static_cast<int>(BlockKind::Radio));
    block->SetName("Configuration");
    Parameter models;
    models.type = kTextParameterType;
    models.name = "NetworkTemplates";
    models.desc = "Radio models and their template files";
    for (const ModelTemplate& model : ModelTemplates()) {
        models.choices.push_back(
            {model.modelName, model.fileName, static_cast<std::uint32_t>(models.choices.size())});
    }
    block->AddParameter(std::move(models));
    document.Root()->AppendChild(std::move(block));
}

const std::vector<ExampleNetwork>& ExampleNetworks() {
    static const std::vector<ExampleNetwork> networks = {
        {"star-network.xml", BuildStar},
        {"chain-network.xml", BuildChain},
    };
    return networks;
}

}  // namespace skelvane::test
