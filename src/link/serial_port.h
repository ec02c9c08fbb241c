#pragma once
// The one thing the worker thread talks to: an open serial line. The Linux
// implementation drives a tty; the simulated controllers implement it in-process.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "link/baud_rate.h"

namespace pelko {

// Read time-outs with the Win32 meaning: a read returns when n bytes came,
// when the gap between two bytes exceeds intervalMs (0 = no gap limit), or
// when multiplierMs * n + constantMs has passed since the read began
// (both 0 = no total limit).
struct PortTimeouts {
    std::uint32_t intervalMs = 0;
    std::uint32_t multiplierMs = 0;
    std::uint32_t constantMs = 40;
};

// Reply margin of a read whose settings give it no total limit.
inline constexpr std::uint32_t kUnboundedReplyMs = 20;

// A read with no total limit would wait for ever on a silent line: such a
// read gets the time of its bytes at the line's speed plus a reply margin.
inline PortTimeouts BoundedTimeouts(PortTimeouts t, std::uint32_t baud) {
    if (t.multiplierMs != 0 || t.constantMs != 0 || !IsStandardBaud(baud)) return t;
    t.multiplierMs = static_cast<std::uint32_t>((ByteTimeUs(baud) + 999) / 1000);
    t.constantMs = kUnboundedReplyMs;
    return t;
}

class SerialPort {
public:
    virtual ~SerialPort() = default;
    // Raw 8N1 at the given speed; false when the speed is not supported.
    virtual bool setBaudRate(std::uint32_t baud) = 0;
    virtual void setTimeouts(const PortTimeouts& t) = 0;
    // Drop whatever is waiting to be sent or has been received.
    virtual void purge() = 0;
    // Blocking write; returns the number of bytes written.
    virtual std::size_t write(const std::uint8_t* data, std::size_t n) = 0;
    // Blocking read bounded by the time-outs; returns the number of bytes read.
    virtual std::size_t read(std::uint8_t* buf, std::size_t n) = 0;
    // What has already arrived, up to n bytes, without waiting for more. A
    // port that cannot tell says 0 (and purge() then drops the bytes unseen).
    virtual std::size_t readArrived(std::uint8_t* buf, std::size_t n) {
        (void)buf;
        (void)n;
        return 0;
    }
    // Modem lines; a device without them ignores the call.
    virtual void setDtr(bool on) = 0;
    virtual void setRts(bool on) = 0;
    // Asks the driver to key the converter itself, holding RTS for tailUs
    // after the last byte (Linux RS-485 mode). True when it will: the caller
    // must then leave RTS alone. A port without such a driver says false.
    virtual bool setDriverRtsSwitching(std::uint32_t tailUs) { (void)tailUs; return false; }
    // Called from another thread when the port is about to close: a read
    // waiting for bytes returns now, and so does every later read. A port
    // whose reads always end by themselves may ignore it.
    virtual void abortWait() {}
    // Set once the device has gone (an unplugged adapter, a closed
    // pseudo-terminal): the user's words for it, naming the port. Every call
    // after that fails at once. Empty while the port works.
    virtual std::string lostMessage() const { return {}; }
    // Set at open when the device works but slower than it could (an
    // adapter whose latency timer stays high): the user's words for it,
    // naming the port and what to do. Empty otherwise.
    virtual std::string notice() const { return {}; }
};

inline std::string PortLostText(const std::string& portName) {
    return "Порт " + portName + " потерян: устройство отключено";
}

// What each platform says to do about an adapter's latency timer.
inline constexpr char kAdapterLatencyUdev[] =
    "Уменьшить таймер до 1 мс: правило udev из руководства, раздел «Задержка USB-адаптера»";
inline constexpr char kAdapterLatencyDeviceManager[] =
    "Уменьшить таймер до 1 мс: Диспетчер устройств → порт → Параметры порта → Дополнительно → "
    "Latency Timer (см. руководство, раздел «Задержка USB-адаптера»)";

inline std::string AdapterLatencyText(const std::string& portName, int timerMs, const char* remedy) {
    return "Адаптер порта " + portName + " придерживает ответы до " + std::to_string(timerMs) +
           " мс (таймер задержки USB), обмен идёт медленнее. " + remedy;
}

// Opens port "COM"n. On failure returns nullptr and puts a message in error.
using PortOpener =
    std::function<std::unique_ptr<SerialPort>(std::uint8_t comPort, std::string& error)>;

}  // namespace pelko
