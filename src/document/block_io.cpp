// Reading and writing blocks in the network file. Layout of a block element:
//   <Block type xpos ypos name>
//     <Links><Link type id name/>...</Links>              inputs (type 0) first, then outputs
//     <Parameters>
//       <Parameter type name desc reg setAT getAT setDIAG getDIAG access readwrite visible value>
//         <Choices><Choice name desc value/>...</Choices>
//         <Vectors><Vector value/>...</Vectors>
//       </Parameter>...
//     </Parameters>
//     <Blocks><Block .../>...</Blocks>                     Network blocks with children only
//   </Block>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "document/block.h"
#include "document/xml_archive.h"

namespace skelvane {
namespace {

constexpr std::int32_t kInputLinkType = 0;
constexpr std::int32_t kOutputLinkType = 1;

// A parameter's attributes between its type and its value, in the order they are written:
// the texts (each read up to its most characters), then the one-byte flags.
struct TextAttribute {
    const char* name;
    std::string Parameter::*member;
    std::size_t maxLength;
};
constexpr TextAttribute kTextAttributes[] = {{"name", &Parameter::name, kParameterNameMax},
                                             {"desc", &Parameter::desc, kParameterDescMax},
                                             {"reg", &Parameter::reg, kRegisterTextMax},
                                             {"setAT", &Parameter::setAT, kRegisterTextMax},
                                             {"getAT", &Parameter::getAT, kRegisterTextMax}};
struct ByteAttribute {
    const char* name;
    std::uint8_t Parameter::*member;
};
constexpr ByteAttribute kByteAttributes[] = {{"setDIAG", &Parameter::setDIAG},
                                             {"getDIAG", &Parameter::getDIAG},
                                             {"access", &Parameter::access},
                                             {"readwrite", &Parameter::readwrite},
                                             {"visible", &Parameter::visible}};

Parameter ReadParameter(XmlArchive& archive) {
    Parameter p;
    archive.ReadUint8("type", p.type);
    for (const TextAttribute& attribute : kTextAttributes) {
        archive.ReadText(attribute.name, p.*attribute.member, attribute.maxLength);
    }
    for (const ByteAttribute& attribute : kByteAttributes) {
        archive.ReadUint8(attribute.name, p.*attribute.member);
    }
    if (p.IsText()) {
        archive.ReadText("value", p.textValue, kTextValueMax);
    } else {
        archive.ReadUint32("value", p.value);
    }
    // The choices and register ids belong to the record they are written under, also when an
    // earlier parameter has the same name.
    if (archive.Enter("Choices")) {
        while (archive.Enter("Choice")) {
            Choice choice;
            archive.ReadText("name", choice.name, kChoiceTextMax);
            archive.ReadText("desc", choice.desc, kChoiceTextMax);
            archive.ReadUint32("value", choice.value);
            p.choices.push_back(std::move(choice));
            archive.Leave();
        }
        archive.Leave();
    }
    if (archive.Enter("Vectors")) {
        while (archive.Enter("Vector")) {
            std::uint8_t registerId = 0;
            archive.ReadUint8("value", registerId);
            p.vectors.push_back(registerId);
            archive.Leave();
        }
        archive.Leave();
    }
    return p;
}

bool WriteLinks(XmlArchive& archive, const std::vector<LinkEnd>& ends, std::int32_t type) {
    for (const LinkEnd& end : ends) {
        if (!archive.AddChild("Link")) {
            return false;
        }
        archive.WriteInt32("type", type);
        archive.WriteInt32("id", end.id);
        archive.WriteText("name", end.name);
        archive.Leave();
    }
    return true;
}

bool WriteParameter(XmlArchive& archive, const Parameter& p) {
    archive.WriteUint8("type", p.type);
    for (const TextAttribute& attribute : kTextAttributes) {
        archive.WriteText(attribute.name, p.*attribute.member);
    }
    for (const ByteAttribute& attribute : kByteAttributes) {
        archive.WriteUint8(attribute.name, p.*attribute.member);
    }
    if (p.IsText()) {
        archive.WriteText("value", p.textValue);
    } else {
        archive.WriteUint32("value", p.value);
    }

    if (!archive.AddChild("Choices")) {
        return false;
    }
    for (const Choice& choice : p.choices) {
        if (!archive.AddChild("Choice")) {
            return false;
        }
        archive.WriteText("name", choice.name);
        archive.WriteText("desc", choice.desc);
        archive.WriteUint32("value", choice.value);
        archive.Leave();
    }
    archive.Leave();

    if (!archive.AddChild("Vectors")) {
        return false;
    }
    for (const std::uint8_t registerId : p.vectors) {
        if (!archive.AddChild("Vector")) {
            return false;
        }
        archive.WriteUint8("value", registerId);
        archive.Leave();
    }
    archive.Leave();
    return true;
}

}  // namespace

bool Block::Read(XmlArchive& archive, BlockReadContext& context) {
    return ReadCommon(archive, context);
}

bool Block::Write(XmlArchive& archive) const {
    return WriteCommon(archive);
}

bool Block::ReadCommon(XmlArchive& archive, BlockReadContext& context) {
    std::int32_t x = 0;
    std::int32_t y = 0;
    archive.ReadInt32("xpos", x);
    archive.ReadInt32("ypos", y);
    SetPosition(x, y);
    std::string name;
    archive.ReadText("name", name, kBlockNameMax);
    SetName(name);

    if (archive.Enter("Links")) {
        while (archive.Enter("Link")) {
            std::int32_t type = 0;
            std::int32_t id = 0;
            std::string linkName;
            archive.ReadInt32("type", type);
            archive.ReadInt32("id", id);
            archive.ReadText("name", linkName, kLinkNameMax);
            if (type == kInputLinkType) {
                AddInput(linkName, id);
            } else {
                AddOutput(id, linkName, context.ids);
            }
            archive.Leave();
        }
        archive.Leave();
    }

    if (archive.Enter("Parameters")) {
        while (archive.Enter("Parameter")) {
            AddParameter(ReadParameter(archive));
            archive.Leave();
        }
        archive.Leave();
    }
    return true;
}

bool Block::WriteCommon(XmlArchive& archive) const {
    archive.WriteInt32("type", KindCode());
    archive.WriteInt32("xpos", X());
    archive.WriteInt32("ypos", Y());
    archive.WriteText("name", Name());

    if (!archive.AddChild("Links") || !WriteLinks(archive, Inputs(), kInputLinkType) ||
        !WriteLinks(archive, Outputs(), kOutputLinkType)) {
        return false;
    }
    archive.Leave();

    if (!archive.AddChild("Parameters")) {
        return false;
    }
    for (const Parameter& p : Parameters()) {
        if (!archive.AddChild("Parameter") || !WriteParameter(archive, p)) {
            return false;
        }
        archive.Leave();
    }
    archive.Leave();
    return true;
}

bool NetworkBlock::Read(XmlArchive& archive, BlockReadContext& context) {
    if (context.networkDepth >= kMaxNetworkDepth) {
        context.tooDeep = true;
        return false;
    }
    ++context.networkDepth;
    ReadCommon(archive, context);

    bool ok = true;
    if (archive.Enter("Blocks")) {
        while (archive.Enter("Block")) {
            std::int32_t type = 0;
            archive.ReadInt32("type", type);
            std::unique_ptr<Block> child = CreateBlock(type);
            if (child == nullptr) {
                ok = false;
            } else {
                // An inner block's own failure does not fail this one, unless the file nests
                // too deeply: that stops the whole read.
                child->Read(archive, context);
                ok = !context.tooDeep;
            }
            archive.Leave();
            if (!ok) {
                break;
            }
            AppendChild(std::move(child));
        }
        archive.Leave();
    }
    --context.networkDepth;
    return ok;
}

bool NetworkBlock::Write(XmlArchive& archive) const {
    if (!WriteCommon(archive)) {
        return false;
    }
    if (FirstChild() == nullptr) {
        return true;
    }
    if (!archive.AddChild("Blocks")) {
        return false;
    }
    for (const Block* child = FirstChild(); child != nullptr; child = child->NextSibling()) {
        if (!archive.AddChild("Block") || !child->Write(archive)) {
            return false;
        }
        archive.Leave();
    }
    archive.Leave();
    return true;
}

}  // namespace skelvane
