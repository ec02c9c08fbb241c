#include "sim/sim_log.h"

#include <cstdio>

namespace pelko {

std::string JoinedHex(const Bytes& b, const char* separator) {
    std::string s;
    char buf[3];
    for (std::size_t i = 0; i < b.size(); ++i) {
        if (i) s += separator;
        std::snprintf(buf, sizeof buf, "%02X", b[i]);
        s += buf;
    }
    return s;
}

std::string FormatLogEntry(const SimLogEntry& e) {
    std::string s = e.fromHost ? "> " : "< ";
    s += std::to_string(e.baud) + " " + JoinedHex(e.bytes);
    if (!e.note.empty()) s += " [" + e.note + "]";
    return s;
}

}  // namespace pelko
