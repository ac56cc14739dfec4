#include "link/register_values.h"

#include <algorithm>

#include "base/latin1.h"

namespace skelvane {

std::size_t RegisterValueSize(const Parameter& parameter) {
    switch (parameter.type) {
        case 1:
            return 1;
        case 2:
            return 2;
        case 3:
            return 4;
        default:
            return 0;
    }
}

bool TravelsAsRegisters(const Parameter& parameter) {
    return RegisterValueSize(parameter) != 0 && !parameter.vectors.empty();
}

Parameter* FindParameterNoCase(std::vector<Parameter>& parameters, std::string_view name) {
    for (Parameter& parameter : parameters) {
        if (EqualsNoCase(parameter.name, name)) {
            return &parameter;
        }
    }
    return nullptr;
}

const Parameter* FindParameterNoCase(const std::vector<Parameter>& parameters,
                                     std::string_view name) {
    for (const Parameter& parameter : parameters) {
        if (EqualsNoCase(parameter.name, name)) {
            return &parameter;
        }
    }
    return nullptr;
}

void StoreRegisterByte(std::vector<Parameter>& parameters, std::uint8_t id, std::uint8_t byte) {
    for (Parameter& parameter : parameters) {
        const std::size_t size = RegisterValueSize(parameter);
        if (size == 0) {
            continue;
        }
        const auto found = std::find(parameter.vectors.begin(), parameter.vectors.end(), id);
        if (found == parameter.vectors.end()) {
            continue;
        }
        const auto j = static_cast<std::size_t>(found - parameter.vectors.begin());
        if (j >= size) {
            continue;
        }
        if (j == 0) {
            parameter.value = 0;
        }
        parameter.value |= static_cast<std::uint32_t>(byte) << ((size - 1 - j) * 8);
    }
}

void NoteUnitFact(UnitFacts& facts, std::uint8_t id, std::uint8_t byte) {
    if (id == kRegisterLinkRate) {
        facts.linkRateIndex.store(byte);
    } else if (id == kRegisterCountry) {
        facts.countryIndex.store(byte);
    }
}

void AppendWritePairs(const Parameter& parameter, std::vector<std::uint8_t>& pairs) {
    const std::size_t size = RegisterValueSize(parameter);
    for (std::size_t j = 0; j < parameter.vectors.size() && j < size; ++j) {
        pairs.push_back(parameter.vectors[j]);
        pairs.push_back(static_cast<std::uint8_t>(parameter.value >> ((size - 1 - j) * 8)));
    }
}

std::vector<std::vector<std::uint8_t>> SplitIntoFrames(const std::vector<std::uint8_t>& bytes,
                                                       const std::vector<std::size_t>& groups,
                                                       std::size_t maxBytes) {
    std::vector<std::vector<std::uint8_t>> pieces(1);
    std::size_t at = 0;
    for (const std::size_t group : groups) {
        const std::size_t end = std::min(at + group, bytes.size());
        if (pieces.back().size() + (end - at) > maxBytes && !pieces.back().empty()) {
            pieces.emplace_back();
        }
        for (; at < end; ++at) {
            if (pieces.back().size() == maxBytes) {
                pieces.emplace_back();
            }
            pieces.back().push_back(bytes[at]);
        }
    }
    return pieces;
}

}  // namespace skelvane
