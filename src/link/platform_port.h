#pragma once
// The serial port of the platform the program is built for: a tty on Linux,
// a COM port on Windows. Each port file supplies both functions.
#include <cstdint>
#include <memory>
#include <string>

#include "link/serial_port.h"

namespace pelko {

// The device that stands for port "COM"n when the user names none (n >= 1).
std::string DefaultPortPath(std::uint8_t n);

// nullptr, with a message for the user in error, when the port cannot be had.
std::unique_ptr<SerialPort> OpenPlatformPort(const std::string& path, std::string& error);

}  // namespace pelko
