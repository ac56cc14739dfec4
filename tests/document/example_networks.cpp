#include "example_networks.h"

#include <tuple>
#include <utility>

#include "template_catalogue.h"

namespace skelvane::test {
namespace {

Parameter Make(std::uint8_t type, const char* name, const char* desc, const char* reg,
               std::uint8_t readwrite, std::uint32_t value, std::vector<Choice> choices,
               std::vector<std::uint8_t> vectors, std::string textValue = {}) {
    Parameter p;
    p.type = type;
    p.name = name;
    p.desc = desc;
    p.reg = reg;
    p.getDIAG = 0x29;
    p.setDIAG = 0x2A;
    p.readwrite = readwrite;
    p.visible = 1;
    p.value = value;
    p.choices = std::move(choices);
    p.vectors = std::move(vectors);
    p.textValue = std::move(textValue);
    return p;
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

std::vector<Parameter> RadioParameters(std::uint32_t unitAddress, std::uint32_t operatingMode) {
    return {
        Make(2, "UnitAddress", "Unit Address", "0x10", 2, unitAddress,
             {{"Min", "", 1}, {"Max", "", 65534}}, {0x10, 0x11}),
        Make(1, "OperatingMode", "Operating Mode", "0x0D", 2, operatingMode,
             {{"Master", "", 1}, {"Repeater", "", 2}, {"Remote", "", 3}}, {0x0D}),
        Make(1, "LinkRate", "Link Rate", "0x0E", 2, 0,
             {{"115.2 kbps", "", 0}, {"153.6 kbps", "", 1}, {"76.8 kbps", "", 2}}, {0x0E}),
        Make(1, "CountryCode", "Country Code", "0x59", 2, 0,
             {{"North America", "", 0}, {"Australia", "", 1}, {"New Zealand", "", 2}}, {0x59}),
        Make(1, "TxPower", "Transmit Power (dBm)", "0x2A", 2, 30,
             {{"Min", "", 20}, {"Max", "", 30}}, {0x2A}),
        Make(2, "RoamingAddress", "Roaming Address", "0x12", 2, 0,
             {{"Min", "", 0}, {"Max", "", 65535}}, {0x12, 0x13}),
        Make(1, "RepeaterYesNo", "Repeater in Path", "0x20", 2, 0, {{"No", "", 0}, {"Yes", "", 1}},
             {0x20}),
        Make(4, "FrequencyRestriction1", "Frequency Restriction 1", "0x60", 2, 0, {}, {}, "0"),
        Make(3, "SerialNumber", "Serial Number", "0x01", 1, 0, {}, {0x01, 0x02, 0x03, 0x04}),
    };
}

const std::vector<ExampleNetwork>& ExampleNetworks() {
    static const std::vector<ExampleNetwork> networks = {
        {"star-network.xml", BuildStar},
        {"chain-network.xml", BuildChain},
    };
    return networks;
}

}  // namespace skelvane::test
