#pragma once

#include <cstdint>
#include <random>
#include <string_view>
#include <vector>

namespace skelvane::sim {

// What a radio hears on one channel during one sweep, in dBm: the mean level and the
// highest level seen.
struct ChannelLevel {
    int mean = 0;
    int peak = 0;
};

// The noise a radio hears across its band: a floor with a little jitter, and a few other
// systems on fixed parts of the band that come and go from sweep to sweep. The same seed
// gives the same band and the same sweeps.
class NoiseModel {
  public:
    static constexpr int kFloor = -106;
    static constexpr int kLowest = -115;
    static constexpr int kHighest = -32;

    explicit NoiseModel(std::uint32_t seed);

    // One sweep over `channels` channels. Busy parts are placed as fractions of the band, so
    // they stay where they are whatever the channel count.
    std::vector<ChannelLevel> Sweep(int channels);

    // How many other systems the band holds.
    std::size_t BusyCount() const { return busy_.size(); }

  private:
    struct Busy {
        double centre;  // fraction of the band
        double width;   // fraction of the band, either side of the centre
        int level;      // mean level at the centre while on
        double duty;    // chance of being on in a sweep
    };

    std::mt19937 random_;
    std::vector<Busy> busy_;
};

// How many channels a radio of this model sweeps at this link rate (a radio of a model it
// does not know sweeps 140).
int ScanChannelCount(std::string_view model, int linkRate);

}  // namespace skelvane::sim
