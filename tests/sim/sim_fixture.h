#pragma once

#include <cstdint>
#include <string>

#include "link/serial_port.h"
#include "support/sim_network.h"

namespace skelvane::test {

inline Bytes TextBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// The built-in network behind "SIM1" on a virtual clock, and a port on it.
class SimFixture : public SimNetwork {
  public:
    // Opens the port and switches it to the diagnostic speed, as every device worker does.
    bool Connect() { return port.Open("SIM1") && port.Purge() && port.SetBaudRate(115200); }

    // Everything that arrives within `window` of virtual time.
    Bytes Collect(Millis window = Millis{500}) {
        Bytes got;
        const Millis end = clock.Now() + window;
        std::uint8_t buffer[512];
        while (clock.Now() < end) {
            const Millis before = clock.Now();
            const std::size_t n = port.Read(buffer, sizeof buffer);
            got.insert(got.end(), buffer, buffer + n);
            if (n == 0 && clock.Now() == before) {
                break;  // a read that neither waits nor gives anything: the port is closed
            }
        }
        return got;
    }

    Bytes Exchange(const Bytes& request, Millis window = Millis{500}) {
        port.Write(request.data(), request.size());
        return Collect(window);
    }

    SerialPort port{ports};
};

}  // namespace skelvane::test
