#pragma once

#include <atomic>
#include <cstdint>

namespace skelvane {

// The unit address the pages of a block's property sheet share: the Settings page publishes
// its address when the user leaves it, the Diagnostics and Restrictions pages take it when
// they become active. One object for the program (0 at start), passed to the pages.
class CurrentRemoteUa {
  public:
    std::uint16_t Get() const { return ua_.load(); }
    void Set(std::uint16_t ua) { ua_.store(ua); }

  private:
    std::atomic<std::uint16_t> ua_{0};
};

}  // namespace skelvane
