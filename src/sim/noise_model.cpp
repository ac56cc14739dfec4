#include "sim/noise_model.h"

#include <algorithm>
#include <cmath>

namespace skelvane::sim {

NoiseModel::NoiseModel(std::uint32_t seed) : random_(seed) {
    const int count = std::uniform_int_distribution<int>(2, 4)(random_);
    for (int i = 0; i < count; ++i) {
        Busy busy;
        busy.centre = std::uniform_real_distribution<double>(0.05, 0.95)(random_);
        busy.width = std::uniform_real_distribution<double>(0.004, 0.03)(random_);
        busy.level = std::uniform_int_distribution<int>(-80, -50)(random_);
        busy.duty = std::uniform_real_distribution<double>(0.5, 1.0)(random_);
        busy_.push_back(busy);
    }
}

std::vector<ChannelLevel> NoiseModel::Sweep(int channels) {
    std::vector<ChannelLevel> levels;
    if (channels <= 0) {
        return levels;
    }
    std::vector<bool> on;
    for (const Busy& busy : busy_) {
        on.push_back(std::bernoulli_distribution(busy.duty)(random_));
    }
    std::uniform_int_distribution<int> jitter(-3, 3);
    std::uniform_int_distribution<int> spread(0, 6);
    levels.reserve(static_cast<std::size_t>(channels));
    for (int c = 0; c < channels; ++c) {
        const double where = (c + 0.5) / channels;
        int mean = kFloor + jitter(random_);
        int peak = mean + spread(random_);
        for (std::size_t b = 0; b < busy_.size(); ++b) {
            const Busy& busy = busy_[b];
            // Every other system covers a channel or two at least, however coarse the plan.
            const double width = std::max(busy.width, 1.5 / channels);
            const double off = std::abs(where - busy.centre);
            // A channel farther away, or a system that is off this sweep: only the floor.
            if (!on[b] || off > width) {
                continue;
            }
            const int level =
                busy.level - static_cast<int>(std::lround(20.0 * off / width)) + jitter(random_);
            mean = std::max(mean, level);
            peak = std::max(peak, level + 4 + 2 * spread(random_));
        }
        mean = std::clamp(mean, kLowest, kHighest);
        peak = std::clamp(peak, mean, kHighest);
        levels.push_back(ChannelLevel{mean, peak});
    }
    return levels;
}

int ScanChannelCount(std::string_view model, int linkRate) {
    if (model == "TAVRIN-X") {
        return 140;
    }
    if (model == "MORVEX-X") {
        return 210;
    }
    const bool highBand = model.substr(0, 7) == "MORVEX-";
    switch (linkRate) {
        case 0:
            return highBand ? 1530 : 520;
        case 4:
        case 5:
            return highBand ? 200 : 70;
        case 8:
            return highBand ? 56 : 20;
        default:
            return highBand ? 290 : 140;
    }
}

}  // namespace skelvane::sim
