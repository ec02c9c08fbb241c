#include "sim/pty_line.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace pelko {
namespace {

constexpr std::array<std::pair<speed_t, std::uint32_t>, 7> kSpeeds{{
    {B2400, 2400}, {B4800, 4800}, {B9600, 9600}, {B19200, 19200},
    {B38400, 38400}, {B57600, 57600}, {B115200, 115200},
}};

std::string Why(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

std::uint32_t BaudOfSpeedT(unsigned speed) {
    for (const auto& [s, baud] : kSpeeds)
        if (s == speed) return baud;
    return 0;
}

PtyLine::~PtyLine() {
    if (FSlave >= 0) ::close(FSlave);
    if (FMaster >= 0) ::close(FMaster);
}

bool PtyLine::Open(std::string& error) {
    FMaster = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (FMaster < 0) return error = Why("posix_openpt"), false;
    if (::grantpt(FMaster) != 0 || ::unlockpt(FMaster) != 0) return error = Why("grantpt"), false;
    const char* name = ::ptsname(FMaster);
    if (!name) return error = Why("ptsname"), false;
    FSlavePath = name;
    FSlave = ::open(name, O_RDWR | O_NOCTTY);
    if (FSlave < 0) return error = Why(name), false;
    termios t{};
    if (::tcgetattr(FSlave, &t) != 0) return error = Why("tcgetattr"), false;
    ::cfmakeraw(&t);
    ::cfsetispeed(&t, B9600);
    ::cfsetospeed(&t, B9600);
    if (::tcsetattr(FSlave, TCSANOW, &t) != 0) return error = Why("tcsetattr"), false;
    const int flags = ::fcntl(FMaster, F_GETFL);
    ::fcntl(FMaster, F_SETFL, flags | O_NONBLOCK);
    return true;
}

std::uint32_t PtyLine::Baud() const {
    termios t{};
    if (::tcgetattr(FMaster, &t) != 0) return 0;
    return BaudOfSpeedT(::cfgetospeed(&t));
}

bool PtyLine::Send(const std::uint8_t* data, std::size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(FMaster, data, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        data += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

}  // namespace pelko
