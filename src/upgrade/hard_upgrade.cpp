#include "upgrade/hard_upgrade.h"

#include <algorithm>
#include <array>

#include "base/format.h"
#include "upgrade/crc16.h"
#include "upgrade/firmware_file.h"
#include "upgrade/simulator_port.h"

namespace skelvane {
namespace {

constexpr std::uint8_t kAck = BootModeLink::kAck;
constexpr std::size_t kFrameData = 128;
// The flash has 12 erase blocks; 0xFF ends the erasing.
constexpr std::uint8_t kEraseBlocks = 12;
constexpr std::uint8_t kEraseEnd = 0xFF;
// The device code of the HD64F7145 among the uKernel's device records.
constexpr std::string_view kDeviceCode = "0410";

std::vector<std::uint8_t> WithChecksum(std::vector<std::uint8_t> command) {
    command.push_back(CommandChecksum(command));
    return command;
}

}  // namespace

std::vector<std::uint8_t> HardUpgrade::FirmwareFrame(std::uint32_t address,
                                                     std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> frame(5 + kFrameData, 0x00);
    frame[0] = 0x50;
    frame[1] = static_cast<std::uint8_t>(address >> 24);
    frame[2] = static_cast<std::uint8_t>(address >> 16);
    frame[3] = static_cast<std::uint8_t>(address >> 8);
    frame[4] = static_cast<std::uint8_t>(address);
    std::copy_n(data.begin(), std::min(data.size(), kFrameData), frame.begin() + 5);
    frame.push_back(CommandChecksum(frame));
    return frame;
}

void HardUpgrade::Log(std::string_view text) {
    if (!Stopped()) {
        log_.Log(text);
    }
}

void HardUpgrade::Append(std::string_view text) {
    if (!Stopped()) {
        log_.Append(text);
    }
}

bool HardUpgrade::Outcome(bool ok, std::string_view passed) {
    Append(ok ? passed : std::string_view("Failed."));
    return ok;
}

UpgradeResult HardUpgrade::Run(const HardUpgradeJob& job, std::stop_token stop,
                               const HardUpgradeHooks& hooks) {
    stop_ = std::move(stop);
    port_.SetStopToken(stop_);
    link_ = std::make_unique<BootModeLink>(port_, clock_, stop_, [this] { Append("."); });
    const bool completed = Steps(job, hooks);
    // Every path ends here: the port is closed and the dialog shows it is idle again.
    port_.Close();
    if (hooks.busy) {
        hooks.busy(false);
    }
    firmware_.clear();
    if (completed) {
        return UpgradeResult::Completed;
    }
    return Stopped() ? UpgradeResult::Stopped : UpgradeResult::Failed;
}

bool HardUpgrade::PreChecks(const HardUpgradeJob& job) {
    // Made-up machine code must never reach a real unit.
    if (images_.placeholders && !IsSimulatorPort(job.portName)) {
        Log("This build has no boot program images, only placeholders for the simulator: " +
            job.portName + " is not a simulator port, nothing is sent.");
        return false;
    }
    // The file is read before the unit is reset, so that a file that is missing, empty or too
    // large for the flash never leaves the unit erased.
    FirmwareFile file = ReadFirmwareFile(job.fileName, kImageSize);
    switch (file.status) {
        case FirmwareFile::Status::Ok:
            firmware_ = std::move(file.bytes);
            return true;
        case FirmwareFile::Status::CannotOpen:
            Log("Couldn't access file ");
            Append(job.fileName);
            return false;
        case FirmwareFile::Status::Empty:
            Log("The file " + job.fileName + " is empty: nothing is sent.");
            return false;
        case FirmwareFile::Status::TooLarge:
            Log(Format("The file %s is larger than the unit's flash (%u bytes): nothing is sent.",
                       job.fileName.c_str(), static_cast<unsigned>(kImageSize)));
            return false;
    }
    return false;
}

bool HardUpgrade::Steps(const HardUpgradeJob& job, const HardUpgradeHooks& hooks) {
    BootModeLink& link = *link_;
    Log(" ");
    Log("Start to program");
    if (port_.IsOpen()) {
        // A run that was ended while the port was open left it so: this start only closes it.
        port_.Close();
        return false;
    }
    if (job.portName.empty() || !PreChecks(job)) {
        return false;
    }

    Log("Opening serial port ");
    if (hooks.busy) {
        hooks.busy(true);
    }
    Append(job.portName);
    if (!port_.Open(job.portName)) {
        Append(" ... failed.");
        if (!port_.OpenFailureHint().empty()) {
            Log(port_.OpenFailureHint());
        }
        return false;
    }
    port_.Purge();
    Append(" ... done.");

    Log("Connecting to the device ...");
    if (!Outcome(Connect(19200) || (!Stopped() && Connect(9600)), "connected.")) {
        return false;
    }

    Log("Checking the connection ...");
    if (!Outcome(link.SendExpect(0x55, 0xAA))) {
        return false;
    }

    // The uKernel's size goes in two bytes, upper first, each echoed.
    Log("Sending uKernel size ...");
    const auto size = static_cast<std::uint16_t>(images_.uKernel.size());
    const bool upper =
        link.SendExpect(static_cast<std::uint8_t>(size >> 8), static_cast<std::uint8_t>(size >> 8));
    const bool lower = link.SendExpect(static_cast<std::uint8_t>(size & 0xFF),
                                       static_cast<std::uint8_t>(size & 0xFF));
    if (!Outcome(upper && lower)) {
        return false;
    }

    Log("Loading uKernel, wait ...");
    if (!Outcome(LoadUKernel())) {
        return false;
    }

    Log("Writing refer size ...");
    if (!Outcome(ReferSize())) {
        return false;
    }

    Log("Sending run command ...");
    std::vector<std::uint8_t> run = {0x10, static_cast<std::uint8_t>(kDeviceCode.size())};
    run.insert(run.end(), kDeviceCode.begin(), kDeviceCode.end());
    if (!Outcome(link.SendExpect(WithChecksum(run), kAck))) {
        return false;
    }

    Log("Changing clock mode ...");
    if (!Outcome(link.SendExpect(WithChecksum({0x11, 0x01, 0x03}), kAck))) {
        return false;
    }

    // 1152 x 100 bit/s; input clock 1106 x 10 kHz; two multiplication ratios, 4 and 2.
    Log("Changing baud rate to 115,200 ...");
    const std::vector<std::uint8_t> newRate =
        WithChecksum({0x3F, 0x07, 0x04, 0x80, 0x04, 0x52, 0x02, 0x04, 0x02});
    if (!Outcome(link.SendExpect(newRate, kAck) && port_.SetBaudRate(115200))) {
        return false;
    }

    Log("Verifying new baud rate ...");
    link.SetReadTimeout(1500);
    if (!Outcome(link.Sleep(Millis{100}) && link.SendExpect(0x06, kAck))) {
        return false;
    }

    Log("Sending data set ...");
    if (!Outcome(link.SendExpect(0x40, kAck))) {
        return false;
    }

    Log("Loading main kernel ...");
    if (!Outcome(link.LoadProcedure(images_.mainKernel))) {
        return false;
    }

    Log("Blank checking ...");
    link.SendExpect(0x4D, std::nullopt);
    link.SetReadTimeout(1000);
    port_.SetBaudRate(115200);
    const bool blank = link.WaitByte(kAck);
    if (Stopped()) {
        return false;
    }
    if (!blank) {
        Append("not blank.");  // not an error: it only makes the erase run
    }
    if (!Outcome(port_.SetBaudRate(115200))) {
        return false;
    }

    Log("Requesting boot mode ...");
    if (!Outcome(link.QueryStatus(3))) {
        return false;
    }

    if (job.forceErase || !blank) {
        Log("Preparing flash erasing ...");
        if (!Outcome(link.SendExpect(0x48, kAck))) {
            return false;
        }
        Log("Loading erasing proc ...");
        if (!Outcome(link.LoadProcedure(images_.erasingProcedure))) {
            return false;
        }
        Log("Erasing flash now, wait ...");
        if (!Outcome(Erase())) {
            return false;
        }
    }

    Log("Requesting boot mode ...");
    if (!Outcome(link.QueryStatus(3) && link.QueryStatus(3))) {
        return false;
    }

    Log("Preparing user data writing ...");
    if (!Outcome(link.SendExpect(0x43, kAck))) {
        return false;
    }

    Log("Loading writing procedure ...");
    if (!Outcome(link.LoadProcedure(images_.writingProcedure))) {
        return false;
    }

    Log("Loading FW now, wait ...");
    if (!Outcome(SendFirmware(hooks), " succeeded.")) {
        return false;
    }
    Log(" ");
    Log("Upgrade completed !!");
    LineSequence(false);
    return true;
}

void HardUpgrade::LineSequence(bool bootMode) {
    // DTR selects the boot mode and RTS holds the microcontroller in reset while it is set.
    port_.SetDtr(bootMode);
    port_.SetRts(true);
    link_->Sleep(Millis{500});
    port_.SetRts(false);
}

bool HardUpgrade::Connect(std::uint32_t speed) {
    if (!port_.SetBaudRate(speed)) {
        return false;
    }
    LineSequence(true);
    // The boot program measures the speed from 0x00 bytes and answers 0x00 once it has it;
    // whatever the first byte brings back is left over from the reset.
    std::array<std::uint8_t, 512> buffer;
    for (int attempt = 1; attempt <= BootModeLink::kAttempts; ++attempt) {
        link_->Write(std::array<std::uint8_t, 1>{0x00});
        if (!link_->Sleep(Millis{5})) {
            return false;
        }
        const std::size_t got = port_.Read(buffer.data(), buffer.size());
        if (attempt > 1 && got > 0 && buffer[0] == 0x00) {
            return true;
        }
    }
    return false;
}

bool HardUpgrade::LoadUKernel() {
    // The boot program echoes every byte; the echo is compared a chunk of 128 at a time.
    constexpr std::size_t kChunk = 128;
    const std::span<const std::uint8_t> image = images_.uKernel;
    std::array<std::uint8_t, 256> buffer;
    for (std::size_t at = 0; at < image.size(); at += kChunk) {
        const std::span<const std::uint8_t> chunk =
            image.subspan(at, std::min(kChunk, image.size() - at));
        for (const std::uint8_t byte : chunk) {
            link_->Write(std::span<const std::uint8_t>(&byte, 1));
        }
        std::vector<std::uint8_t> echo;
        echo.reserve(chunk.size());
        for (std::size_t attempt = 1; attempt <= chunk.size() && echo.size() < chunk.size();
             ++attempt) {
            if (!link_->Sleep(Millis{1})) {
                return false;
            }
            const std::size_t got = port_.Read(buffer.data(), buffer.size());
            const std::size_t kept = std::min(got, chunk.size() - echo.size());
            echo.insert(echo.end(), buffer.begin(),
                        buffer.begin() + static_cast<std::ptrdiff_t>(kept));
            if (attempt == 65) {
                Append(".");
            }
        }
        Append(".");
        if (!std::equal(chunk.begin(), chunk.end(), echo.begin(), echo.end())) {
            return false;
        }
    }
    return link_->Sleep(Millis{200}) && link_->WaitByte(0xAA);
}

bool HardUpgrade::ReferSize() {
    // The kernel answers with the size of its programming unit: 0x0080, the 128 bytes of the
    // firmware frames.
    link_->SetReadTimeout(1500);
    link_->SendExpect(0x27, std::nullopt);
    for (const std::uint8_t expected : {0x37, 0x02, 0x00, 0x80, 0x47}) {
        if (!link_->WaitByte(expected)) {
            return false;
        }
    }
    return true;
}

bool HardUpgrade::Erase() {
    for (unsigned block = 0; block <= kEraseBlocks; ++block) {
        const std::uint8_t number =
            block < kEraseBlocks ? static_cast<std::uint8_t>(block) : kEraseEnd;
        const bool acknowledged = link_->SendExpect(WithChecksum({0x58, 0x01, number}), kAck);
        Append(".");
        if (!link_->Sleep(Millis{5}) || !acknowledged) {
            return false;
        }
        if (!link_->QueryStatus(number == kEraseEnd ? 3 : 2)) {
            return false;
        }
    }
    return true;
}

bool HardUpgrade::SendFirmware(const HardUpgradeHooks& hooks) {
    const std::size_t blocks = (firmware_.size() + kFrameData - 1) / kFrameData;
    link_->SetReadTimeout(1000);
    for (std::size_t i = 0; i < blocks; ++i) {
        const std::size_t address = i * kFrameData;
        const std::size_t count = std::min(kFrameData, firmware_.size() - address);
        const std::vector<std::uint8_t> frame =
            FirmwareFrame(static_cast<std::uint32_t>(address),
                          std::span<const std::uint8_t>(firmware_.data() + address, count));
        const bool acknowledged = link_->SendExpect(frame, kAck);
        if (i % 20 == 0) {
            Append(".");
        }
        if (!acknowledged) {
            return false;
        }
        if (hooks.progress) {
            hooks.progress(i + 1, blocks);
        }
    }
    return link_->SendExpect(WithChecksum({0x50, 0xFF, 0xFF, 0xFF, 0xFF}), kAck);
}

}  // namespace skelvane
