#include "sim/unit_seed.h"

#include <algorithm>
#include <cstdlib>

#include "base/decimal.h"
#include "base/latin1.h"

namespace skelvane::sim {
namespace {

constexpr std::uint32_t kBaseKhz = 902400;

// Reads the decimal numbers of a text, whatever separates them.
std::vector<std::uint32_t> Numbers(const std::string& text) {
    std::vector<std::uint32_t> numbers;
    std::uint64_t current = 0;
    bool inNumber = false;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            current =
                std::min<std::uint64_t>(current * 10 + static_cast<unsigned>(c - '0'), 0xFFFFFFFFu);
            inNumber = true;
        } else if (inNumber) {
            numbers.push_back(static_cast<std::uint32_t>(current));
            current = 0;
            inNumber = false;
        }
    }
    if (inNumber) {
        numbers.push_back(static_cast<std::uint32_t>(current));
    }
    return numbers;
}

std::size_t SizeOfType(std::uint8_t type) {
    switch (type) {
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

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

RestrictionEntry ParseRestrictionText(const std::string& text) {
    RestrictionEntry entry;
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) {
        return entry;
    }
    const std::vector<std::uint32_t> ua = Numbers(text.substr(0, colon));
    if (ua.size() != 1 || ua[0] == 0 || ua[0] > 65534) {
        return entry;
    }
    entry.ua = static_cast<std::uint16_t>(ua[0]);
    const std::vector<std::uint32_t> khz = Numbers(text.substr(colon + 1));
    std::size_t k = 0;
    for (std::size_t i = 0; i + 1 < khz.size() && k < 8; i += 2) {
        if (khz[i] < kBaseKhz || khz[i + 1] < kBaseKhz || khz[i] - kBaseKhz > 0xFFFE ||
            khz[i + 1] - kBaseKhz > 0xFFFE) {
            continue;
        }
        entry.start[k] = static_cast<std::uint16_t>(khz[i] - kBaseKhz);
        entry.end[k] = static_cast<std::uint16_t>(khz[i + 1] - kBaseKhz);
        ++k;
    }
    return entry;
}

RepeaterSlots ParseRepeaterText(const std::string& text) {
    RepeaterSlots slots;
    slots.fill(0xFFFF);
    std::size_t used = 0;
    for (const std::uint32_t ua : Numbers(text)) {
        if (ua >= 1 && ua <= 65534 && used < slots.size() &&
            std::find(slots.begin(), slots.begin() + static_cast<std::ptrdiff_t>(used), ua) ==
                slots.begin() + static_cast<std::ptrdiff_t>(used)) {
            slots[used++] = static_cast<std::uint16_t>(ua);
        }
    }
    std::sort(slots.begin(), slots.end());
    return slots;
}

void SeedUnit(Unit& unit, const std::vector<ParameterSeed>& parameters) {
    const std::vector<LiveValue> defaults = DefaultLiveValues();
    std::vector<LiveValue> live;
    for (const ParameterSeed& p : parameters) {
        const std::size_t size = SizeOfType(p.type);
        if (size != 0 && !p.vectors.empty()) {
            // The j-th id carries the byte at (size - 1 - j) * 8; ids beyond the size carry
            // nothing.
            const std::size_t ids = std::min(size, p.vectors.size());
            for (std::size_t j = 0; j < ids; ++j) {
                const auto byte = static_cast<std::uint8_t>(p.value >> ((size - 1 - j) * 8));
                unit.SeedRegisters({{p.vectors[j], byte}});
            }
            for (const LiveValue& known : defaults) {
                if (EqualsNoCase(known.name, p.name)) {
                    LiveValue mine = known;
                    mine.ids.assign(p.vectors.begin(),
                                    p.vectors.begin() + static_cast<std::ptrdiff_t>(ids));
                    live.push_back(std::move(mine));
                }
            }
        }
        if (p.name == "UnitAddress" && size != 0) {
            unit.SetUa(static_cast<std::uint16_t>(p.value));
        } else if (p.name == "VersionNo" && !p.text.empty()) {
            unit.SetVersion(p.text);
        } else if (p.name == "SerialNo" && !p.text.empty()) {
            unit.SetSerialNumber(p.text);
        } else if (p.name == "DataMask" && !p.text.empty()) {
            unit.SetDataMask(p.text);
        } else if (StartsWith(p.name, "FrequencyRestriction")) {
            const std::vector<std::uint32_t> number = Numbers(p.name.substr(20));
            if (number.size() == 1 && number[0] >= 1 && number[0] <= 16 && !p.text.empty()) {
                unit.SetRestriction(number[0] - 1, ParseRestrictionText(p.text));
            }
        } else if (StartsWith(p.name, "RepeaterRegistration") && !p.text.empty()) {
            unit.SetRepeaters(ParseRepeaterText(p.text));
        }
    }
    if (!live.empty()) {
        unit.SetLiveValues(std::move(live));
    }
}

}  // namespace skelvane::sim
