#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "support/wait_until.h"

namespace skelvane::test {

// A pseudo-terminal: the port under test opens Path(), the test plays the peer on the master.
class PtyPair {
  public:
    PtyPair() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0) {
            if (const char* name = ptsname(master_)) {
                path_ = name;
            }
        }
        // A second handle on the slave keeps the master from seeing a hang-up between opens.
        if (!path_.empty()) {
            keep_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
            termios tio{};
            if (tcgetattr(keep_, &tio) == 0) {
                cfmakeraw(&tio);
                tcsetattr(keep_, TCSANOW, &tio);
            }
        }
    }
    ~PtyPair() {
        if (keep_ >= 0) {
            ::close(keep_);
        }
        if (master_ >= 0) {
            ::close(master_);
        }
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool Ok() const { return master_ >= 0 && keep_ >= 0 && !path_.empty(); }
    const std::string& Path() const { return path_; }
    int Master() const { return master_; }

    void Send(const std::vector<std::uint8_t>& bytes) {
        [[maybe_unused]] const ssize_t put = ::write(master_, bytes.data(), bytes.size());
    }

    // Sends `bytes` and waits (two seconds at most) until they wait on the port's side.
    bool SendBuffered(const std::vector<std::uint8_t>& bytes) {
        const int before = Buffered();
        Send(bytes);
        return WaitUntil([&] { return Buffered() >= before + static_cast<int>(bytes.size()); },
                         std::chrono::seconds(2));
    }

    // What the port wrote, waiting up to `ms` for it to begin.
    std::vector<std::uint8_t> Receive(int ms = 500) {
        std::vector<std::uint8_t> got;
        pollfd fd{master_, POLLIN, 0};
        while (::poll(&fd, 1, got.empty() ? ms : 20) > 0) {
            std::uint8_t buffer[256];
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            got.insert(got.end(), buffer, buffer + n);
        }
        return got;
    }

  private:
    // Bytes waiting to be read on the port's side.
    int Buffered() const {
        int count = 0;
        return ::ioctl(keep_, FIONREAD, &count) == 0 ? count : -1;
    }

    int master_ = -1;
    int keep_ = -1;
    std::string path_;
};

}  // namespace skelvane::test
