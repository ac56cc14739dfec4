#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/clock.h"
#include "sim/network.h"
#include "sim/unit.h"
#include "sim/unit_flash.h"

namespace skelvane::sim {

struct BootModeOptions {
    // The bit rates the boot program can match (a unit may manage only 9600).
    std::vector<std::uint32_t> speeds = {19200, 9600};
    // 0x00 bytes the boot program needs before it has measured the bit rate.
    int zerosToMatch = 2;
    // The boot pins are held for boot mode: every start is a boot-mode start. Behind the
    // pseudo-terminal, where DTR and RTS do not travel, a host that starts again (a 0x00 at a
    // matching speed after a second of silence) restarts the boot program.
    bool strapped = false;
    // From the last uKernel byte to the boot program's 0xAA: long after the host has stopped
    // collecting echoes (where a 0xAA would be lost), well inside its 200 ms pause.
    Millis kernelStart{150};
    // Erasing one block.
    Millis eraseTime{40};
    // Fault: firmware frames after this many are not acknowledged (-1: all are).
    int silentAfterFrames = -1;
};

// The boot mode of the microcontroller on the programming cable, as the tool meets it: reset
// into it by RTS released while DTR is set, bit-rate matching, the echoed uKernel load, the
// uKernel's commands (refer size, device, clock mode, new bit rate), the procedure loads with
// their checksums, blank check, status queries, block erase and the 128-byte programming
// frames into the unit's flash. Reset with DTR clear, the unit runs its (new) firmware.
class BootModeSide final : public PortHandler, public std::enable_shared_from_this<BootModeSide> {
  public:
    enum class Stage {
        Off,             // running its firmware
        Matching,        // the boot program measures the bit rate
        KernelSize,      // two size bytes, echoed
        LoadingKernel,   // the uKernel, echoed
        KernelStarting,  // the uKernel starts; 0xAA follows
        UKernel,         // the uKernel's commands
        LoadingProcedure,
        Kernel,  // the main kernel's commands
    };

    BootModeSide(std::shared_ptr<UnitFlash> flash, BootModeOptions options)
        : flash_(std::move(flash)), options_(std::move(options)) {}

    // Installs the side as the unit's boot-mode port handler.
    static std::shared_ptr<BootModeSide> Install(Unit& unit, std::shared_ptr<UnitFlash> flash,
                                                 BootModeOptions options = {});
    // Puts the unit on the cable into boot mode now (pins strapped at power-up).
    void StartNow(Network& network);

    void OnBytes(PortContext& port, std::span<const std::uint8_t> bytes) override;
    void OnLineChange(PortContext& port, const LineState& previous) override;

    Stage GetStage() const { return stage_; }
    // The bit rate the boot program works at (0 before it has matched one).
    std::uint32_t Speed() const { return speed_; }
    // The bit rate of the last match (0 before the first).
    std::uint32_t MatchedSpeed() const { return match_speed_; }
    int BootStarts() const { return boot_starts_; }
    // The device codes found in the uKernel it received.
    const std::vector<std::string>& DeviceCodes() const { return device_codes_; }
    const std::vector<int>& ErasedBlocks() const { return erased_; }
    int FramesWritten() const { return frames_written_; }
    bool EndFrameReceived() const { return end_frame_; }
    UnitFlash& Flash() { return *flash_; }
    BootModeOptions& Options() { return options_; }

  private:
    enum class Procedure { Main, Erasing, Writing };

    void Restart();
    void Byte(PortContext& port, std::uint8_t byte);
    void Matching(PortContext& port, std::uint8_t byte);
    void LoadKernelByte(PortContext& port, std::uint8_t byte);
    void LoadProcedureByte(PortContext& port, std::uint8_t byte);
    // Parses the command at the front of pending_; false when it is not complete yet.
    bool UKernelCommand(PortContext& port);
    bool KernelCommand(PortContext& port);
    bool ProgrammingFrame(PortContext& port);
    void FindDeviceCodes();
    void Ack(PortContext& port, Millis delay = Millis{0});
    void Error(PortContext& port, std::uint8_t command);

    std::shared_ptr<UnitFlash> flash_;
    BootModeOptions options_;
    Stage stage_ = Stage::Off;
    bool in_reset_ = false;
    Millis last_byte_{-100000};
    std::uint32_t speed_ = 0;
    std::uint32_t match_speed_ = 0;
    int zeros_ = 0;
    bool matched_ = false;
    std::size_t kernel_size_ = 0;
    int size_bytes_ = 0;
    std::vector<std::uint8_t> kernel_;
    std::vector<std::string> device_codes_;
    bool device_selected_ = false;
    Procedure procedure_ = Procedure::Main;
    std::vector<std::uint8_t> pending_;
    bool erasing_loaded_ = false;
    bool writing_loaded_ = false;
    std::uint8_t status_ = 3;
    std::vector<int> erased_;
    int frames_written_ = 0;
    bool end_frame_ = false;
    bool new_firmware_ = false;
    int boot_starts_ = 0;
};

}  // namespace skelvane::sim
