#include "document/unit_address_naming.h"

#include <string>

#include "base/decimal.h"
#include "base/format.h"

namespace skelvane {

bool NameBlockAfterUnitAddress(Block& block, std::uint32_t unitAddress) {
    if (unitAddress == 0 || unitAddress == 1) {
        return false;
    }
    const std::string& name = block.Name();
    const bool defaultName = name == "Remote" || name == "Repeater";
    const bool numbered = StartsWithNumber(name) && ParseDecimalRaw(name) != 0;
    if (!defaultName && !numbered) {
        return false;
    }
    const std::string newName = Format("%u", unitAddress);
    if (newName == name) {
        return false;
    }
    block.SetName(newName);
    return true;
}

}  // namespace skelvane
