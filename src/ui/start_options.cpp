#include "ui/start_options.h"

namespace pelko {

std::string StartUsage() {
    return "Использование: confpelko [--simulate] [--port N=ПУТЬ]... [ФАЙЛ]\n"
           "  --simulate       работать с имитацией приборов (порт 1)\n"
           "  --port N=ПУТЬ    порт N - это устройство ПУТЬ (например 1=/dev/ttyUSB0)\n"
           "  --screenshot ФАЙЛ  снимок окна с имитацией приборов в ФАЙЛ (PNG) и выход\n"
           "  --version        версия программы\n"
           "  --help           эта справка\n"
           "  ФАЙЛ             открыть файл конфигурации при запуске\n";
}

bool ParseStartOptions(const std::vector<std::string>& args, TStartOptions& o, std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--simulate") {
            o.Simulate = true;
        } else if (a == "--screenshot") {
            if (i + 1 >= args.size()) {
                error = "У параметра --screenshot нет имени файла";
                return false;
            }
            o.Screenshot = args[++i];
            o.Simulate = true;
            o.SimulateTiming = false;
        } else if (a == "--port" || a.rfind("--port=", 0) == 0) {
            std::string mapping = a == "--port" ? (i + 1 < args.size() ? args[++i] : std::string()) : a.substr(7);
            if (!o.Ports.AddMapping(mapping, error)) return false;
            o.MappedPorts.push_back(std::stoi(mapping));
        } else if (!a.empty() && a[0] == '-') {
            error = "Неизвестный параметр " + a;
            return false;
        } else if (o.FileName.empty()) {
            o.FileName = a;
        } else {
            error = "Можно открыть только один файл";
            return false;
        }
    }
    return true;
}

}  // namespace pelko
