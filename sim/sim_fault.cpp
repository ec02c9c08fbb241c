#include "sim/sim_fault.h"

#include <array>
#include <charconv>
#include <utility>

namespace pelko {
namespace {

constexpr std::array<std::pair<SimFaultKind, const char*>, 11> kNames{{
    {SimFaultKind::Silent, "silent"},
    {SimFaultKind::BadChecksum, "badcrc"},
    {SimFaultKind::Busy, "busy"},
    {SimFaultKind::Short, "short"},
    {SimFaultKind::Late, "late"},
    {SimFaultKind::OtherAddress, "otheraddr"},
    {SimFaultKind::NoReturn, "noreturn"},
    {SimFaultKind::Echo, "echo"},
    {SimFaultKind::Twice, "twice"},
    {SimFaultKind::RepeatPrevious, "repeat"},
    {SimFaultKind::Stray, "stray"},
}};

template <typename T>
bool ParseNumber(const std::string& s, T& out, int base = 10) {
    const char* end = s.data() + s.size();
    auto [p, ec] = std::from_chars(s.data(), end, out, base);
    return ec == std::errc() && p == end;
}

bool ParseRate(const std::string& s, double& out) {
    // from_chars for double is missing in older libraries; a rate is 0, 1 or 0.xxx
    std::size_t used = 0;
    try {
        out = std::stod(s, &used);
    } catch (...) {
        return false;
    }
    return used == s.size() && out >= 0.0 && out <= 1.0;
}

std::string Next(std::string& rest) {
    const std::size_t colon = rest.find(':');
    std::string part = rest.substr(0, colon);
    rest = colon == std::string::npos ? std::string() : rest.substr(colon + 1);
    return part;
}

}  // namespace

const char* FaultKindName(SimFaultKind kind) {
    for (const auto& [k, name] : kNames)
        if (k == kind) return name;
    return "?";
}

std::optional<SimFaultKind> ParseFaultKind(const std::string& name) {
    for (const auto& [k, n] : kNames)
        if (name == n) return k;
    return std::nullopt;
}

std::optional<SimFault> ParseFault(const std::string& text) {
    std::string rest = text;
    std::string head = Next(rest);
    SimFault f;
    const std::size_t at = head.find('@');
    if (at != std::string::npos) {
        unsigned cmd = 0;
        if (!ParseNumber(head.substr(at + 1), cmd, 16) || cmd > 0xFF) return std::nullopt;
        f.command = static_cast<int>(cmd);
        head.resize(at);
    }
    const auto kind = ParseFaultKind(head);
    if (!kind) return std::nullopt;
    f.kind = *kind;
    const bool hasRate = !rest.empty();
    if (hasRate && !ParseRate(Next(rest), f.rate)) return std::nullopt;
    if (!rest.empty() && !ParseNumber(Next(rest), f.param)) return std::nullopt;
    if (!rest.empty()) return std::nullopt;
    if (f.kind == SimFaultKind::OtherAddress && f.param > 254) return std::nullopt;  // an address byte
    return f;
}

}  // namespace pelko
