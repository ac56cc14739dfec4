#include "link/default_sets.h"

namespace skelvane {

std::optional<std::uint8_t> DefaultSetNumber(std::size_t index) {
    if (index >= kDefaultSets.size()) {
        return std::nullopt;
    }
    return kDefaultSets[index].number;
}

std::optional<std::size_t> DefaultSetIndex(std::string_view name) {
    if (!name.empty() && (name.front() == 'F' || name.front() == 'f')) {
        name.remove_prefix(1);
    }
    if (name.size() != 1 || name[0] < '0' || name[0] > '9') {
        return std::nullopt;
    }
    const auto number = static_cast<std::uint8_t>(name[0] - '0');
    for (std::size_t i = 0; i < kDefaultSets.size(); ++i) {
        if (kDefaultSets[i].number == number) {
            return i;
        }
    }
    return std::nullopt;
}

}  // namespace skelvane
