// The serial driver on Windows: the Win32 communications calls with the device control block
// and timeouts the rest of the program relies on.

#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601  // CancelSynchronousIo
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

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
        // A stop request cancels the synchronous ReadFile of this thread.
        HANDLE self = nullptr;
        if (stop.stop_possible()) {
            self = OpenThread(THREAD_TERMINATE, FALSE, GetCurrentThreadId());
        }
        DWORD got = 0;
        BOOL ok = FALSE;
        {
            std::stop_callback cancel(stop, [self] {
                if (self != nullptr) {
                    CancelSynchronousIo(self);
                }
            });
            if (!stop.stop_requested() || timeouts_.readConstant == 0) {
                ok = ReadFile(handle_, buffer, static_cast<DWORD>(count), &got, nullptr);
            }
        }
        if (self != nullptr) {
            CloseHandle(self);
        }
        return ok ? got : 0;
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
        if (handle_ == INVALID_HANDLE_VALUE) {
            return;
        }
        COMMTIMEOUTS t{};
        t.ReadIntervalTimeout = timeouts.readInterval;
        t.ReadTotalTimeoutMultiplier = timeouts.readMultiplier;
        t.ReadTotalTimeoutConstant = timeouts.readConstant;
        t.WriteTotalTimeoutMultiplier = timeouts.writeMultiplier;
        t.WriteTotalTimeoutConstant = timeouts.writeConstant;
        SetCommTimeouts(handle_, &t);
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
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    PortTimeouts timeouts_;
};

}  // namespace

std::unique_ptr<PortBackend> CreatePlatformBackend() {
    return std::make_unique<Win32Backend>();
}

}  // namespace skelvane
