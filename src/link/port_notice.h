#pragma once
// A port's notice (SerialPort::notice) reaches the user once: the opener is
// wrapped so that every port it opens hands its notice to `tell`, and the
// same words are not said again when the port is reopened.
#include <functional>
#include <string>

#include "link/serial_port.h"

namespace pelko {

// `tell` runs on the thread that opens the port, right after the open.
PortOpener TellingNotices(PortOpener opener, std::function<void(const std::string&)> tell);

}  // namespace pelko
