#include "link/adapter_latency.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

#include "link/serial_port.h"

namespace pelko {
namespace {

namespace fs = std::filesystem;

std::optional<int> ReadTimer(const fs::path& file) {
    std::ifstream in(file);
    std::string text;
    if (!(in >> text)) return std::nullopt;
    int ms = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), ms);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return ms;
}

// As `echo 1 > latency_timer` does; a file we may not write is no fault.
void WriteTimer(const fs::path& file, int ms) {
    std::ofstream out(file);
    if (out) out << ms << '\n' << std::flush;
}

}  // namespace

std::string LowerAdapterLatency(const std::string& devicePath, const std::string& sysRoot) {
    std::error_code ec;
    const fs::path device = fs::canonical(devicePath, ec);
    if (ec) return {};
    const fs::path timer = fs::path(sysRoot) / "class" / "tty" / device.filename() / "device" / "latency_timer";
    std::optional<int> ms = ReadTimer(timer);
    if (!ms || *ms <= 1) return {};
    WriteTimer(timer, 1);
    ms = ReadTimer(timer);
    if (!ms || *ms <= 1) return {};
    return AdapterLatencyText(devicePath, *ms, kAdapterLatencyUdev);
}

}  // namespace pelko
