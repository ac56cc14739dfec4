#pragma once

#include <atomic>
#include <cstdint>

namespace skelvane {

// What the program last learned about a unit: the country and link-rate indexes (registers
// "CountryCode" and "LinkRate") and the firmware version number (the version text from its
// second character on, times 10000). All 0 at start. Written by device workers and by edits
// of the two parameters, read by the restriction rules and the Default button, so the fields
// are atomic.
struct UnitFacts {
    std::atomic<std::uint32_t> countryIndex{0};
    std::atomic<std::uint32_t> linkRateIndex{0};
    std::atomic<std::uint32_t> versionNumber{0};
};

}  // namespace skelvane
