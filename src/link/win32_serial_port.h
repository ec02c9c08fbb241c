#pragma once
// A Windows COM port driven as the controllers' line: raw 8N1 at a standard
// speed, opened exclusively, reads bounded by COMMTIMEOUTS the way the worker
// expects. Reads and writes are overlapped so a read can be woken when the
// port closes.
#include <windows.h>

#include <memory>
#include <string>

#include "link/serial_port.h"

namespace pelko {

class Win32SerialPort : public SerialPort {
public:
    // path: "COM3", "\\.\COM12" or any device name CreateFile takes.
    static std::unique_ptr<Win32SerialPort> Open(const std::string& path, std::string& error);
    ~Win32SerialPort() override;
    Win32SerialPort(const Win32SerialPort&) = delete;
    Win32SerialPort& operator=(const Win32SerialPort&) = delete;

    bool setBaudRate(std::uint32_t baud) override;
    void setTimeouts(const PortTimeouts& t) override;
    void purge() override;
    std::size_t write(const std::uint8_t* data, std::size_t n) override;
    std::size_t read(std::uint8_t* buf, std::size_t n) override;
    std::size_t readArrived(std::uint8_t* buf, std::size_t n) override;
    void setDtr(bool on) override;
    void setRts(bool on) override;
    void abortWait() override;
    std::string lostMessage() const override { return FLost ? PortLostText(FPath) : std::string(); }
    std::string notice() const override { return FNotice; }

private:
    Win32SerialPort(HANDLE port, HANDLE io, HANDLE abort, std::string path)
        : FPort(port), FIoEvent(io), FAbortEvent(abort), FPath(std::move(path)) {}
    bool ApplyTimeouts();
    // The error of a failed call: the device itself has gone (unplugged).
    void NoteError(DWORD err);
    // Waits for an overlapped transfer begun with ok; the bytes it moved.
    std::size_t Finish(BOOL ok, OVERLAPPED& ov);

    HANDLE FPort;
    HANDLE FIoEvent;     // signalled when the transfer in progress ends
    HANDLE FAbortEvent;  // manual reset: set once the waits are aborted
    std::string FPath;
    PortTimeouts FTimeouts;
    std::uint32_t FBaud = 9600;
    bool FLost = false;
    bool FTimerPeriod = false;  // timeBeginPeriod(1) is ours to undo
    std::string FNotice;
};

}  // namespace pelko
