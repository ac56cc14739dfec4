#include "upgrade/boot_mode_link.h"

#include <algorithm>
#include <array>

#include "upgrade/boot_images.h"

namespace skelvane {

std::uint8_t CommandChecksum(std::span<const std::uint8_t> bytes) {
    unsigned sum = 0;
    for (const std::uint8_t byte : bytes) {
        sum += byte;
    }
    return static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
}

bool BootStatusReplyIs(std::span<const std::uint8_t> reply, std::uint8_t expected) {
    if (reply.size() != 5) {
        return false;
    }
    unsigned sum = 0;
    for (const std::uint8_t byte : reply) {
        sum += byte;
    }
    return (sum & 0xFF) == 0 && reply[2] == expected;
}

bool BootModeLink::Write(std::span<const std::uint8_t> bytes) {
    if (Stopped() || PortFailed()) {
        return false;
    }
    if (bytes.empty()) {
        return true;
    }
    const std::size_t written = port_.Write(bytes.data(), bytes.size());
    if (written != bytes.size() && !Stopped()) {
        failed_write_ = written;
        failed_size_ = bytes.size();
    }
    return written == bytes.size();
}

void BootModeLink::DrainStale() {
    // Reads that do not wait; a line that keeps sending is not drained for ever.
    constexpr int kReads = 64;
    port_.SetTimeouts(0, 1, 0, 1, 1500);
    std::array<std::uint8_t, 256> buffer;
    std::size_t drained = 0;
    for (int read = 0; read < kReads && !Stopped(); ++read) {
        const std::size_t got = port_.Read(buffer.data(), buffer.size());
        if (got == 0) {
            break;
        }
        drained += got;
    }
    SetReadTimeout(read_timeout_);
    if (drained > 0 && hooks_.drained) {
        hooks_.drained(drained);
    }
}

void BootModeLink::SetReadTimeout(std::uint32_t ms) {
    read_timeout_ = ms;
    port_.SetTimeouts(ms, 1, ms, 1, 1500);
}

bool BootModeLink::SendExpect(std::span<const std::uint8_t> bytes,
                              std::optional<std::uint8_t> expected) {
    if (Stopped()) {
        return false;
    }
    DrainStale();
    return Write(bytes) && (!expected || AwaitFirstByte(*expected));
}

bool BootModeLink::AwaitFirstByte(std::uint8_t expected) {
    std::array<std::uint8_t, 256> buffer;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (!Sleep(Millis{0})) {
            return false;
        }
        const std::size_t got = port_.Read(buffer.data(), buffer.size());
        if (got > 0 && buffer[0] == expected) {
            return true;
        }
    }
    return false;
}

bool BootModeLink::WaitByte(std::uint8_t value) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (!Sleep(Millis{5})) {
            return false;
        }
        std::uint8_t byte = 0;
        if (port_.Read(&byte, 1) == 1 && byte == value) {
            return true;
        }
    }
    return false;
}

bool BootModeLink::QueryStatus(std::uint8_t expected) {
    if (Stopped()) {
        return false;
    }
    SetReadTimeout(1500);
    DrainStale();
    if (!Write(std::array<std::uint8_t, 1>{boot::kStatus})) {
        return false;
    }
    std::array<std::uint8_t, 5> reply{};
    std::size_t count = 0;
    for (int attempt = 0; attempt < 5 && count < reply.size(); ++attempt) {
        if (!Sleep(Millis{1})) {
            return false;
        }
        count += port_.Read(reply.data() + count, 1);
    }
    return BootStatusReplyIs({reply.data(), count}, expected);
}

bool BootModeLink::LoadProcedure(std::span<const std::uint8_t> image) {
    if (Stopped()) {
        return false;
    }
    const auto size = static_cast<std::uint32_t>(image.size());
    const std::array<std::uint8_t, 4> sizeBytes = {
        static_cast<std::uint8_t>(size >> 24), static_cast<std::uint8_t>(size >> 16),
        static_cast<std::uint8_t>(size >> 8), static_cast<std::uint8_t>(size)};
    DrainStale();
    if (!Write(sizeBytes)) {
        return false;
    }
    constexpr std::size_t kPiece = 256;
    std::size_t at = 0;
    for (; image.size() - at >= kPiece; at += kPiece) {
        if (!Write(image.subspan(at, kPiece))) {
            return false;
        }
        if (hooks_.dot) {
            hooks_.dot();
        }
        if (!Sleep(Millis{5})) {
            return false;
        }
    }
    // The checksum byte ends the same request: nothing is drained before it.
    const std::uint8_t checksum = ProcedureChecksum(image);
    return Write(image.subspan(at)) && Write(std::span<const std::uint8_t>(&checksum, 1)) &&
           AwaitFirstByte(boot::kAck);
}

}  // namespace skelvane
