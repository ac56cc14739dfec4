#include "sim/faults.h"

#include <algorithm>
#include <cstdlib>

#include "base/decimal.h"
#include "base/format.h"

namespace skelvane::sim {

bool FaultSettings::Active() const {
    return dropByte > 0 || corruptByte > 0 || extraByte > 0 || delay.count() > 0 || splitEvery > 0;
}

bool FaultFilter::Chance(double probability) {
    if (probability <= 0) {
        return false;
    }
    if (probability >= 1) {
        return true;
    }
    return std::uniform_real_distribution<double>(0.0, 1.0)(random_) < probability;
}

std::vector<TimedBytes> FaultFilter::Apply(Millis now, const std::vector<std::uint8_t>& bytes) {
    std::vector<std::uint8_t> out;
    out.reserve(bytes.size());
    for (const std::uint8_t byte : bytes) {
        if (Chance(settings.dropByte)) {
            continue;
        }
        std::uint8_t b = byte;
        if (Chance(settings.corruptByte)) {
            b ^= static_cast<std::uint8_t>(1u << std::uniform_int_distribution<int>(0, 7)(random_));
        }
        out.push_back(b);
        if (Chance(settings.extraByte)) {
            out.push_back(
                static_cast<std::uint8_t>(std::uniform_int_distribution<int>(0, 255)(random_)));
        }
    }
    std::vector<TimedBytes> pieces;
    if (out.empty()) {
        return pieces;
    }
    const Millis start = now + std::max(settings.delay, Millis{0});
    if (settings.splitEvery == 0 || out.size() <= settings.splitEvery) {
        pieces.push_back({start, std::move(out)});
        return pieces;
    }
    Millis due = start;
    for (std::size_t at = 0; at < out.size(); at += settings.splitEvery) {
        const std::size_t end = std::min(out.size(), at + settings.splitEvery);
        pieces.push_back(
            {due, std::vector<std::uint8_t>(out.begin() + static_cast<std::ptrdiff_t>(at),
                                            out.begin() + static_cast<std::ptrdiff_t>(end))});
        due += std::max(settings.splitGap, Millis{0});
    }
    return pieces;
}

namespace {

bool ParseNumber(std::string_view text, double& value) {
    const std::string copy(text);
    char* end = nullptr;
    value = std::strtod(copy.c_str(), &end);
    return !copy.empty() && end == copy.c_str() + copy.size();
}

bool ParseCount(std::string_view text, long& value) {
    if (text.empty() || text.size() > 9) {
        return false;
    }
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    value = std::atol(std::string(text).c_str());
    return true;
}

// Sets one key of a direction's settings; false when the key is not a byte fault.
bool SetByteFault(FaultSettings& s, std::string_view key, std::string_view text,
                  std::string& error) {
    double number = 0;
    long count = 0;
    if (key == "drop" || key == "corrupt" || key == "extra") {
        if (!ParseNumber(text, number) || number < 0 || number > 1) {
            error = Format("'%s' needs a chance from 0 to 1, not '%s'", std::string(key).c_str(),
                           std::string(text).c_str());
            return false;
        }
        (key == "drop" ? s.dropByte : key == "corrupt" ? s.corruptByte : s.extraByte) = number;
        return true;
    }
    if (key == "delay" || key == "gap" || key == "split") {
        if (!ParseCount(text, count)) {
            error = Format("'%s' needs a whole number, not '%s'", std::string(key).c_str(),
                           std::string(text).c_str());
            return false;
        }
        if (key == "delay") {
            s.delay = Millis(count);
        } else if (key == "gap") {
            s.splitGap = Millis(count);
        } else {
            s.splitEvery = static_cast<std::size_t>(count);
        }
        return true;
    }
    error = Format("unknown fault '%s'", std::string(key).c_str());
    return false;
}

}  // namespace

bool ParseFaultPlan(std::string_view text, FaultPlan& plan, std::string& error) {
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        std::string_view item = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
        if (item.empty()) {
            continue;
        }
        const std::size_t equals = item.find('=');
        if (equals == std::string_view::npos) {
            error = Format("'%s' is not key=value", std::string(item).c_str());
            return false;
        }
        std::string_view path = item.substr(0, equals);
        const std::string_view value = item.substr(equals + 1);

        // Split "u300.in.drop" into unit, direction and key.
        std::vector<std::string_view> parts;
        while (true) {
            const std::size_t dot = path.find('.');
            parts.push_back(path.substr(0, dot));
            if (dot == std::string_view::npos) {
                break;
            }
            path = path.substr(dot + 1);
        }
        const std::string_view key = parts.back();
        parts.pop_back();

        UnitFaultPlan* unit = nullptr;
        if (!parts.empty() && parts.front().size() > 1 && parts.front()[0] == 'u') {
            long ua = 0;
            if (!ParseCount(parts.front().substr(1), ua) || ua > 0xFFFF) {
                error = Format("'%s' is not a unit address", std::string(parts.front()).c_str());
                return false;
            }
            unit = &plan.units[static_cast<std::uint16_t>(ua)];
            parts.erase(parts.begin());
        }
        bool in = true;
        bool out = true;
        if (!parts.empty()) {
            if (parts.size() > 1 || (parts[0] != "in" && parts[0] != "out")) {
                error = Format("'%s' has an unknown scope", std::string(item).c_str());
                return false;
            }
            in = parts[0] == "in";
            out = parts[0] == "out";
        }
        const bool directed = !parts.empty();

        long count = 0;
        double chance = 0;
        const bool perUnit = key == "silent" || key == "startlost" || key == "lateack";
        if (perUnit || key == "vanish" || key == "nowrite" || key == "seed") {
            const bool number = key == "lateack"
                                    ? ParseNumber(value, chance) && chance >= 0 && chance <= 1
                                    : ParseCount(value, count);
            if (directed || (!perUnit && unit != nullptr) || !number) {
                error = Format("'%s' is not understood", std::string(item).c_str());
                return false;
            }
            UpgradeFaults& upgrade = unit != nullptr ? unit->upgrade : plan.upgrade;
            if (key == "silent") {
                (unit != nullptr ? unit->silentAfter : plan.silentAfter) = static_cast<int>(count);
            } else if (key == "startlost") {
                upgrade.lostStartWriting = static_cast<int>(count);
            } else if (key == "lateack") {
                upgrade.lateBlockAck = chance;
            } else if (key == "vanish") {
                plan.vanishAfter = static_cast<int>(count);
            } else if (key == "nowrite") {
                plan.refuseWritesAfter = static_cast<int>(count);
            } else {
                plan.seed = static_cast<std::uint32_t>(count);
            }
            continue;
        }
        FaultSettings& toUnit = unit != nullptr ? unit->toUnit : plan.toUnit;
        FaultSettings& toHost = unit != nullptr ? unit->toHost : plan.toHost;
        if ((in && !SetByteFault(toUnit, key, value, error)) ||
            (out && !SetByteFault(toHost, key, value, error))) {
            return false;
        }
    }
    return true;
}

}  // namespace skelvane::sim
