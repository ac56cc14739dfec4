#include "link/frame.h"

#include <algorithm>
#include <cstring>

namespace skelvane {

std::vector<std::uint8_t> BuildFrame(std::uint16_t ua, std::uint8_t code,
                                     std::span<const std::uint8_t> payload) {
    const std::size_t size = std::min(payload.size(), kMaxFramePayload);
    std::vector<std::uint8_t> frame;
    frame.reserve(kFrameHeaderSize + size);
    frame.push_back(static_cast<std::uint8_t>(size + 3));
    frame.push_back(static_cast<std::uint8_t>(ua >> 8));
    frame.push_back(static_cast<std::uint8_t>(ua & 0xFF));
    frame.push_back(code);
    frame.insert(frame.end(), payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(size));
    return frame;
}

std::span<const std::uint8_t> FramePayload(std::span<const std::uint8_t> frame) {
    if (frame.size() <= kFrameHeaderSize) {
        return {};
    }
    return frame.subspan(kFrameHeaderSize);
}

std::string PayloadText(std::span<const std::uint8_t> frame, std::size_t maxLength) {
    const std::span<const std::uint8_t> payload = FramePayload(frame);
    const auto* begin = reinterpret_cast<const char*>(payload.data());
    std::size_t size = payload.size();
    if (size > 0) {
        if (const void* zero = std::memchr(begin, 0, size)) {
            size = static_cast<std::size_t>(static_cast<const char*>(zero) - begin);
        }
    }
    return std::string(begin, std::min(size, maxLength));
}

}  // namespace skelvane
