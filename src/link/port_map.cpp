#include "link/port_map.h"

#include <charconv>

#include "link/platform_port.h"

namespace pelko {

std::string PortMap::PathFor(std::uint8_t n) const {
    if (n == 0) return {};
    const auto it = FPaths.find(n);
    return it != FPaths.end() ? it->second : DefaultPortPath(n);
}

void PortMap::Set(std::uint8_t n, std::string path) { FPaths[n] = std::move(path); }

bool PortMap::AddMapping(const std::string& mapping, std::string& error) {
    const std::size_t eq = mapping.find('=');
    unsigned n = 0;
    const char* first = mapping.data();
    const char* last = mapping.data() + (eq == std::string::npos ? 0 : eq);
    const auto [end, ec] = std::from_chars(first, last, n);
    if (eq == std::string::npos || eq + 1 == mapping.size() || ec != std::errc() || end != last || n < 1 ||
        n > 255) {
        error = "Неверное указание порта \"" + mapping + "\": нужно N=ПУТЬ, N от 1 до 255";
        return false;
    }
    Set(static_cast<std::uint8_t>(n), mapping.substr(eq + 1));
    return true;
}

PortOpener MakePortOpener(PortMap map) {
    return [map = std::move(map)](std::uint8_t n, std::string& error) -> std::unique_ptr<SerialPort> {
        const std::string path = map.PathFor(n);
        if (path.empty()) {
            error = "Порт COM" + std::to_string(n) + " не существует";
            return nullptr;
        }
        return OpenPlatformPort(path, error);
    };
}

}  // namespace pelko
