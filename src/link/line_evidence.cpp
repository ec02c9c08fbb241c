#include "link/line_evidence.h"

#include "link/frame.h"

namespace pelko {
namespace {

// Anything from the shortest frame (a request without data, as an echo) to
// the longest request.
constexpr std::size_t kShortestFrame = 5;
constexpr std::size_t kLongestFrame = kMaxRequestBody + 2;

}  // namespace

void LineEvidence::Accept(Exchange e) {
    FExtra = 0;
    if (FBabbling) {
        e.doubted = true;
        if (e.queued) FDoubts.push_back(e.check);
    }
    FRecent.push_back(e);
    while (FRecent.size() > kSuspects) FRecent.pop_front();
}

void LineEvidence::Heard(const std::uint8_t* bytes, std::size_t n) {
    FPending.insert(FPending.end(), bytes, bytes + n);
    TakeFrames();
}

// Whole frames are counted one by one; bytes that make none are one doubt
// per run, and the count goes on from the next byte that may start a frame.
void LineEvidence::TakeFrames() {
    std::size_t at = 0;
    while (FPending.size() - at >= 2) {
        const std::size_t len = FPending[at + 1];
        const bool fits = len >= kShortestFrame && len <= kLongestFrame;
        if (fits && FPending.size() - at < len) break;  // the rest is on its way
        const std::uint8_t* f = FPending.data() + at;
        if (!fits || Crc16(f, len - 2) != (f[len - 2] << 8 | f[len - 1])) {
            if (!FGarbage) Doubt();
            FGarbage = true;
            ++at;
            continue;
        }
        FGarbage = false;
        LateFrame();
        at += len;
    }
    FPending.erase(FPending.begin(), FPending.begin() + static_cast<std::ptrdiff_t>(at));
}

void LineEvidence::LateFrame() {
    if (FOwed > 0) --FOwed;
    else Doubt();
}

void LineEvidence::Quiet() {
    if (!FPending.empty()) Doubt();
    FPending.clear();
    FGarbage = false;
    FOwed = 0;
    FBabbling = false;
}

void LineEvidence::Babbling() {
    Quiet();
    FBabbling = true;
}

void LineEvidence::Doubt() {
    ++FExtra;
    std::size_t n = 0;
    for (auto it = FRecent.rbegin(); it != FRecent.rend() && n <= FExtra; ++it, ++n) {
        if (it->doubted) continue;
        it->doubted = true;
        if (it->queued) FDoubts.push_back(it->check);
    }
}

std::vector<std::uint32_t> LineEvidence::TakeDoubts() {
    std::vector<std::uint32_t> out;
    out.swap(FDoubts);
    return out;
}

}  // namespace pelko
