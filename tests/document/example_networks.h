#pragma once

#include <string>
#include <vector>

#include "document/link_id_counter.h"
#include "document/network_file.h"

namespace skelvane::test {

// The example networks shipped in data/, built through the document API. A test checks that
// the files are exactly what the writer makes of these; with SKELVANE_WRITE_EXAMPLES=1 in the
// environment it writes them instead.
struct ExampleNetwork {
    std::string fileName;  // in data/
    void (*build)(NetworkFile& document);
};

const std::vector<ExampleNetwork>& ExampleNetworks();

// A small plausible parameter set of one radio.
std::vector<Parameter> RadioParameters(std::uint32_t unitAddress, std::uint32_t operatingMode);

}  // namespace skelvane::test
