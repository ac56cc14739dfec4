#pragma once

// What the device dialog tests share: a simulated network served as "SIM1" on a clock of the
// test's choosing, and the count of the process's threads.

#include <QFile>
#include <QTest>
#include <memory>
#include <string>

#include "base/clock.h"
#include "link/port_settings.h"
#include "sim/at_command_port.h"
#include "sim/builtin_network.h"
#include "sim/network.h"
#include "sim/sim_port.h"

namespace skelvane::test {

// The built-in network (Master UA 1 on the cable, Repeater 2, Remotes 300 and 301) behind
// "SIM1". `ClockType` is VirtualClock where only the outcome matters (the worker runs as
// fast as it can) and SystemClock where a test must catch the worker in the middle of its
// work.
template <typename ClockType>
struct DeviceRig {
    DeviceRig() : network(sim::MakeBuiltInNetwork(clock)) { hub.Add("SIM1", network); }

    // The unit on the cable answers AT commands on its data port; answers are never cut off.
    void giveDataPort(const std::string& model = "TAVRIN-A") {
        sim::AtCommandOptions options;
        options.model = model;
        options.cutAnswerChance = 0;
        sim::InstallAtCommandSide(*network, options);
    }

    PortSettings settings(const std::string& port = "SIM1") const {
        PortSettings s;
        s.portName = port;
        s.baudRate = "115200";
        return s;
    }

    ClockType clock;
    std::shared_ptr<sim::Network> network;
    sim::PortHub hub;
    sim::ScopedSimPorts registration{hub};
};

// Threads of this process now; -1 where the system does not say.
inline int processThreads() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("Threads:")) {
            return line.mid(8).trimmed().toInt();
        }
    }
    return -1;
}

}  // namespace skelvane::test
