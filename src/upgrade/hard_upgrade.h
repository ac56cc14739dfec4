#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <stop_token>
#include <string>
#include <vector>

#include "base/clock.h"
#include "link/serial_port.h"
#include "upgrade/boot_images.h"
#include "upgrade/boot_mode_link.h"
#include "upgrade/soft_upgrade.h"
#include "upgrade/upgrade_log.h"

namespace skelvane {

// What one hard-upgrade run works on: a copy of the dialog's fields taken when it starts.
struct HardUpgradeJob {
    std::string portName;
    std::string fileName;
    bool forceErase = false;
};

struct HardUpgradeHooks {
    // true once the port is being opened ("Cancel", busy picture), false at the end.
    std::function<void(bool busy)> busy;
    // Firmware frames acknowledged so far, of the total.
    std::function<void(std::size_t done, std::size_t total)> progress;
};

// The boot-mode upgrade of the unit on the programming cable: reset into boot mode, bit-rate
// matching, the uKernel and the three procedures loaded, blank check, erase, the firmware
// file written in 128-byte frames, and a restart. Every step is logged.
class HardUpgrade {
  public:
    HardUpgrade(SerialPort& port, UpgradeLog& log, Clock& clock, const BootImages& images)
        : port_(port), log_(log), clock_(clock), images_(images) {}

    // Runs every step and closes the port. Once `stop` is requested the run writes nothing
    // more into the log and ends within one read timeout.
    UpgradeResult Run(const HardUpgradeJob& job, std::stop_token stop,
                      const HardUpgradeHooks& hooks = {});

    // The 134-byte frame that writes 128 bytes at `address` (short data is filled with 0x00).
    static std::vector<std::uint8_t> FirmwareFrame(std::uint32_t address,
                                                   std::span<const std::uint8_t> data);

  private:
    bool Stopped() const { return stop_.stop_requested(); }
    void Log(std::string_view text);
    void Append(std::string_view text);
    // Appends " passed." (or `passed`) or "Failed."; returns `ok`.
    bool Outcome(bool ok, std::string_view passed = " passed.");

    bool PreChecks(const HardUpgradeJob& job);
    bool Steps(const HardUpgradeJob& job, const HardUpgradeHooks& hooks);
    bool Connect(std::uint32_t speed);
    void LineSequence(bool bootMode);
    bool LoadUKernel();
    bool ReferSize();
    bool Erase();
    bool SendFirmware(const HardUpgradeHooks& hooks);

    SerialPort& port_;
    UpgradeLog& log_;
    Clock& clock_;
    const BootImages& images_;
    std::stop_token stop_;
    std::unique_ptr<BootModeLink> link_;
    std::vector<std::uint8_t> firmware_;
};

}  // namespace skelvane
