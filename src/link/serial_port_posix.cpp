// The serial driver on POSIX systems: a termios device opened exclusively, read with poll so
// that an idle read waits for its first byte without spinning, and woken early by a stop
// request through a pipe.

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <system_error>

#include "link/line_speed_posix.h"
#include "link/port_backend.h"

namespace skelvane {
namespace {

using SteadyClock = std::chrono::steady_clock;

// Without a write timeout a write still ends: after the wire time of its bytes at the
// slowest speed we offer, plus this much, a peer that never drains the line gives up the
// writer.
constexpr int kUnboundedWriteSlackMs = 2000;

tcflag_t ByteSizeFlag(std::uint8_t byteSize) {
    switch (byteSize) {
        case 5:
            return CS5;
        case 6:
            return CS6;
        case 7:
            return CS7;
        default:
            return CS8;
    }
}

void ApplyFraming(termios& tio, const LineSettings& line) {
    cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
#if defined(CMSPAR)
    tio.c_cflag &= ~static_cast<tcflag_t>(CMSPAR);
#endif
    tio.c_cflag |= CLOCAL | CREAD | ByteSizeFlag(line.byteSize);
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
    switch (line.parity) {
        case 1:  // odd
            tio.c_cflag |= PARENB | PARODD;
            break;
        case 2:  // even
            tio.c_cflag |= PARENB;
            break;
#if defined(CMSPAR)
        case 3:  // mark
            tio.c_cflag |= PARENB | PARODD | CMSPAR;
            break;
        case 4:  // space
            tio.c_cflag |= PARENB | CMSPAR;
            break;
#endif
        default:
            break;
    }
    if (line.stopBits != 0) {  // one and a half and two both become two stop bits
        tio.c_cflag |= CSTOPB;
    }
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
}

int RemainingMs(SteadyClock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
    return static_cast<int>(std::clamp<std::int64_t>(left.count(), 0, 1 << 30));
}

class PosixBackend final : public PortBackend {
  public:
    ~PosixBackend() override { Close(); }

    bool Open(const std::string& portName, const LineSettings& line,
              std::uint32_t access) override {
        Close();
        openFailureHint_.clear();
        int mode = O_RDWR;
        if ((access & kGenericRead) != 0 && (access & kGenericWrite) == 0) {
            mode = O_RDONLY;
        } else if ((access & kGenericWrite) != 0 && (access & kGenericRead) == 0) {
            mode = O_WRONLY;
        }
        const int fd = ::open(portName.c_str(), mode | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            if (errno == EACCES || errno == EPERM) {
                openFailureHint_ = "Permission denied on " + portName +
                                   ": add your user to the 'dialout' group and log in again.";
            } else if (errno == EBUSY) {
                openFailureHint_ = portName + " is in use by another program.";
            } else if (errno == ENOENT) {
                openFailureHint_ = "There is no port " + portName + ".";
            } else {
                openFailureHint_ = portName + ": " + std::generic_category().message(errno);
            }
            return false;
        }
        // Only terminals are ports; a path naming a plain file, /dev/null or a directory is
        // not. The advisory lock makes a second open fail even for root, whom TIOCEXCL lets by.
        if (!isatty(fd)) {
            ::close(fd);
            openFailureHint_ = portName + " is not a serial port.";
            return false;
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            openFailureHint_ = portName + " is in use by another program.";
            return false;
        }
        int wake[2];
        if (pipe2(wake, O_NONBLOCK | O_CLOEXEC) != 0) {
            ::close(fd);
            return false;
        }
        fd_ = fd;
        wake_read_ = wake[0];
        wake_write_ = wake[1];
        ioctl(fd_, TIOCEXCL);

        // As the Win32 driver: framing and speed set, no flow control, DTR and RTS released.
        // Like SetCommState there, a refused setting is not an open failure.
        termios tio{};
        if (tcgetattr(fd_, &tio) == 0) {
            ApplyFraming(tio, line);
            tcsetattr(fd_, TCSANOW, &tio);
        }
        SetLineSpeed(fd_, line.baudRate);
        SetModemLine(TIOCM_DTR, false);
        SetModemLine(TIOCM_RTS, false);
        timeouts_ = PortTimeouts{};
        tcflush(fd_, TCIOFLUSH);
        return true;
    }

    void Close() override {
        if (fd_ >= 0) {
            ::close(fd_);  // also releases the lock
            fd_ = -1;
        }
        if (wake_read_ >= 0) {
            ::close(wake_read_);
            ::close(wake_write_);
            wake_read_ = wake_write_ = -1;
        }
    }

    bool IsOpen() const override { return fd_ >= 0; }
    std::string OpenFailureHint() const override { return openFailureHint_; }

