#pragma once
// Which device stands for port "COM"n: /dev/ttyS{n-1} on Linux, COMn on
// Windows, unless the user says otherwise for that n (a USB adapter, a
// pseudo-terminal).
#include <cstdint>
#include <map>
#include <string>

#include "link/serial_port.h"

namespace pelko {

class PortMap {
public:
    // Empty for n = 0, which names no port.
    std::string PathFor(std::uint8_t n) const;
    void Set(std::uint8_t n, std::string path);
    // "N=PATH", N from 1 to 255. False with a message on a malformed one.
    bool AddMapping(const std::string& mapping, std::string& error);

private:
    std::map<std::uint8_t, std::string> FPaths;
};

// Opens "COM"n at the device the map gives.
PortOpener MakePortOpener(PortMap map);

}  // namespace pelko
