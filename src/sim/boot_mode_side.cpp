#include "sim/boot_mode_side.h"

#include <algorithm>

namespace skelvane::sim {
namespace {

constexpr std::uint8_t kAck = 0x06;
constexpr std::size_t kMaxKernel = 8192;      // the boot program's RAM for the uKernel
constexpr std::size_t kMaxProcedure = 16384;  // the kernels' RAM for a procedure
constexpr std::size_t kFrameData = 128;
constexpr std::uint32_t kEndAddress = 0xFFFFFFFF;
constexpr Millis kRestartTime{10};
constexpr Millis kHostRestartGap{1000};

bool SumsToZero(std::span<const std::uint8_t> bytes) {
    unsigned sum = 0;
    for (const std::uint8_t byte : bytes) {
        sum += byte;
    }
    return (sum & 0xFF) == 0;
}

}  // namespace

std::shared_ptr<BootModeSide> BootModeSide::Install(Unit& unit, std::shared_ptr<UnitFlash> flash,
                                                    BootModeOptions options) {
    auto side = std::make_shared<BootModeSide>(std::move(flash), std::move(options));
    unit.SetPortHandler(UnitMode::Boot, side);
    return side;
}

void BootModeSide::StartNow(Network& network) {
    network.Locked([this](Network& net) {
        PortContext port(net, net.Local());
        Restart();
        port.SetMode(UnitMode::Boot);
    });
}

void BootModeSide::Restart() {
    stage_ = Stage::Matching;
    speed_ = 0;
    match_speed_ = 0;
    zeros_ = 0;
    matched_ = false;
    kernel_.clear();
    kernel_size_ = 0;
    size_bytes_ = 0;
    device_codes_.clear();
    device_selected_ = false;
    pending_.clear();
    erasing_loaded_ = false;
    writing_loaded_ = false;
    status_ = 3;
    ++boot_starts_;
}

void BootModeSide::OnLineChange(PortContext& port, const LineState& previous) {
    const LineState& line = port.Line();
    if (!previous.rts && line.rts) {
        in_reset_ = true;  // RTS holds the microcontroller in reset
        return;
    }
    if (!(previous.rts && !line.rts)) {
        return;
    }
    in_reset_ = false;
    const bool bootMode = line.dtr;
    std::weak_ptr<BootModeSide> self = weak_from_this();
    port.After(kRestartTime, [self, bootMode](PortContext& p) {
        const std::shared_ptr<BootModeSide> side = self.lock();
        if (side == nullptr) {
            return;
        }
        if (bootMode) {
            side->Restart();
            p.SetMode(UnitMode::Boot);
            return;
        }
        side->stage_ = Stage::Off;
        if (side->new_firmware_) {
            side->new_firmware_ = false;
            side->flash_->CountWrite();
            p.Self().SetVersion(NextVersion(p.Self().Version()));
        }
        p.SetMode(UnitMode::Diagnostic);
    });
}

void BootModeSide::OnBytes(PortContext& port, std::span<const std::uint8_t> bytes) {
    if (in_reset_ || stage_ == Stage::Off) {
        return;
    }
    const Millis now = port.Now();
    const std::uint32_t speed = port.Line().baudRate;
    const bool matchingSpeed =
        std::find(options_.speeds.begin(), options_.speeds.end(), speed) != options_.speeds.end();
    if (options_.strapped && stage_ != Stage::Matching && matchingSpeed &&
        now - last_byte_ >= kHostRestartGap) {
        Restart();  // the host has started again from the beginning
    }
    last_byte_ = now;
    if (stage_ == Stage::Matching ? !matchingSpeed : speed != speed_) {
        return;  // at another bit rate the bytes are only framing errors
    }
    for (const std::uint8_t byte : bytes) {
        Byte(port, byte);
    }
}

void BootModeSide::Byte(PortContext& port, std::uint8_t byte) {
    switch (stage_) {
        case Stage::Off:
        case Stage::KernelStarting:
            return;
        case Stage::Matching:
            Matching(port, byte);
            return;
        case Stage::KernelSize:
        case Stage::LoadingKernel:
            LoadKernelByte(port, byte);
            return;
        case Stage::LoadingProcedure:
            LoadProcedureByte(port, byte);
            return;
        case Stage::UKernel:
            pending_.push_back(byte);
            while (!pending_.empty() && stage_ == Stage::UKernel && UKernelCommand(port)) {
            }
            return;
        case Stage::Kernel:
            pending_.push_back(byte);
            while (!pending_.empty() && stage_ == Stage::Kernel && KernelCommand(port)) {
            }
            return;
    }
}

void BootModeSide::Matching(PortContext& port, std::uint8_t byte) {
    const std::uint32_t speed = port.Line().baudRate;
    if (byte == 0x00) {
        if (speed != match_speed_) {
            match_speed_ = speed;
            zeros_ = 0;
            matched_ = false;
        }
        // Once it has measured the bit rate it says so, once; further 0x00 bytes that were
        // already on their way are ignored.
        if (++zeros_ == options_.zerosToMatch) {
            matched_ = true;
            port.Send({0x00});
        }
    } else if (byte == 0x55 && matched_ && speed == match_speed_) {
        speed_ = match_speed_;
        stage_ = Stage::KernelSize;
        port.Send({0xAA});
    }
}

void BootModeSide::LoadKernelByte(PortContext& port, std::uint8_t byte) {
    port.Send({byte});  // every byte of the transfer is echoed
    if (stage_ == Stage::KernelSize) {
        kernel_size_ = kernel_size_ << 8 | byte;
        if (++size_bytes_ < 2) {
            return;
        }
        if (kernel_size_ == 0 || kernel_size_ > kMaxKernel) {
            port.Send({0xFF});
            Restart();
            return;
        }
        stage_ = Stage::LoadingKernel;
        return;
    }
    kernel_.push_back(byte);
    if (kernel_.size() < kernel_size_) {
        return;
    }
    stage_ = Stage::KernelStarting;
    FindDeviceCodes();
    std::weak_ptr<BootModeSide> self = weak_from_this();
    port.After(options_.kernelStart, [self](PortContext& p) {
        const std::shared_ptr<BootModeSide> side = self.lock();
        if (side != nullptr && side->stage_ == Stage::KernelStarting) {
            side->stage_ = Stage::UKernel;
            p.Send({0xAA});
        }
    });
}

void BootModeSide::FindDeviceCodes() {
    // Device records: four digits and the product name "HD64F714x".
    static const std::string kProduct = "HD64F714";
    for (std::size_t i = 0; i + 4 + kProduct.size() < kernel_.size(); ++i) {
        const bool digits = std::all_of(kernel_.begin() + static_cast<std::ptrdiff_t>(i),
                                        kernel_.begin() + static_cast<std::ptrdiff_t>(i + 4),
                                        [](std::uint8_t c) { return c >= '0' && c <= '9'; });
        if (digits && std::equal(kProduct.begin(), kProduct.end(),
                                 kernel_.begin() + static_cast<std::ptrdiff_t>(i + 4))) {
            device_codes_.emplace_back(kernel_.begin() + static_cast<std::ptrdiff_t>(i),
                                       kernel_.begin() + static_cast<std::ptrdiff_t>(i + 4));
        }
    }
}

void BootModeSide::Ack(PortContext& port, Millis delay) {
    port.Send({kAck}, delay);
}

void BootModeSide::Error(PortContext& port, std::uint8_t command) {
    port.Send({static_cast<std::uint8_t>(command | 0x80), 0x11});  // checksum or command error
}

bool BootModeSide::UKernelCommand(PortContext& port) {
    const std::uint8_t command = pending_[0];
    std::size_t length = 1;
    if (command == 0x10 || command == 0x11 || command == 0x3F) {
        if (pending_.size() < 2) {
            return false;
        }
        length = static_cast<std::size_t>(pending_[1]) + 3;  // command, size, data, checksum
    }
    if (pending_.size() < length) {
        return false;
    }
    const std::vector<std::uint8_t> message(pending_.begin(),
                                            pending_.begin() + static_cast<std::ptrdiff_t>(length));
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(length));
    switch (command) {
        case 0x27:  // the size of the programming unit
            port.Send({0x37, 0x02, 0x00, 0x80, 0x47});
            return true;
        case 0x10: {  // device selection
            const std::string code(message.begin() + 2, message.end() - 1);
            if (!SumsToZero(message) || std::find(device_codes_.begin(), device_codes_.end(),
                                                  code) == device_codes_.end()) {
                Error(port, command);
                return true;
            }
            device_selected_ = true;
            Ack(port);
            return true;
        }
        case 0x11:  // clock mode
            if (!SumsToZero(message) || !device_selected_) {
                Error(port, command);
                return true;
            }
            Ack(port);
            return true;
        case 0x3F: {  // new bit rate, in units of 100 bit/s
            if (!SumsToZero(message) || message.size() < 5) {
                Error(port, command);
                return true;
            }
            Ack(port);  // still at the old rate
            speed_ = static_cast<std::uint32_t>(message[2] << 8 | message[3]) * 100;
            return true;
        }
        case 0x06:  // the host checks the new bit rate
            Ack(port);
            return true;
        case 0x40:  // on to programming: the main kernel comes next
            Ack(port);
            stage_ = Stage::LoadingProcedure;
            procedure_ = Procedure::Main;
            return true;
        default:
            return true;  // not a command: dropped
    }
}

