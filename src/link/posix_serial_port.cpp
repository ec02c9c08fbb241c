#include "link/posix_serial_port.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>

#include "link/adapter_latency.h"
#include "link/baud_rate.h"
#include "link/platform_port.h"

namespace pelko {
namespace {

using Clock = std::chrono::steady_clock;

speed_t SpeedConstant(std::uint32_t baud) {
    switch (baud) {
        case 2400: return B2400;
        case 4800: return B4800;
        case 9600: return B9600;
        case 19200: return B19200;
        case 38400: return B38400;
        case 57600: return B57600;
        case 115200: return B115200;
        default: return B0;
    }
}

std::string OpenFailure(const std::string& path, int err) {
    switch (err) {
        case ENOENT:
        case ENXIO:
        case ENODEV: return "Порт " + path + " не найден";
        case EBUSY:
        case EWOULDBLOCK: return "Порт " + path + " занят другой программой";
        case EACCES:
        case EPERM: return "Нет доступа к порту " + path + " (пользователь не входит в группу dialout)";
        default: return "Не могу открыть порт " + path + ": " + std::strerror(err);
    }
}

// Time left until the read must end: the earlier of the total deadline and
// the gap allowed after the last byte. nullopt = wait without limit.
std::optional<Clock::duration> TimeLeft(std::optional<Clock::time_point> total,
                                        std::optional<Clock::time_point> gap) {
    std::optional<Clock::time_point> end = total;
    if (gap && (!end || *gap < *end)) end = gap;
    if (!end) return std::nullopt;
    const Clock::duration left = *end - Clock::now();
    return left < Clock::duration::zero() ? Clock::duration::zero() : left;
}

}  // namespace

std::string DefaultPortPath(std::uint8_t n) { return "/dev/ttyS" + std::to_string(n - 1); }

std::unique_ptr<SerialPort> OpenPlatformPort(const std::string& path, std::string& error) {
    return PosixSerialPort::Open(path, error);
}

std::unique_ptr<PosixSerialPort> PosixSerialPort::Open(const std::string& path, std::string& error) {
    // Non-blocking open so a port without carrier does not hang us here.
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = OpenFailure(path, errno);
        return nullptr;
    }
    const int abortFd = ::eventfd(0, EFD_CLOEXEC);
    if (abortFd < 0) {
        error = OpenFailure(path, errno);
        ::close(fd);
        return nullptr;
    }
    std::unique_ptr<PosixSerialPort> port(new PosixSerialPort(fd, abortFd, path));
    if (!::isatty(fd)) {
        error = path + " не является последовательным портом";
        return nullptr;
    }
    // TIOCEXCL keeps other users out; the lock also stops a second copy of
    // ours running as root, which TIOCEXCL lets through.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        error = OpenFailure(path, errno);
        return nullptr;
    }
    port->FExclusive = ::ioctl(fd, TIOCEXCL) == 0;
    if (!port->Configure()) {
        error = "Не могу настроить порт " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    port->FHasRs485 = ::ioctl(fd, TIOCGRS485, &port->FRs485) == 0;
    port->AskLowLatency();
    // The tty raises RTS on open; an RTS-keyed converter would hold the line.
    port->setRts(false);
    return port;
}

PosixSerialPort::~PosixSerialPort() {
    if (FRs485Changed) ::ioctl(FFd, TIOCSRS485, &FRs485);
    if (FExclusive) ::ioctl(FFd, TIOCNXCL);
    ::close(FFd);
    ::close(FAbortFd);
}

bool PosixSerialPort::Configure() {
    const int flags = ::fcntl(FFd, F_GETFL);
    if (flags < 0 || ::fcntl(FFd, F_SETFL, flags & ~O_NONBLOCK) != 0) return false;
    termios tio{};
    if (::tcgetattr(FFd, &tio) != 0) return false;
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS | CSIZE);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    // Reads return at once with what is there; poll() does the waiting.
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    return ::tcsetattr(FFd, TCSANOW, &tio) == 0;
}

// A USB adapter would hold every answer for its latency timer. FTDI's driver
// turns the low-latency flag into a 1 ms timer; other drivers keep the flag
// or refuse it, and a pseudo-terminal has no serial settings at all. The flag
// is left set at close: nothing is slower for it.
void PosixSerialPort::AskLowLatency() {
    serial_struct ss{};
    if (::ioctl(FFd, TIOCGSERIAL, &ss) == 0 && (ss.flags & ASYNC_LOW_LATENCY) == 0) {
        ss.flags |= ASYNC_LOW_LATENCY;
        ::ioctl(FFd, TIOCSSERIAL, &ss);
    }
    FNotice = LowerAdapterLatency(FPath);
}

