#include "link/answer_wait.h"

#include <algorithm>

#include "link/baud_rate.h"
#include "link/frame.h"

namespace pelko {
namespace {

// A controller starts answering within a few milliseconds; two bytes more
// cover a receiver that hands bytes on in small bursts.
constexpr std::int64_t kMarginUs = 2000;
constexpr std::int64_t kMarginBytes = 2;

}  // namespace

std::int64_t ProbeAnswerFloorUs(std::int32_t baud) {
    const std::int64_t byteUs = ByteTimeUs(baud);
    return static_cast<std::int64_t>(kMinAnswer + kMarginBytes) * byteUs + kMarginUs;
}

void AnswerWait::Note(std::int32_t baud, std::int64_t latencyUs) {
    std::lock_guard lock(FLock);
    std::deque<std::int64_t>& seen = FSeen[baud];
    seen.push_back(std::max<std::int64_t>(0, latencyUs));
    while (seen.size() > kKept) seen.pop_front();
}

std::int64_t AnswerWait::LearnedUs(std::int32_t baud) const {
    std::lock_guard lock(FLock);
    const auto it = FSeen.find(baud);
    if (it == FSeen.end() || it->second.empty()) return -1;
    return *std::max_element(it->second.begin(), it->second.end());
}

std::int64_t AnswerWait::ProbeWaitUs(std::int32_t baud, std::int64_t fullUs) const {
    const std::int64_t floor = ProbeAnswerFloorUs(baud);
    const std::int64_t learned = std::max<std::int64_t>(0, LearnedUs(baud));
    return std::min(std::max(floor, learned + floor), std::max<std::int64_t>(fullUs, 1000));
}

void AnswerWait::Clear() {
    std::lock_guard lock(FLock);
    FSeen.clear();
}

}  // namespace pelko
