// The serial driver on Windows: the Win32 communications calls with the device control block
// and timeouts the rest of the program relies on.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <stop_token>
#include <string>

#include "link/port_backend.h"
#include "link/port_names.h"

namespace skelvane {
namespace {

class Win32Backend final : public PortBackend {
  public:
    ~Win32Backend() override { Close(); }

    bool Open(const std::string& portName, const LineSettings& line,
              std::uint32_t access) override {
        Close();
        const std::string path = Win32DevicePath(portName);
        handle_ = CreateFileA(path.c_str(), access, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (handle_ == INVALID_HANDLE_VALUE) {
            return false;
        }

        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        GetCommState(handle_, &dcb);
        dcb.BaudRate = line.baudRate;
        // No handshake of any kind; binary mode, parity checking, TX-continue-on-XOFF,
        // error-char replacement, null stripping and abort-on-error stay as the driver has
        // them (the low flag bits ANDed with 0xCC83).
        dcb.fOutxCtsFlow = FALSE;
        dcb.fOutxDsrFlow = FALSE;
        dcb.fDtrControl = DTR_CONTROL_DISABLE;
        dcb.fDsrSensitivity = FALSE;
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
        dcb.fRtsControl = RTS_CONTROL_DISABLE;
        dcb.XonLim = 0x0800;
        dcb.XoffLim = 0x0200;
        dcb.ByteSize = line.byteSize;
        dcb.Parity = line.parity;
        dcb.StopBits = line.stopBits;
        dcb.XonChar = 0x11;
        dcb.XoffChar = 0x7D;
        dcb.ErrorChar = 0x00;
        dcb.EofChar = 0x7E;
        dcb.EvtChar = 0x7F;
        SetCommState(handle_, &dcb);

        SetTimeouts(PortTimeouts{});
        PurgeComm(handle_, PURGE_TXCLEAR | PURGE_RXCLEAR);
        return true;
    }

    void Close() override {
        if (handle_ != INVALID_HANDLE_VALUE) {
            CloseHandle(handle_);
            handle_ = INVALID_HANDLE_VALUE;
        }
    }

    bool IsOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }

    std::size_t Read(std::uint8_t* buffer, std::size_t count, std::stop_token stop) override {
        if (handle_ == INVALID_HANDLE_VALUE || count == 0) {
            return 0;
        }
        if (stop.stop_requested() && timeouts_.readConstant != 0) {
            return 0;
        }
        if (!Sliced()) {
            return ReadOnce(buffer, count);
        }
        // The wait for the first byte, a slice at a time, until the read constant has passed
        // or a stop is requested.
        using Steady = std::chrono::steady_clock;
        const Steady::time_point deadline =
            Steady::now() + std::chrono::milliseconds(timeouts_.readConstant);
        ApplyReadConstant(kWaitSlice);
        for (;;) {
            const std::size_t got = ReadOnce(buffer, count);
            const Steady::time_point now = Steady::now();
            if (got > 0 || now >= deadline || stop.stop_requested()) {
                return got;
            }
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
            ApplyReadConstant(static_cast<DWORD>(std::min<long long>(kWaitSlice, left)));
        }
    }

    std::size_t Write(const std::uint8_t* buffer, std::size_t count,
                      std::stop_token /*stop*/) override {
        if (handle_ == INVALID_HANDLE_VALUE || count == 0) {
            return 0;
        }
        DWORD put = 0;
        const BOOL ok = WriteFile(handle_, buffer, static_cast<DWORD>(count), &put, nullptr);
        return ok ? put : 0;
    }

    bool SetBaudRate(std::uint32_t rate) override {
        if (handle_ == INVALID_HANDLE_VALUE) {
            return false;
        }
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        GetCommState(handle_, &dcb);
        dcb.BaudRate = rate;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fRtsControl = RTS_CONTROL_DISABLE;
        SetCommState(handle_, &dcb);
        return true;
    }

    void SetTimeouts(const PortTimeouts& timeouts) override {
        timeouts_ = timeouts;
        applied_ = timeouts;
        if (Sliced()) {
            applied_.readConstant = kWaitSlice;
        }
        Apply();
    }

    void SetDtr(bool on) override {
        if (handle_ != INVALID_HANDLE_VALUE) {
            EscapeCommFunction(handle_, on ? SETDTR : CLRDTR);
        }
    }

    void SetRts(bool on) override {
        if (handle_ != INVALID_HANDLE_VALUE) {
            EscapeCommFunction(handle_, on ? SETRTS : CLRRTS);
        }
    }

    void Purge() override {
        if (handle_ != INVALID_HANDLE_VALUE) {
            PurgeComm(handle_, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
        }
    }

  private:
    // A synchronous read cannot be cancelled everywhere (wine's serial driver, for one, ignores
    // CancelSynchronousIo), so a longer wait for the first byte is handed to the driver in
    // slices of this many milliseconds, and a stop request ends it within one slice.
    static constexpr std::uint32_t kWaitSlice = 10;

    // The driver returns at once with what is buffered only with MAXDWORD in both read
    // fields; then the wait for the first byte can be cut into slices.
    bool Sliced() const {
        return timeouts_.readInterval == kMaxDword && timeouts_.readMultiplier == kMaxDword &&
               timeouts_.readConstant > kWaitSlice;
    }

    std::size_t ReadOnce(std::uint8_t* buffer, std::size_t count) {
        DWORD got = 0;
        const BOOL ok = ReadFile(handle_, buffer, static_cast<DWORD>(count), &got, nullptr);
        return ok ? got : 0;
    }

    void ApplyReadConstant(DWORD readConstant) {
        if (applied_.readConstant != readConstant) {
            applied_.readConstant = readConstant;
            Apply();
        }
    }

    void Apply() {
        if (handle_ == INVALID_HANDLE_VALUE) {
            return;
        }
        COMMTIMEOUTS t{};
        t.ReadIntervalTimeout = applied_.readInterval;
        t.ReadTotalTimeoutMultiplier = applied_.readMultiplier;
        t.ReadTotalTimeoutConstant = applied_.readConstant;
        t.WriteTotalTimeoutMultiplier = applied_.writeMultiplier;
        t.WriteTotalTimeoutConstant = applied_.writeConstant;
        SetCommTimeouts(handle_, &t);
    }

    HANDLE handle_ = INVALID_HANDLE_VALUE;
    PortTimeouts timeouts_;  // as set
    PortTimeouts applied_;   // as the driver has them
};

}  // namespace

std::unique_ptr<PortBackend> CreatePlatformBackend() {
    return std::make_unique<Win32Backend>();
}

}  // namespace skelvane
