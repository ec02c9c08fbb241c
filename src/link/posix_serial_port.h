#pragma once
// A tty driven as the controllers' line: raw 8N1 at a standard speed, held
// exclusively, reads bounded the way the worker expects (gap between bytes,
// per-byte allowance, constant).
#include <linux/serial.h>

#include <memory>
#include <string>

#include "link/serial_port.h"

namespace pelko {

class PosixSerialPort : public SerialPort {
public:
    // nullptr, with a message for the user in error, when the device is
    // missing, not a tty, or held by another program.
    static std::unique_ptr<PosixSerialPort> Open(const std::string& path, std::string& error);
    ~PosixSerialPort() override;
    PosixSerialPort(const PosixSerialPort&) = delete;
    PosixSerialPort& operator=(const PosixSerialPort&) = delete;

    bool setBaudRate(std::uint32_t baud) override;
    void setTimeouts(const PortTimeouts& t) override { FTimeouts = t; }
    void purge() override;
    std::size_t write(const std::uint8_t* data, std::size_t n) override;
    std::size_t read(std::uint8_t* buf, std::size_t n) override;
    std::size_t readArrived(std::uint8_t* buf, std::size_t n) override;
    void setDtr(bool on) override;
    void setRts(bool on) override;
    void abortWait() override;
    bool setDriverRtsSwitching(std::uint32_t tailUs) override;
    std::string lostMessage() const override { return FLost ? PortLostText(FPath) : std::string(); }
    std::string notice() const override { return FNotice; }

private:
    PosixSerialPort(int fd, int abortFd, std::string path) : FFd(fd), FAbortFd(abortFd), FPath(std::move(path)) {}
    bool Configure();
    void AskLowLatency();
    void SetModemLine(int line, bool on);
    // errno of a failed call: the device itself has gone.
    void NoteError(int err);

    int FFd;
    int FAbortFd;  // eventfd: readable once the waits are aborted
    std::string FPath;
    bool FLost = false;  // the device went away (hang-up, EIO, ENXIO)
    bool FExclusive = false;  // the tty's exclusive mode is ours to clear
    bool FHasRs485 = false;   // the driver offers RS-485 mode; FRs485 is its setting at open
    bool FRs485Changed = false;
    serial_rs485 FRs485{};
    PortTimeouts FTimeouts;
    std::string FNotice;
};

}  // namespace pelko
