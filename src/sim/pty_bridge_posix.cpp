#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/format.h"
#include "link/line_speed_posix.h"
#include "sim/pty_bridge.h"

namespace skelvane::sim {
namespace {

// Longest sleep of the serving loop when nothing is scheduled: the client's speed is looked
// at again after it.
constexpr int kIdlePollMs = 200;

}  // namespace

PtyBridge::PtyBridge(std::shared_ptr<Network> network) : network_(std::move(network)) {}

PtyBridge::~PtyBridge() {
    Close();
}

bool PtyBridge::Open(std::string& error) {
    Close();
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        error = Format("cannot create a pseudo-terminal: %s", std::strerror(errno));
        Close();
        return false;
    }
    const char* name = ptsname(master_);
    if (name == nullptr) {
        error = Format("cannot name the pseudo-terminal: %s", std::strerror(errno));
        Close();
        return false;
    }
    path_ = name;
    slave_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    int wake[2];
    if (slave_ < 0 || pipe2(wake, O_NONBLOCK | O_CLOEXEC) != 0) {
        error = Format("cannot open %s: %s", path_.c_str(), std::strerror(errno));
        Close();
        return false;
    }
    wake_read_ = wake[0];
    wake_write_ = wake[1];
    // Raw until a client sets its own mode: no echo, no line editing, no CR/LF changes.
    termios tio{};
    if (tcgetattr(slave_, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(slave_, TCSANOW, &tio);
    }
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    network_->AttachHost();
    RefreshLine();
    return true;
}

void PtyBridge::Close() {
    for (int* fd : {&master_, &slave_, &wake_read_, &wake_write_}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
    if (!path_.empty()) {
        network_->DetachHost();
        path_.clear();
    }
}

void PtyBridge::RefreshLine() {
    // The master reports the terminal settings its client made on the other side.
    LineState line = network_->HostLine();
    line.baudRate = GetLineSpeed(master_).value_or(kDiagnosticBaud);
    termios tio{};
    if (tcgetattr(master_, &tio) == 0) {
        switch (tio.c_cflag & CSIZE) {
            case CS5:
                line.byteSize = 5;
                break;
            case CS6:
                line.byteSize = 6;
                break;
            case CS7:
                line.byteSize = 7;
                break;
            default:
                line.byteSize = 8;
        }
        line.parity = (tio.c_cflag & PARENB) == 0 ? 0 : (tio.c_cflag & PARODD) != 0 ? 1 : 2;
        line.stopBits = (tio.c_cflag & CSTOPB) != 0 ? 2 : 0;
    }
    network_->SetHostLine(line);
}

bool PtyBridge::Serve(std::stop_token stop, std::string& error) {
    if (master_ < 0) {
        error = "the pseudo-terminal is not open";
        return false;
    }
    const int wakeWrite = wake_write_;
    std::stop_callback wake(stop, [wakeWrite] {
        const std::uint8_t one = 1;
        [[maybe_unused]] const ssize_t ignored = ::write(wakeWrite, &one, 1);
    });
    Clock& clock = network_->GetClock();
    std::uint8_t buffer[4096];
    while (!stop.stop_requested()) {
        if (network_->Vanished()) {
            Close();  // the client sees its port go away
            return true;
        }
        int timeout = kIdlePollMs;
        if (const std::optional<Millis> next = network_->NextEventTime()) {
            const auto wait = (*next - clock.Now()).count();
            timeout = static_cast<int>(std::clamp<std::int64_t>(wait, 0, kIdlePollMs));
        }
        // A port that refuses writes is one whose terminal is no longer read: what the
        // client writes piles up there until its writes stall.
        const short masterEvents = writes_refused_ ? short{0} : short{POLLIN};
        pollfd fds[2] = {{master_, masterEvents, 0}, {wake_read_, POLLIN, 0}};
        const int ready = ::poll(fds, 2, timeout);
        if (ready < 0 && errno != EINTR) {
            error = Format("waiting on the pseudo-terminal failed: %s", std::strerror(errno));
            return false;
        }
        if (ready > 0 && (fds[1].revents & POLLIN) != 0) {
            while (::read(wake_read_, buffer, sizeof buffer) > 0) {
            }
        }
        if (ready > 0 && (fds[0].revents & POLLIN) != 0) {
            const ssize_t got = ::read(master_, buffer, sizeof buffer);
            if (got > 0 && !network_->TakeHostWrite()) {
                writes_refused_ = true;
            } else if (got > 0) {
                RefreshLine();
                network_->HostWrite(
                    std::span<const std::uint8_t>(buffer, static_cast<std::size_t>(got)));
            } else if (got < 0 && errno != EAGAIN && errno != EINTR && errno != EIO) {
                error = Format("reading the pseudo-terminal failed: %s", std::strerror(errno));
                return false;
            }
        }
        // Whatever has arrived for the client goes out. When the client does not read and
        // the terminal's buffer is full, the rest is dropped, as a radio would keep sending.
        for (;;) {
            const std::size_t out = network_->HostRead(buffer, sizeof buffer);
            if (out == 0) {
                break;
            }
            std::size_t done = 0;
            while (done < out) {
                const ssize_t put = ::write(master_, buffer + done, out - done);
                if (put <= 0) {
                    break;
                }
                done += static_cast<std::size_t>(put);
            }
        }
    }
    return true;
}

}  // namespace skelvane::sim