    std::size_t Read(std::uint8_t* buffer, std::size_t count, std::stop_token stop) override {
        if (fd_ < 0 || count == 0) {
            return 0;
        }
        DrainWake();
        const ssize_t first = ::read(fd_, buffer, count);
        const int firstError = first < 0 ? errno : 0;
        if (first > 0) {
            return static_cast<std::size_t>(first);
        }
        if (timeouts_.readConstant == 0 || stop.stop_requested()) {
            return 0;
        }
        const auto deadline =
            SteadyClock::now() + std::chrono::milliseconds(timeouts_.readConstant);
        std::stop_callback wake_on_stop(stop, [this] { Wake(); });
        if (first < 0 && firstError != EAGAIN && firstError != EWOULDBLOCK && firstError != EINTR) {
            WaitForStop(deadline);
            return 0;
        }
        for (;;) {
            if (stop.stop_requested()) {
                return 0;
            }
            const int wait = RemainingMs(deadline);
            pollfd fds[2] = {{fd_, POLLIN, 0}, {wake_read_, POLLIN, 0}};
            const int ready = ::poll(fds, 2, wait);
            if (ready < 0 && errno == EINTR) {
                continue;
            }
            if (ready <= 0) {
                return 0;  // timed out (or poll failed)
            }
            if ((fds[0].revents & POLLIN) != 0) {
                const ssize_t got = ::read(fd_, buffer, count);
                if (got > 0) {
                    return static_cast<std::size_t>(got);
                }
                if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
                    continue;
                }
                return 0;
            }
            if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
                // The device went away: nothing will come, but the read still takes its
                // time, so a caller's loop bounded by time does not spin.
                WaitForStop(deadline);
                return 0;
            }
            if ((fds[1].revents & POLLIN) != 0) {
                DrainWake();
                if (stop.stop_requested()) {
                    return 0;
                }
            }
            if (wait == 0) {
                return 0;
            }
        }
    }

    std::size_t Write(const std::uint8_t* buffer, std::size_t count,
                      std::stop_token stop) override {
        if (fd_ < 0 || count == 0) {
            return 0;
        }
        std::int64_t limit_ms =
            std::int64_t{timeouts_.writeMultiplier} * count + timeouts_.writeConstant;
        if (timeouts_.writeMultiplier == 0 && timeouts_.writeConstant == 0) {
            // "No timeout": ten bits a byte at 300 baud is 33 ms a byte.
            limit_ms = std::int64_t{34} * static_cast<std::int64_t>(count) + kUnboundedWriteSlackMs;
        }
        const auto deadline = SteadyClock::now() + std::chrono::milliseconds(limit_ms);
        std::stop_callback wake_on_stop(stop, [this] { Wake(); });
        std::size_t done = 0;
        while (done < count) {
            const ssize_t put = ::write(fd_, buffer + done, count - done);
            if (put > 0) {
                done += static_cast<std::size_t>(put);
                continue;
            }
            if (put < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                break;
            }
            if (stop.stop_requested()) {
                break;
            }
            const int wait = RemainingMs(deadline);
            if (wait == 0) {
                break;
            }
            pollfd fds[2] = {{fd_, POLLOUT, 0}, {wake_read_, POLLIN, 0}};
            const int ready = ::poll(fds, 2, wait);
            if (ready < 0 && errno != EINTR) {
                break;
            }
            if (ready > 0 && (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
                break;
            }
            if (ready > 0 && (fds[1].revents & POLLIN) != 0) {
                DrainWake();
            }
        }
        return done;
    }

    bool SetBaudRate(std::uint32_t rate) override {
        if (fd_ < 0) {
            return false;
        }
        SetLineSpeed(fd_, rate);
        SetModemLine(TIOCM_DTR, true);
        SetModemLine(TIOCM_RTS, false);
        return true;
    }

    void SetTimeouts(const PortTimeouts& timeouts) override { timeouts_ = timeouts; }

    void SetDtr(bool on) override { SetModemLine(TIOCM_DTR, on); }
    void SetRts(bool on) override { SetModemLine(TIOCM_RTS, on); }

    void Purge() override {
        if (fd_ >= 0) {
            tcflush(fd_, TCIOFLUSH);
        }
    }

  private:
    // Pseudo-terminals have no modem lines; the call fails there and that is fine.
    void SetModemLine(int line, bool on) {
        if (fd_ >= 0) {
            int bits = line;
            ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bits);
        }
    }

    void Wake() {
        const std::uint8_t one = 1;
        [[maybe_unused]] const ssize_t ignored = ::write(wake_write_, &one, 1);
    }

    // Sleeps until the deadline or a stop request.
    void WaitForStop(SteadyClock::time_point deadline) {
        for (int wait = RemainingMs(deadline); wait > 0; wait = RemainingMs(deadline)) {
            pollfd wake{wake_read_, POLLIN, 0};
            if (::poll(&wake, 1, wait) > 0) {
                return;
            }
        }
    }

    void DrainWake() {
        std::uint8_t sink[16];
        while (::read(wake_read_, sink, sizeof sink) > 0) {
        }
    }

    int fd_ = -1;
    int wake_read_ = -1;
    int wake_write_ = -1;
    std::string openFailureHint_;
    PortTimeouts timeouts_;
};

}  // namespace

std::unique_ptr<PortBackend> CreatePlatformBackend() {
    return std::make_unique<PosixBackend>();
}

}  // namespace skelvane
