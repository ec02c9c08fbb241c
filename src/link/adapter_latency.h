#pragma once
// USB serial adapters with FTDI chips hold what they receive until their
// latency timer runs out (16 ms by default), which adds up to that much to
// every exchange. The port asks the driver for low latency; where the timer
// stays high, the user is told how to lower it.
#include <string>

namespace pelko {

// The tty behind devicePath (a /dev/serial/by-id link is followed), and the
// latency_timer its driver shows under sysRoot: lowered to 1 ms when the file
// lets us. Empty when all is well or the port has no such timer (a built-in
// UART, a pseudo-terminal, an adapter without one); otherwise the notice for
// the user, naming the port and the timer.
std::string LowerAdapterLatency(const std::string& devicePath, const std::string& sysRoot = "/sys");

}  // namespace pelko