void BootModeSide::LoadProcedureByte(PortContext& port, std::uint8_t byte) {
    pending_.push_back(byte);
    if (pending_.size() < 4) {
        return;
    }
    const std::size_t size = static_cast<std::size_t>(pending_[0]) << 24 |
                             static_cast<std::size_t>(pending_[1]) << 16 |
                             static_cast<std::size_t>(pending_[2]) << 8 | pending_[3];
    const Stage back = procedure_ == Procedure::Main ? Stage::UKernel : Stage::Kernel;
    if (size == 0 || size > kMaxProcedure) {
        pending_.clear();
        stage_ = back;
        Error(port, 0x40);
        return;
    }
    if (pending_.size() < 4 + size + 1) {
        return;
    }
    const bool good = SumsToZero(pending_);
    pending_.clear();
    if (!good) {
        stage_ = back;
        Error(port, 0x40);
        return;
    }
    switch (procedure_) {
        case Procedure::Main:
            status_ = 3;
            break;
        case Procedure::Erasing:
            erasing_loaded_ = true;
            break;
        case Procedure::Writing:
            writing_loaded_ = true;
            break;
    }
    stage_ = Stage::Kernel;
    Ack(port);
}

bool BootModeSide::KernelCommand(PortContext& port) {
    const std::uint8_t command = pending_[0];
    switch (command) {
        case 0x4D:  // blank check
            pending_.erase(pending_.begin());
            if (flash_->Blank()) {
                Ack(port);
            } else {
                port.Send({0xCD, 0x52});
            }
            return true;
        case 0x4F: {  // status
            pending_.erase(pending_.begin());
            std::vector<std::uint8_t> reply = {0x5F, 0x02, status_, 0x00};
            unsigned sum = 0;
            for (const std::uint8_t b : reply) {
                sum += b;
            }
            reply.push_back(static_cast<std::uint8_t>(0x100 - (sum & 0xFF)));
            port.Send(std::move(reply));
            return true;
        }
        case 0x48:  // the erasing procedure comes next
        case 0x43:  // the writing procedure comes next
            pending_.erase(pending_.begin());
            procedure_ = command == 0x48 ? Procedure::Erasing : Procedure::Writing;
            stage_ = Stage::LoadingProcedure;
            Ack(port);
            return true;
        case 0x58: {  // erase a block, or 0xFF: erasing done
            if (pending_.size() < 2 ||
                pending_.size() < static_cast<std::size_t>(pending_[1]) + 3) {
                return false;
            }
            const std::size_t length = static_cast<std::size_t>(pending_[1]) + 3;
            const std::vector<std::uint8_t> message(
                pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(length));
            pending_.erase(pending_.begin(),
                           pending_.begin() + static_cast<std::ptrdiff_t>(length));
            if (!erasing_loaded_ || length != 4 || !SumsToZero(message)) {
                Error(port, command);
                return true;
            }
            const std::uint8_t block = message[2];
            if (block == 0xFF) {
                status_ = 3;
                Ack(port);
            } else if (flash_->EraseBlock(block)) {
                erased_.push_back(block);
                status_ = 2;
                Ack(port, options_.eraseTime);
            } else {
                Error(port, command);
            }
            return true;
        }
        case 0x50:
            return ProgrammingFrame(port);
        default:
            pending_.erase(pending_.begin());  // not a command: dropped
            return true;
    }
}

