#include "link/win32_serial_port.h"

#include <timeapi.h>

#include <algorithm>
#include <cctype>
#include <optional>

#include "link/baud_rate.h"
#include "link/platform_port.h"
#include "platform/win32_text.h"

namespace pelko {
namespace {

// "COM12" needs the device namespace prefix to open; the user sees it bare.
bool IsBareComName(const std::string& path) {
    if (path.size() < 4 || path.size() > 6) return false;
    if (std::toupper(static_cast<unsigned char>(path[0])) != 'C' ||
        std::toupper(static_cast<unsigned char>(path[1])) != 'O' ||
        std::toupper(static_cast<unsigned char>(path[2])) != 'M')
        return false;
    return std::all_of(path.begin() + 3, path.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string OpenFailure(const std::string& name, DWORD err) {
    switch (err) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return "Порт " + name + " не найден";
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION: return "Порт " + name + " занят другой программой";
        default: return "Не могу открыть порт " + name + ": " + win32::SystemMessage(err);
    }
}

// Raw bytes, 8N1, no flow control of any kind; the modem lines are ours.
void SetRawFraming(DCB& dcb) {
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fAbortOnError = FALSE;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
}

HANDLE NewEvent() { return ::CreateEventW(nullptr, TRUE, FALSE, nullptr); }

bool SameComName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

// Value `name` of key\sub; false when either is missing or of another type.
bool ReadRegValue(HKEY key, const std::string& sub, const char* name, DWORD type, void* data, DWORD size) {
    HKEY k = nullptr;
    if (::RegOpenKeyExA(key, sub.c_str(), 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS) return false;
    DWORD got = 0;
    const bool ok = ::RegQueryValueExA(k, name, nullptr, &got, static_cast<BYTE*>(data), &size) == ERROR_SUCCESS &&
                    got == type;
    ::RegCloseKey(k);
    return ok;
}

// FTDI's driver keeps each adapter's settings under its Enum key: the COM
// name it was given and its latency timer, both in "Device Parameters".
// Nothing when the port is not on an FTDI adapter.
std::optional<DWORD> FtdiLatencyTimer(const std::string& comName) {
    HKEY bus = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Enum\\FTDIBUS", 0,
                        KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, &bus) != ERROR_SUCCESS)
        return std::nullopt;
    std::optional<DWORD> found;
    char device[256];
    for (DWORD i = 0; !found; ++i) {
        DWORD len = sizeof device;
        if (::RegEnumKeyExA(bus, i, device, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        HKEY dev = nullptr;
        if (::RegOpenKeyExA(bus, device, 0, KEY_ENUMERATE_SUB_KEYS, &dev) != ERROR_SUCCESS) continue;
        char instance[256];
        for (DWORD j = 0; !found; ++j) {
            DWORD ilen = sizeof instance;
            if (::RegEnumKeyExA(dev, j, instance, &ilen, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            const std::string params = std::string(instance) + "\\Device Parameters";
            char port[64] = {};
            DWORD timer = 0;
            if (ReadRegValue(dev, params, "PortName", REG_SZ, port, sizeof port - 1) && SameComName(port, comName) &&
                ReadRegValue(dev, params, "LatencyTimer", REG_DWORD, &timer, sizeof timer))
                found = timer;
        }
        ::RegCloseKey(dev);
    }
    ::RegCloseKey(bus);
    return found;
}

// An FTDI adapter holds what it receives for its latency timer; its virtual
// COM port driver offers no call to lower it, only the device's settings.
std::string LatencyNotice(const std::string& path) {
    const std::string name = IsBareComName(path) ? path : path.substr(path.find_last_of('\\') + 1);
    const std::optional<DWORD> ms = FtdiLatencyTimer(name);
    if (!ms || *ms <= 1) return {};
    return AdapterLatencyText(path, static_cast<int>(*ms), kAdapterLatencyDeviceManager);
}

}  // namespace

std::string DefaultPortPath(std::uint8_t n) { return "COM" + std::to_string(n); }

std::unique_ptr<SerialPort> OpenPlatformPort(const std::string& path, std::string& error) {
    return Win32SerialPort::Open(path, error);
}

std::unique_ptr<Win32SerialPort> Win32SerialPort::Open(const std::string& path, std::string& error) {
    const std::string device = IsBareComName(path) ? "\\\\.\\" + path : path;
    // No sharing: a COM port has one user at a time.
    const HANDLE h = ::CreateFileW(win32::Widen(device).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = OpenFailure(path, ::GetLastError());
        return nullptr;
    }
    const HANDLE io = NewEvent();
    const HANDLE abort = NewEvent();
    std::unique_ptr<Win32SerialPort> port(new Win32SerialPort(h, io, abort, path));
    if (io == nullptr || abort == nullptr) {
        error = OpenFailure(path, ::GetLastError());
        return nullptr;
    }
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (::GetFileType(h) != FILE_TYPE_CHAR || !::GetCommState(h, &dcb)) {
        error = path + " не является последовательным портом";
        return nullptr;
    }
    SetRawFraming(dcb);
    if (!::SetCommState(h, &dcb) || !port->ApplyTimeouts()) {
        error = "Не могу настроить порт " + path + ": " + win32::SystemMessage(::GetLastError());
        return nullptr;
    }
    // An RTS-keyed converter would hold the line while RTS is up.
    port->setRts(false);
    // Windows wakes a sleeper on its timer tick, 15.6 ms unless a program
    // asks for 1 ms: the 2 ms pause before each frame needs it while the
    // port is open, and the whole system pays for it, so only then.
    port->FTimerPeriod = ::timeBeginPeriod(1) == TIMERR_NOERROR;
    port->FNotice = LatencyNotice(path);
    return port;
}

Win32SerialPort::~Win32SerialPort() {
    if (FTimerPeriod) ::timeEndPeriod(1);
    if (FPort != INVALID_HANDLE_VALUE) ::CloseHandle(FPort);
    if (FIoEvent != nullptr) ::CloseHandle(FIoEvent);
    if (FAbortEvent != nullptr) ::CloseHandle(FAbortEvent);
}

bool Win32SerialPort::setBaudRate(std::uint32_t baud) {
    if (!IsStandardBaud(baud)) return false;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(FPort, &dcb)) return false;
    dcb.BaudRate = baud;
    SetRawFraming(dcb);
    if (!::SetCommState(FPort, &dcb)) return false;
    FBaud = baud;
    setDtr(false);  // DTR stays low unless the program drives the converter
    return ApplyTimeouts();  // the write allowance follows the speed
}

void Win32SerialPort::setTimeouts(const PortTimeouts& t) {
    FTimeouts = t;
    ApplyTimeouts();
}

bool Win32SerialPort::ApplyTimeouts() {
    COMMTIMEOUTS ct{};
    // MAXDWORD as the interval means "return at once" to Windows, not a long gap.
    ct.ReadIntervalTimeout = std::min<DWORD>(FTimeouts.intervalMs, MAXDWORD - 1);
    ct.ReadTotalTimeoutMultiplier = FTimeouts.multiplierMs;
    ct.ReadTotalTimeoutConstant = FTimeouts.constantMs;
    // Nothing holds our bytes back (no flow control), but a driver that
    // stalls must not stall the worker: twice the frame's time and a margin.
    ct.WriteTotalTimeoutMultiplier = static_cast<DWORD>(2 * (ByteTimeUs(FBaud) + 999) / 1000);
    ct.WriteTotalTimeoutConstant = 500;
    return ::SetCommTimeouts(FPort, &ct) != 0;
}

// What an unplugged USB adapter answers, depending on its driver.
void Win32SerialPort::NoteError(DWORD err) {
    switch (err) {
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_ACCESS_DENIED:
        case ERROR_BAD_COMMAND:
        case ERROR_GEN_FAILURE:
        case ERROR_INVALID_HANDLE:
        case ERROR_FILE_NOT_FOUND:
        case ERROR_DEV_NOT_EXIST:
        case ERROR_DEVICE_REMOVED:
        case ERROR_NOT_READY: FLost = true; break;
        default: break;
    }
}

void Win32SerialPort::purge() {
    if (!FLost && !::PurgeComm(FPort, PURGE_RXCLEAR | PURGE_TXCLEAR)) NoteError(::GetLastError());
}

std::size_t Win32SerialPort::Finish(BOOL ok, OVERLAPPED& ov) {
    if (!ok) {
        const DWORD err = ::GetLastError();
        if (err != ERROR_IO_PENDING) {
            NoteError(err);
            return 0;
        }
        // The driver ends the transfer (its bytes, or the time-outs), or
        // abortWait does. WaitCommEvent would be no quicker: Wine polls the
        // line for it every millisecond (on a pseudo-terminal it ends at
        // once, with no event).
        const HANDLE events[2] = {FIoEvent, FAbortEvent};
        if (::WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0) ::CancelIoEx(FPort, &ov);
    }
    // Done at once (held bytes, a write taken whole): nothing to wait for,
    // and under Wine every wait is a round trip to its server.
    DWORD moved = 0;
    // After a cancel this waits for the driver to give the buffer back.
    if (!::GetOverlappedResult(FPort, &ov, &moved, TRUE)) NoteError(::GetLastError());
    return moved;
}

std::size_t Win32SerialPort::write(const std::uint8_t* data, std::size_t n) {
    if (n == 0 || FLost || ::WaitForSingleObject(FAbortEvent, 0) == WAIT_OBJECT_0) return 0;
    OVERLAPPED ov{};
    ov.hEvent = FIoEvent;
    ::ResetEvent(FIoEvent);
    const BOOL ok = ::WriteFile(FPort, data, static_cast<DWORD>(n), nullptr, &ov);
    return Finish(ok, ov);
}

std::size_t Win32SerialPort::read(std::uint8_t* buf, std::size_t n) {
    if (n == 0 || FLost || ::WaitForSingleObject(FAbortEvent, 0) == WAIT_OBJECT_0) return 0;
    OVERLAPPED ov{};
    ov.hEvent = FIoEvent;
    ::ResetEvent(FIoEvent);
    const BOOL ok = ::ReadFile(FPort, buf, static_cast<DWORD>(n), nullptr, &ov);
    return Finish(ok, ov);
}

// The driver counts what it holds; those bytes are read without waiting.
std::size_t Win32SerialPort::readArrived(std::uint8_t* buf, std::size_t n) {
    if (n == 0 || FLost) return 0;
    COMSTAT stat{};
    DWORD errors = 0;
    if (!::ClearCommError(FPort, &errors, &stat)) {
        NoteError(::GetLastError());
        return 0;
    }
    const DWORD held = std::min<DWORD>(stat.cbInQue, static_cast<DWORD>(n));
    return held == 0 ? 0 : read(buf, held);
}

void Win32SerialPort::abortWait() { ::SetEvent(FAbortEvent); }

// A line without modem lines (a pseudo-terminal under Wine answers error 50)
// is used as it is.
void Win32SerialPort::setDtr(bool on) { ::EscapeCommFunction(FPort, on ? SETDTR : CLRDTR); }
void Win32SerialPort::setRts(bool on) { ::EscapeCommFunction(FPort, on ? SETRTS : CLRRTS); }

}  // namespace pelko
