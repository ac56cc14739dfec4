#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "link/port_discovery.h"

namespace skelvane {

std::vector<std::string> EnumerateSerialPorts() {
    return EnumerateSerialPortsUnder("/sys/class/tty", "/dev");
}

bool IsPlatformPortInUse(const std::string& portName) {
    // The same exclusive open as SerialPort's, without touching the line's settings.
    const int fd = ::open(portName.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return true;
    }
    const bool held = flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return held;
}

}  // namespace skelvane
