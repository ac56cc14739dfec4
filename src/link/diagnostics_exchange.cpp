#include "link/diagnostics_exchange.h"

#include <algorithm>
#include <cstring>

#include "base/format.h"
#include "base/latin1.h"
#include "link/frame.h"
#include "link/register_values.h"

namespace skelvane {
namespace {

int IdsForSize(int size) {
    return size == 1 || size == 2 || size == 4 ? size : 0;
}

}  // namespace

std::optional<std::string> FormatDiagValue(std::string_view name, std::uint32_t value) {
    const auto is = [name](std::string_view known) { return EqualsNoCase(name, known); };
    if (is("DiagVSWR")) {
        return Format("%.2f", value * 0.001);
    }
    if (is("DiagRSSI")) {
        return Format("-%u", value);
    }
    if (is("DiagVoltage")) {
        return Format("%.2f", value * 36194.0 * 3.90625e-06);
    }
    if (is("DiagTemperature")) {
        // Below 55 the unit is below freezing: a negative temperature, not a wrapped number.
        return Format("%lld", static_cast<long long>(value) - 55);
    }
    for (const std::string_view known : kDiagnosticNames) {
        if (is(known)) {
            return Format("%u", value);
        }
    }
    return std::nullopt;
}

std::vector<std::uint8_t> CustomReadFrame(const DeviceLink& link, const CustomParameter& custom) {
    const int count = IdsForSize(custom.size);
    return link.MakeFrame(
        request::kReadRegisters,
        std::span<const std::uint8_t>(custom.ids.data(), static_cast<std::size_t>(count)));
}

std::vector<std::uint8_t> CustomWriteFrame(const DeviceLink& link, const CustomParameter& custom) {
    std::vector<std::uint8_t> pairs;
    for (int j = 0; j < IdsForSize(custom.size); ++j) {
        pairs.push_back(custom.ids[static_cast<std::size_t>(j)]);
        pairs.push_back(static_cast<std::uint8_t>(custom.value >> (8 * j)));
    }
    return link.MakeFrame(request::kWriteRegisters, pairs);
}

int ParseDiagReply(DeviceLink& link, std::vector<Parameter>& parameters, CustomParameter& custom,
                   std::string& valueField, const std::uint8_t* buffer, std::size_t count) {
    if (!link.CheckReply(buffer, count)) {
        return 0;
    }
    switch (buffer[3]) {
        case reply::kRegisters:
            ForEachRegisterPair({buffer, count}, [&](std::uint8_t id, std::uint8_t byte) {
                if (id == custom.ids[0]) {
                    custom.value = byte;
                }
                for (std::size_t k = 1; k < custom.ids.size(); ++k) {
                    if (id == custom.ids[k]) {
                        custom.value |= static_cast<std::uint32_t>(byte) << (8 * k);
                    }
                }
                StoreRegisterByte(parameters, id, byte);
            });
            valueField = Format("%u", custom.value);
            break;
        case reply::kVersion:
        case reply::kSerialNumber:
        case reply::kDataMask: {
            const std::string_view name = buffer[3] == reply::kVersion        ? "VersionNo"
                                          : buffer[3] == reply::kSerialNumber ? "SerialNo"
                                                                              : "DataMask";
            if (Parameter* parameter = FindParameterNoCase(parameters, name)) {
                parameter->textValue = PayloadText({buffer, count}, kTextValueMax);
            }
            break;
        }
        default:
            link.LogLine("Unknown responses!", true);
            break;
    }
    return 1;
}

std::optional<std::uint32_t> AgreedValue(std::span<const std::optional<std::uint32_t>> readings) {
    std::vector<std::uint32_t> carried;
    for (const std::optional<std::uint32_t>& reading : readings) {
        if (reading) {
            carried.push_back(*reading);
        }
    }
    if (carried.size() == 3) {
        std::sort(carried.begin(), carried.end());
        return carried[1];
    }
    if (carried.size() == 2 && carried[0] == carried[1]) {
        return carried[0];
    }
    return std::nullopt;
}

bool ReadGroupConfirmed(
    std::vector<Parameter>& parameters, std::vector<bool>& settled,
    const std::function<std::optional<RegisterSet>(std::vector<Parameter>&)>& readOnce) {
    std::vector<std::vector<Parameter>> readings;
    std::vector<RegisterSet> carried;
    // Parameter i as reading r gave it: only when the reply carried every one of its bytes.
    const auto readingOf = [&](std::size_t r, std::size_t i) -> std::optional<std::uint32_t> {
        const Parameter& p = readings[r][i];
        if (!TravelsAsRegisters(p) ||
            !std::all_of(p.vectors.begin(), p.vectors.end(),
                         [&](std::uint8_t id) { return carried[r][id]; })) {
            return std::nullopt;
        }
        return p.value;
    };
    const auto touched = [&](std::size_t i) {
        for (const RegisterSet& ids : carried) {
            for (const std::uint8_t id : parameters[i].vectors) {
                if (ids[id]) {
                    return true;
                }
            }
        }
        return false;
    };
    const auto agreed = [&](std::size_t i) {
        std::array<std::optional<std::uint32_t>, 3> values;
        for (std::size_t r = 0; r < readings.size(); ++r) {
            values[r] = readingOf(r, i);
        }
        return AgreedValue({values.data(), readings.size()});
    };
    const auto allAgree = [&] {
        for (std::size_t i = 0; i < parameters.size(); ++i) {
            if (touched(i) && !agreed(i)) {
                return false;
            }
        }
        return true;
    };
    while (readings.size() < 2 || (readings.size() == 2 && !allAgree())) {
        readings.push_back(parameters);
        std::optional<RegisterSet> ids = readOnce(readings.back());
        if (!ids) {
            readings.pop_back();
            break;
        }
        carried.push_back(*ids);
    }
    settled.resize(parameters.size());
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        if (!touched(i)) {
            continue;
        }
        const std::optional<std::uint32_t> value = agreed(i);
        settled[i] = value.has_value();
        if (value) {
            parameters[i].value = *value;
        }
    }
    return !readings.empty();
}

}  // namespace skelvane
