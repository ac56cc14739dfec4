#include "upgrade/upgrade_run.h"

#include "base/format.h"
#include "upgrade/crc16.h"
#include "upgrade/firmware_file.h"

namespace skelvane {

void UpgradeSession::Begin(std::stop_token stop, const UpgradeHooks& hooks) {
    stop_ = std::move(stop);
    hooks_ = hooks;
    port_.SetStopToken(stop_);
}

void UpgradeSession::Log(std::string_view text) {
    if (!Stopped()) {
        log_.Log(text);
    }
}

void UpgradeSession::Append(std::string_view text) {
    if (!Stopped()) {
        log_.Append(text);
    }
}

bool UpgradeSession::LoadFirmware(const std::string& fileName, std::vector<std::uint8_t>& bytes) {
    FirmwareFile file = ReadFirmwareFile(fileName, kImageSize);
    if (file.status != FirmwareFile::Status::Ok) {
        Log(FirmwareFileRefusal(file, fileName, kImageSize));
        if (file.status == FirmwareFile::Status::CannotOpen) {
            Append(fileName);
        }
        return false;
    }
    bytes = std::move(file.bytes);
    return true;
}

bool UpgradeSession::OpenNamedPort(const std::string& portName) {
    Log("Opening serial port ");
    if (hooks_.busy) {
        hooks_.busy(true);
    }
    Append(portName);
    if (!port_.Open(portName)) {
        Append(" ... failed.");
        if (!port_.OpenFailureHint().empty()) {
            Log(port_.OpenFailureHint());
        }
        return false;
    }
    port_.Purge();
    Append(" ... done.");
    return true;
}

UpgradeResult UpgradeSession::End(bool completed) {
    // Every path ends here: the port is closed and the dialog shows it is idle again.
    port_.Close();
    if (hooks_.busy) {
        hooks_.busy(false);
    }
    if (completed) {
        return UpgradeResult::Completed;
    }
    return Stopped() ? UpgradeResult::Stopped : UpgradeResult::Failed;
}

std::string DurationText(Millis duration) {
    const long long seconds = (duration.count() + 999) / 1000;
    if (seconds < 60) {
        return Format("%lld s", seconds);
    }
    if (seconds < 3600) {
        return Format("%lld min %02lld s", seconds / 60, seconds % 60);
    }
    return Format("%lld h %02lld min", seconds / 3600, seconds / 60 % 60);
}

}  // namespace skelvane
