#include "upgrade/hard_upgrade.h"

#include <algorithm>
#include <array>

#include "base/format.h"
#include "upgrade/crc16.h"
#include "upgrade/simulator_port.h"

namespace skelvane {
namespace {

constexpr std::size_t kFrameData = 128;
// The flash has 12 erase blocks.
constexpr std::uint8_t kEraseBlocks = 12;
// The device code of the HD64F7145 among the uKernel's device records.
constexpr std::string_view kDeviceCode = "0410";

std::vector<std::uint8_t> WithChecksum(std::vector<std::uint8_t> command) {
    command.push_back(CommandChecksum(command));
    return command;
}

}  // namespace

// The steps in the order they run. The erase runs when "Force to Erase" is ticked or the
// flash is not blank. Once the erasing has begun (or, with a blank flash, once the writing is
// being prepared) a failure leaves the unit without its old firmware.
const HardUpgrade::Step HardUpgrade::kSteps[] = {
    {"Connecting to the device ...", &HardUpgrade::Connect, "connected."},
    {"Checking the connection ...", &HardUpgrade::CheckConnection},
    {"Sending uKernel size ...", &HardUpgrade::SendUKernelSize},
    {"Loading uKernel, wait ...", &HardUpgrade::LoadUKernel},
    {"Writing refer size ...", &HardUpgrade::ReferSize},
    {"Sending run command ...", &HardUpgrade::SelectDevice},
    {"Changing clock mode ...", &HardUpgrade::ChangeClockMode},
    {"Changing baud rate to 115,200 ...", &HardUpgrade::ChangeBaudRate},
    {"Verifying new baud rate ...", &HardUpgrade::VerifyBaudRate},
    {"Sending data set ...", &HardUpgrade::SendDataSet},
    {"Loading main kernel ...", &HardUpgrade::LoadMainKernel},
    {"Blank checking ...", &HardUpgrade::BlankCheck},
    {"Requesting boot mode ...", &HardUpgrade::RequestBootMode},
    {"Preparing flash erasing ...", &HardUpgrade::PrepareErasing, " passed.", true},
    {"Loading erasing proc ...", &HardUpgrade::LoadErasingProcedure, " passed.", true},
    {"Erasing flash now, wait ...", &HardUpgrade::Erase, " passed.", true, true},
    {"Requesting boot mode ...", &HardUpgrade::RequestBootModeTwice, " passed.", false, true},
    {"Preparing user data writing ...", &HardUpgrade::PrepareWriting},
    {"Loading writing procedure ...", &HardUpgrade::LoadWritingProcedure},
    {"Loading FW now, wait ...", &HardUpgrade::SendFirmware, " succeeded."},
};

std::vector<std::uint8_t> HardUpgrade::FirmwareFrame(std::uint32_t address,
                                                     std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> frame(5 + kFrameData, 0x00);
    frame[0] = boot::kWrite;
    frame[1] = static_cast<std::uint8_t>(address >> 24);
    frame[2] = static_cast<std::uint8_t>(address >> 16);
    frame[3] = static_cast<std::uint8_t>(address >> 8);
    frame[4] = static_cast<std::uint8_t>(address);
    std::copy_n(data.begin(), std::min(data.size(), kFrameData), frame.begin() + 5);
    frame.push_back(CommandChecksum(frame));
    return frame;
}

UpgradeResult HardUpgrade::Run(const HardUpgradeJob& job, std::stop_token stop,
                               const UpgradeHooks& hooks) {
    Begin(std::move(stop), hooks);
    job_ = job;
    blank_ = false;
    BootModeLink::Hooks linkHooks;
    linkHooks.dot = [this] { Append("."); };
    if (hooks_.verbose) {
        linkHooks.drained = [this](std::size_t bytes) {
            hooks_.verbose(Format("%lu bytes still waiting were drained before the request.",
                                  static_cast<unsigned long>(bytes)));
        };
    }
    link_ = std::make_unique<BootModeLink>(port_, clock_, stop_, std::move(linkHooks));

    Log(" ");
    Log("Start to program");
    bool completed = false;
    if (port_.IsOpen()) {
        // A run that was ended while the port was open left it so: this start only closes it.
        port_.Close();
    } else {
        completed =
            !job_.portName.empty() && PreChecks() && OpenNamedPort(job_.portName) && RunSteps();
    }
    firmware_.clear();
    return End(completed);
}

bool HardUpgrade::PreChecks() {
    // Made-up machine code must never reach a real unit.
    if (images_.placeholders && !IsSimulatorPort(job_.portName)) {
        Log("This build has no boot program images, only placeholders for the simulator: " +
            job_.portName + " is not a simulator port, nothing is sent.");
        return false;
    }
    // The file is read before the unit is reset, so that a file that cannot be sent never
    // leaves the unit erased.
    return LoadFirmware(job_.fileName, firmware_);
}

bool HardUpgrade::RunSteps() {
    bool flashTouched = false;
    for (const Step& step : kSteps) {
        if (step.erase && !job_.forceErase && blank_) {
            continue;
        }
        flashTouched = flashTouched || step.touchesFlash;
        Log(step.line);
        if ((this->*step.run)()) {
            Append(step.passed);
            continue;
        }
        Append("Failed.");
        if (link_->PortFailed()) {
            Log(Format("Writing to %s failed: %lu of %lu bytes went out.", job_.portName.c_str(),
                       static_cast<unsigned long>(link_->WrittenOfFailed()),
                       static_cast<unsigned long>(link_->SizeOfFailed())));
        }
        if (flashTouched) {
            Log(kFlashStateText);
        }
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

bool HardUpgrade::Connect() {
    return ConnectAt(19200) || (!Stopped() && !link_->PortFailed() && ConnectAt(9600));
}

bool HardUpgrade::ConnectAt(std::uint32_t speed) {
    if (!port_.SetBaudRate(speed)) {
        return false;
    }
    LineSequence(true);
    // The boot program measures the speed from the matching bytes and answers one once it
    // has it; whatever the first one brings back is left over from the reset.
    std::array<std::uint8_t, 512> buffer;
    for (int attempt = 1; attempt <= BootModeLink::kAttempts; ++attempt) {
        if (!link_->Write(std::array<std::uint8_t, 1>{boot::kMatch}) || !link_->Sleep(Millis{5})) {
            return false;
        }
        const std::size_t got = port_.Read(buffer.data(), buffer.size());
        if (attempt > 1 && got > 0 && buffer[0] == boot::kMatch) {
            return true;
        }
    }
    return false;
}

bool HardUpgrade::CheckConnection() {
    return link_->SendExpect(boot::kCheck, boot::kCheckReply);
}

// The uKernel's size goes in two bytes, upper first, each echoed; both are always sent.
bool HardUpgrade::SendUKernelSize() {
    const auto size = static_cast<std::uint16_t>(images_.uKernel.size());
    const auto upper = static_cast<std::uint8_t>(size >> 8);
    const auto lower = static_cast<std::uint8_t>(size & 0xFF);
    const bool upperEchoed = link_->SendExpect(upper, upper);
    const bool lowerEchoed = link_->SendExpect(lower, lower);
    return upperEchoed && lowerEchoed;
}

bool HardUpgrade::LoadUKernel() {
    // The boot program echoes every byte; the echo is compared a chunk of 128 at a time.
    constexpr std::size_t kChunk = 128;
    const std::span<const std::uint8_t> image = images_.uKernel;
    std::array<std::uint8_t, 256> buffer;
    link_->DrainStale();
    for (std::size_t at = 0; at < image.size(); at += kChunk) {
        const std::span<const std::uint8_t> chunk =
            image.subspan(at, std::min(kChunk, image.size() - at));
        for (std::size_t i = 0; i < chunk.size(); ++i) {
            if (!link_->Write(chunk.subspan(i, 1))) {
                return false;
            }
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
    return link_->Sleep(Millis{200}) && link_->WaitByte(boot::kLoaded);
}

// The kernel answers with the size of its programming unit: 0x0080, the 128 bytes of the
// firmware frames, and a checksum.
bool HardUpgrade::ReferSize() {
    link_->SetReadTimeout(1500);
    if (!link_->SendExpect(boot::kReferSize, std::nullopt)) {
        return false;
    }
    for (const std::uint8_t expected :
         {boot::kReferSizeReply, std::uint8_t{0x02}, std::uint8_t{0x00}, std::uint8_t{0x80},
          std::uint8_t{0x47}}) {
        if (!link_->WaitByte(expected)) {
            return false;
        }
    }
    return true;
}

bool HardUpgrade::SelectDevice() {
    std::vector<std::uint8_t> command = {boot::kSelectDevice,
                                         static_cast<std::uint8_t>(kDeviceCode.size())};
    command.insert(command.end(), kDeviceCode.begin(), kDeviceCode.end());
    return link_->SendExpect(WithChecksum(command), boot::kAck);
}

bool HardUpgrade::ChangeClockMode() {
    return link_->SendExpect(WithChecksum({boot::kClockMode, 0x01, 0x03}), boot::kAck);
}

// 1152 x 100 bit/s; input clock 1106 x 10 kHz; two multiplication ratios, 4 and 2.
bool HardUpgrade::ChangeBaudRate() {
    const std::vector<std::uint8_t> command =
        WithChecksum({boot::kNewBitRate, 0x07, 0x04, 0x80, 0x04, 0x52, 0x02, 0x04, 0x02});
    return link_->SendExpect(command, boot::kAck) && port_.SetBaudRate(115200);
}

bool HardUpgrade::VerifyBaudRate() {
    link_->SetReadTimeout(1500);
    return link_->Sleep(Millis{100}) && link_->SendExpect(boot::kAck, boot::kAck);
}

bool HardUpgrade::SendDataSet() {
    return link_->SendExpect(boot::kDataSet, boot::kAck);
}

bool HardUpgrade::LoadMainKernel() {
    return link_->LoadProcedure(images_.mainKernel);
}

// A flash that is not blank is no error: it only makes the erase run.
bool HardUpgrade::BlankCheck() {
    if (!link_->SendExpect(boot::kBlankCheck, std::nullopt)) {
        return false;
    }
    link_->SetReadTimeout(1000);
    port_.SetBaudRate(115200);
    blank_ = link_->WaitByte(boot::kAck);
    if (Stopped()) {
        return false;
    }
    if (!blank_) {
        Append("not blank.");
    }
    return port_.SetBaudRate(115200);
}

bool HardUpgrade::RequestBootMode() {
    return link_->QueryStatus(boot::kStatusReady);
}

bool HardUpgrade::PrepareErasing() {
    return link_->SendExpect(boot::kPrepareErase, boot::kAck);
}

bool HardUpgrade::LoadErasingProcedure() {
    return link_->LoadProcedure(images_.erasingProcedure);
}

// Blocks 0 to 11, then the end marker; the status says "erasing" after each block and
// "ready" after the end.
bool HardUpgrade::Erase() {
    for (unsigned block = 0; block <= kEraseBlocks; ++block) {
        const std::uint8_t number =
            block < kEraseBlocks ? static_cast<std::uint8_t>(block) : boot::kEraseEnd;
        const bool acknowledged =
            link_->SendExpect(WithChecksum({boot::kEraseBlock, 0x01, number}), boot::kAck);
        Append(".");
        if (!link_->Sleep(Millis{5}) || !acknowledged) {
            return false;
        }
        if (!link_->QueryStatus(number == boot::kEraseEnd ? boot::kStatusReady
                                                          : boot::kStatusErasing)) {
            return false;
        }
    }
    return true;
}

bool HardUpgrade::RequestBootModeTwice() {
    return link_->QueryStatus(boot::kStatusReady) && link_->QueryStatus(boot::kStatusReady);
}

bool HardUpgrade::PrepareWriting() {
    return link_->SendExpect(boot::kPrepareWrite, boot::kAck);
}

bool HardUpgrade::LoadWritingProcedure() {
    return link_->LoadProcedure(images_.writingProcedure);
}

bool HardUpgrade::SendFirmware() {
    const std::size_t blocks = (firmware_.size() + kFrameData - 1) / kFrameData;
    link_->SetReadTimeout(1000);
    for (std::size_t i = 0; i < blocks; ++i) {
        const std::size_t address = i * kFrameData;
        const std::size_t count = std::min(kFrameData, firmware_.size() - address);
        const std::vector<std::uint8_t> frame =
            FirmwareFrame(static_cast<std::uint32_t>(address),
                          std::span<const std::uint8_t>(firmware_.data() + address, count));
        const bool acknowledged = link_->SendExpect(frame, boot::kAck);
        if (i % 20 == 0) {
            Append(".");
        }
        if (!acknowledged) {
            return false;
        }
        if (hooks_.progress) {
            hooks_.progress(i + 1, blocks);
        }
    }
    const std::vector<std::uint8_t> end =
        WithChecksum({boot::kWrite, static_cast<std::uint8_t>(boot::kWriteEnd >> 24),
                      static_cast<std::uint8_t>(boot::kWriteEnd >> 16),
                      static_cast<std::uint8_t>(boot::kWriteEnd >> 8),
                      static_cast<std::uint8_t>(boot::kWriteEnd)});
    return link_->SendExpect(end, boot::kAck);
}

}  // namespace skelvane
