#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "sim/terminal_mark.h"

namespace skelvane::sim {

bool MarkSimulatorTerminal(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    winsize size{};
    size.ws_row = kTerminalMark[0];
    size.ws_col = kTerminalMark[1];
    size.ws_xpixel = kTerminalMark[2];
    size.ws_ypixel = kTerminalMark[3];
    const bool marked = ioctl(fd, TIOCSWINSZ, &size) == 0;
    ::close(fd);
    return marked;
}

}  // namespace skelvane::sim
