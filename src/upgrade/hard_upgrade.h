#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "link/serial_port.h"
#include "upgrade/boot_images.h"
#include "upgrade/boot_mode_link.h"
#include "upgrade/upgrade_log.h"
#include "upgrade/upgrade_run.h"

namespace skelvane {

// What one hard-upgrade run works on: a copy of the dialog's fields taken when it starts.
struct HardUpgradeJob {
    std::string portName;
    std::string fileName;
    bool forceErase = false;
};

// The boot-mode upgrade of the unit on the programming cable: reset into boot mode, bit-rate
// matching, the uKernel and the three procedures loaded, blank check, erase, the firmware
// file written in 128-byte frames, and a restart. Every step is logged.
class HardUpgrade : private UpgradeSession {
  public:
    // The last line of a run that failed once the flash may have been touched.
    static constexpr std::string_view kFlashStateText =
        "The unit's flash is erased (or partly written); it stays in boot mode. Run Program "
        "again with the same cable.";

    HardUpgrade(SerialPort& port, UpgradeLog& log, Clock& clock, const BootImages& images)
        : UpgradeSession(port, log, clock), images_(images) {}

    // Runs every step and closes the port. Once `stop` is requested the run writes nothing
    // more into the log and ends within one read timeout.
    UpgradeResult Run(const HardUpgradeJob& job, std::stop_token stop,
                      const UpgradeHooks& hooks = {});

    // The 134-byte frame that writes 128 bytes at `address` (short data is filled with 0x00).
    static std::vector<std::uint8_t> FirmwareFrame(std::uint32_t address,
                                                   std::span<const std::uint8_t> data);

  private:
    // One line of the log and what runs for it; `passed` is appended on success, "Failed."
    // otherwise.
    struct Step {
        std::string_view line;
        bool (HardUpgrade::*run)();
        std::string_view passed = " passed.";
        bool erase = false;         // runs only when the flash is to be erased
        bool touchesFlash = false;  // from here on a failure leaves the flash changed
    };
    static const Step kSteps[];

    bool PreChecks();
    bool RunSteps();

    bool Connect();
    bool ConnectAt(std::uint32_t speed);
    bool CheckConnection();
    bool SendUKernelSize();
    bool LoadUKernel();
    bool ReferSize();
    bool SelectDevice();
    bool ChangeClockMode();
    bool ChangeBaudRate();
    bool VerifyBaudRate();
    bool SendDataSet();
    bool LoadMainKernel();
    bool BlankCheck();
    bool RequestBootMode();
    bool PrepareErasing();
    bool LoadErasingProcedure();
    bool Erase();
    bool RequestBootModeTwice();
    bool PrepareWriting();
    bool LoadWritingProcedure();
    bool SendFirmware();
    void LineSequence(bool bootMode);

    const BootImages& images_;
    HardUpgradeJob job_;
    std::unique_ptr<BootModeLink> link_;
    std::vector<std::uint8_t> firmware_;
    bool blank_ = false;
};

}  // namespace skelvane
