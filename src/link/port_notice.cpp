#include "link/port_notice.h"

#include <memory>
#include <mutex>
#include <set>

namespace pelko {

PortOpener TellingNotices(PortOpener opener, std::function<void(const std::string&)> tell) {
    struct Told {
        std::mutex lock;
        std::set<std::string> texts;
    };
    auto told = std::make_shared<Told>();
    return [opener = std::move(opener), tell = std::move(tell), told](std::uint8_t n, std::string& error) {
        std::unique_ptr<SerialPort> port = opener(n, error);
        const std::string text = port ? port->notice() : std::string();
        if (text.empty() || !tell) return port;
        {
            std::lock_guard<std::mutex> guard(told->lock);
            if (!told->texts.insert(text).second) return port;
        }
        tell(text);
        return port;
    };
}

}  // namespace pelko