bool PosixSerialPort::setDriverRtsSwitching(std::uint32_t tailUs) {
    // The driver counts its delay in whole milliseconds: a tail it cannot
    // hold exactly (400 us would become 1 ms, past a fast controller's
    // turnaround) is left to the program's own switch.
    if (!FHasRs485 || tailUs % 1000 != 0) return false;
    serial_rs485 rs = FRs485;
    rs.flags |= SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
    rs.flags &= ~static_cast<__u32>(SER_RS485_RTS_AFTER_SEND | SER_RS485_RX_DURING_TX);
    rs.delay_rts_before_send = 0;
    rs.delay_rts_after_send = tailUs / 1000;
    if (::ioctl(FFd, TIOCSRS485, &rs) != 0) return false;
    FRs485Changed = true;
    return true;
}

bool PosixSerialPort::setBaudRate(std::uint32_t baud) {
    const speed_t speed = SpeedConstant(baud);
    if (!IsStandardBaud(baud) || speed == B0) return false;
    termios tio{};
    if (::tcgetattr(FFd, &tio) != 0) return false;
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS | CSIZE);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    if (::tcsetattr(FFd, TCSANOW, &tio) != 0) return false;
    setDtr(false);  // DTR stays low unless the program drives the converter
    return true;
}

void PosixSerialPort::NoteError(int err) {
    if (err == EIO || err == ENXIO || err == ENODEV || err == EBADF) FLost = true;
}

void PosixSerialPort::purge() {
    if (!FLost && ::tcflush(FFd, TCIOFLUSH) != 0) NoteError(errno);
}

std::size_t PosixSerialPort::write(const std::uint8_t* data, std::size_t n) {
    if (FLost) return 0;
    std::size_t done = 0;
    while (done < n) {
        const ssize_t k = ::write(FFd, data + done, n - done);
        if (k > 0) {
            done += static_cast<std::size_t>(k);
        } else if (k == 0 || errno != EINTR) {
            if (k < 0) NoteError(errno);
            break;  // a short count fails the attempt; never loop on a dead line
        }
    }
    return done;
}

std::size_t PosixSerialPort::read(std::uint8_t* buf, std::size_t n) {
    using std::chrono::milliseconds;
    if (FLost) return 0;
    const PortTimeouts t = FTimeouts;
    std::optional<Clock::time_point> total;
    if (t.multiplierMs != 0 || t.constantMs != 0)
        total = Clock::now() + milliseconds(std::uint64_t{t.multiplierMs} * n + t.constantMs);
    std::optional<Clock::time_point> gap;  // the interval runs from the last byte on
    std::size_t got = 0;
    pollfd pfd[2] = {{FFd, POLLIN, 0}, {FAbortFd, POLLIN, 0}};
    while (got < n) {
        const std::optional<Clock::duration> left = TimeLeft(total, gap);
        timespec ts{};
        if (left) {
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(*left).count();
            ts.tv_sec = static_cast<time_t>(ns / 1000000000);
            ts.tv_nsec = static_cast<long>(ns % 1000000000);
        }
        const int r = ::ppoll(pfd, 2, left ? &ts : nullptr, nullptr);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0 || pfd[1].revents) break;  // time-out, error or abort
        if (pfd[0].revents & (POLLHUP | POLLERR | POLLNVAL)) FLost = true;  // the device has gone
        if (!(pfd[0].revents & POLLIN)) break;  // hang-up with nothing to read
        const ssize_t k = ::read(FFd, buf + got, n - got);
        if (k < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (k < 0) NoteError(errno);
        if (k == 0) FLost = true;  // readable yet nothing to read: the end of the device
        if (k <= 0) break;
        got += static_cast<std::size_t>(k);
        if (t.intervalMs != 0) gap = Clock::now() + milliseconds(t.intervalMs);
    }
    return got;
}

// The tty is raw with VMIN 0 and VTIME 0: a read returns at once with what is there.
std::size_t PosixSerialPort::readArrived(std::uint8_t* buf, std::size_t n) {
    if (FLost || n == 0) return 0;
    ssize_t k = 0;
    do {
        k = ::read(FFd, buf, n);
    } while (k < 0 && errno == EINTR);
    if (k < 0 && errno != EAGAIN) NoteError(errno);
    return k > 0 ? static_cast<std::size_t>(k) : 0;
}

void PosixSerialPort::abortWait() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t k = ::write(FAbortFd, &one, sizeof one);
}

void PosixSerialPort::SetModemLine(int line, bool on) {
    // A device without modem lines (a pseudo-terminal) refuses: nothing to drive.
    ::ioctl(FFd, on ? TIOCMBIS : TIOCMBIC, &line);
}

void PosixSerialPort::setDtr(bool on) { SetModemLine(TIOCM_DTR, on); }
void PosixSerialPort::setRts(bool on) { SetModemLine(TIOCM_RTS, on); }

}  // namespace pelko
