#include "link/scan_listener.h"

#include <algorithm>

#include "link/frame.h"

namespace pelko {

void ScanListener::Sent(const Bytes& frame) {
    FSent = frame;
    FEchoPossible = true;
}

// The echo comes first and whole, or not at all; an answer never starts like
// the request (its command byte differs).
bool ScanListener::SkipEcho() {
    if (!FEchoPossible) return true;
    const std::size_t n = std::min(FBuf.size(), FSent.size());
    if (!std::equal(FBuf.begin(), FBuf.begin() + static_cast<std::ptrdiff_t>(n), FSent.begin())) {
        FEchoPossible = false;
        return true;
    }
    if (n < FSent.size()) return false;
    FBuf.erase(FBuf.begin(), FBuf.begin() + static_cast<std::ptrdiff_t>(FSent.size()));
    FEchoPossible = false;
    return true;
}

std::vector<ScanListener::Heard> ScanListener::Feed(const std::uint8_t* data, std::size_t n) {
    FBuf.insert(FBuf.end(), data, data + n);
    std::vector<Heard> out;
    while (!FBuf.empty() && SkipEcho()) {
        if (FBuf.size() < 2) break;
        const std::size_t len = FBuf[1];
        const bool fits = len >= kMinAnswer && len <= kMaxAnswer;
        if (fits && FBuf.size() < len) break;
        if (fits && Crc16(FBuf.data(), len - 2) == (FBuf[len - 2] << 8 | FBuf[len - 1])) {
            out.push_back({false, Bytes(FBuf.begin(), FBuf.begin() + static_cast<std::ptrdiff_t>(len))});
            FBuf.erase(FBuf.begin(), FBuf.begin() + static_cast<std::ptrdiff_t>(len));
            continue;
        }
        // Not a frame from here: drop one byte and look for one further on.
        if (out.empty() || !out.back().trouble) out.push_back({true, {}});
        out.back().frame.push_back(FBuf.front());
        FBuf.erase(FBuf.begin());
    }
    return out;
}

std::size_t ScanListener::Wanted() const {
    if (FEchoPossible && FBuf.size() < FSent.size()) return FSent.size() - FBuf.size() + kMinAnswer;
    if (FBuf.size() < 2) return kMinAnswer - FBuf.size();
    const std::size_t len = FBuf[1];
    return len > FBuf.size() && len <= kMaxAnswer ? len - FBuf.size() : 1;
}

Bytes ScanListener::TakeFragment() {
    Bytes rest;
    rest.swap(FBuf);
    FEchoPossible = false;
    return rest;
}

}  // namespace pelko
