#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

#include "link/port_names.h"
#include "upgrade/simulator_port.h"

namespace skelvane {
namespace {

bool IsPseudoTerminalPath(const std::string& portName, std::string& resolved) {
    // Links such as skelvane-sim --link make are followed to the terminal itself.
    const std::unique_ptr<char, void (*)(void*)> real(realpath(portName.c_str(), nullptr),
                                                      &std::free);
    if (real == nullptr) {
        return false;
    }
    resolved = real.get();
    struct stat info {};
    return resolved.rfind("/dev/pts/", 0) == 0 && stat(resolved.c_str(), &info) == 0 &&
           S_ISCHR(info.st_mode);
}

}  // namespace

bool IsSimulatorPort(const std::string& portName) {
    if (IsSimPortName(portName)) {
        return true;
    }
    std::string path;
    if (!IsPseudoTerminalPath(portName, path)) {
        return false;
    }
    // Opening a pseudo-terminal has no effect on anything behind it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    winsize size{};
    const bool read = ioctl(fd, TIOCGWINSZ, &size) == 0;
    ::close(fd);
    return read && size.ws_row == kSimulatorTerminalMark.rows &&
           size.ws_col == kSimulatorTerminalMark.columns &&
           size.ws_xpixel == kSimulatorTerminalMark.xPixels &&
           size.ws_ypixel == kSimulatorTerminalMark.yPixels;
}

}  // namespace skelvane