bool BootModeSide::ProgrammingFrame(PortContext& port) {
    if (pending_.size() < 5) {
        return false;
    }
    const std::uint32_t address = static_cast<std::uint32_t>(pending_[1]) << 24 |
                                  static_cast<std::uint32_t>(pending_[2]) << 16 |
                                  static_cast<std::uint32_t>(pending_[3]) << 8 | pending_[4];
    const std::size_t length = address == kEndAddress ? 6 : 5 + kFrameData + 1;
    if (pending_.size() < length) {
        return false;
    }
    const std::vector<std::uint8_t> frame(pending_.begin(),
                                          pending_.begin() + static_cast<std::ptrdiff_t>(length));
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(length));
    if (!writing_loaded_ || !SumsToZero(frame)) {
        Error(port, 0x50);
        return true;
    }
    if (address == kEndAddress) {
        end_frame_ = true;
        new_firmware_ = true;
        Ack(port);
        if (options_.strapped) {
            Restart();  // the boot pins still select boot mode at the next start
        }
        return true;
    }
    if (options_.silentAfterFrames >= 0 && frames_written_ >= options_.silentAfterFrames) {
        return true;
    }
    const std::span<const std::uint8_t> data(frame.data() + 5, kFrameData);
    if (address % kFrameData != 0 || !flash_->Program(address, data) ||
        !std::equal(data.begin(), data.end(), flash_->Bytes().begin() + address)) {
        port.Send({0xD0, 0x52});  // programming error: outside the flash or not erased
        return true;
    }
    ++frames_written_;
    Ack(port);
    return true;
}

}  // namespace skelvane::sim
