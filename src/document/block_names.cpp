#include "document/block_names.h"

#include <string>

#include "base/latin1.h"
#include "base/strings.h"

namespace skelvane {
namespace {

// Control characters of Latin-1 (C0, DEL and C1). A line break or tab in a name would not
// survive the network file (attribute values are normalised when read back).
bool IsControl(unsigned char c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// A name that begins with a number other than zero (leading blanks and a sign allowed), such
// as a block named after its unit address earlier. Every digit counts, so a long number whose
// value would wrap to zero still names the block after an address.
bool BeginsWithNonzeroNumber(std::string_view name) {
    std::size_t i = 0;
    while (i < name.size() &&
           std::string_view(" \t\n\v\f\r").find(name[i]) != std::string_view::npos) {
        ++i;
    }
    if (i < name.size() && (name[i] == '+' || name[i] == '-')) {
        ++i;
    }
    for (; i < name.size() && name[i] >= '0' && name[i] <= '9'; ++i) {
        if (name[i] != '0') {
            return true;
        }
    }
    return false;
}

void ShowNameError(Prompter& prompter, int id) {
    prompter.Message(LoadText(id), LoadText(kIdsError), MessageIcon::Exclamation);
}

}  // namespace

bool CheckBlockName(std::string_view name, Prompter& prompter) {
    if (name.empty()) {
        ShowNameError(prompter, kIdsNameEmpty);
        return false;
    }
    bool valid = IsLatin1Alnum(static_cast<unsigned char>(name.front()));
    for (const char c : name) {
        valid = valid && !IsControl(static_cast<unsigned char>(c));
    }
    if (!valid) {
        ShowNameError(prompter, kIdsNameInvalid);
        return false;
    }
    return true;
}

bool NameAfterUnitAddress(Block& block, std::uint32_t unitAddress) {
    if (unitAddress == 0 || unitAddress == 1) {
        return false;
    }
    const std::string& name = block.Name();
    const bool placeholder =
        name == "Remote" || name == "Repeater" || BeginsWithNonzeroNumber(name);
    if (!placeholder) {
        return false;
    }
    block.SetName(std::to_string(unitAddress));
    return true;
}

}  // namespace skelvane
