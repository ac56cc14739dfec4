#include "link/line_speed_posix.h"

#if defined(__linux__)
#include <asm/termbits.h>
#include <sys/ioctl.h>
#else
#include <termios.h>
#endif

namespace skelvane {

#if defined(__linux__)

bool SetLineSpeed(int fd, std::uint32_t rate) {
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0) {
        return false;
    }
    tio.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
    tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    tio.c_ispeed = rate;
    tio.c_ospeed = rate;
    return ioctl(fd, TCSETS2, &tio) == 0;
}

std::optional<std::uint32_t> GetLineSpeed(int fd) {
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0) {
        return std::nullopt;
    }
    return tio.c_ospeed;
}

#else

namespace {

struct SpeedCode {
    std::uint32_t rate;
    speed_t code;
};

constexpr SpeedCode kSpeeds[] = {{300, B300},     {600, B600},       {1200, B1200},
                                 {1800, B1800},   {2400, B2400},     {4800, B4800},
                                 {9600, B9600},   {19200, B19200},   {38400, B38400},
                                 {57600, B57600}, {115200, B115200}, {230400, B230400}};

}  // namespace

bool SetLineSpeed(int fd, std::uint32_t rate) {
    for (const SpeedCode& s : kSpeeds) {
        if (s.rate == rate) {
            termios tio{};
            if (tcgetattr(fd, &tio) != 0) {
                return false;
            }
            cfsetispeed(&tio, s.code);
            cfsetospeed(&tio, s.code);
            return tcsetattr(fd, TCSANOW, &tio) == 0;
        }
    }
    return false;
}

std::optional<std::uint32_t> GetLineSpeed(int fd) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
        return std::nullopt;
    }
    const speed_t code = cfgetospeed(&tio);
    for (const SpeedCode& s : kSpeeds) {
        if (s.code == code) {
            return s.rate;
        }
    }
    return std::nullopt;
}

#endif

}  // namespace skelvane
