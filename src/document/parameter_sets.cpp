#include "document/parameter_sets.h"

#include <array>
#include <string_view>

namespace skelvane {
namespace {

// "DestAddess" is spelled as the radios' templates spell it.
constexpr std::array<std::string_view, 4> kUnitIdentity = {"UnitAddress", "RoamingAddress",
                                                           "DestAddess", "RepeaterYesNo"};

bool IsUnitIdentity(std::string_view name) {
    for (const std::string_view identity : kUnitIdentity) {
        if (name == identity) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool CopyTemplateParameters(Block& block, const Block* templateRoot) {
    block.ClearParameters();
    if (templateRoot == nullptr) {
        return false;
    }
    for (const Block* source = templateRoot->FirstChild(); source != nullptr;
         source = source->NextSibling()) {
        if (source->Name() == block.Name()) {
            // Whole records, arrays included: each parameter keeps its own choices and
            // register ids even when the template repeats a name.
            block.Parameters() = source->Parameters();
            return true;
        }
    }
    return false;
}

bool CopyTemplateParameters(Block& block, const NetworkFile& templates) {
    return CopyTemplateParameters(block, templates.Root());
}

void SeedParameterValues(Block& block, const Block& source) {
    const bool sameKind = block.KindCode() == source.KindCode();
    for (Parameter& p : block.Parameters()) {
        if (p.name == "OperatingMode" || (!sameKind && IsUnitIdentity(p.name))) {
            continue;
        }
        const Parameter* from = source.FindParameter(p.name);
        if (from == nullptr) {
            continue;
        }
        if (p.IsText()) {
            p.textValue = from->textValue;
        } else {
            p.value = from->value;
        }
    }
}

}  // namespace skelvane
