#include "link/steady_link_timing.h"

#include <chrono>
#include <thread>

namespace pelko {

std::int64_t SteadyLinkTiming::nowUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void SteadyLinkTiming::sleepMs(unsigned ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void SteadyLinkTiming::waitUntilUs(std::int64_t untilUs) {
    const std::int64_t sleepUs = untilUs - nowUs() - kSpinUs;
    if (sleepUs > 0) std::this_thread::sleep_for(std::chrono::microseconds(sleepUs));
    while (nowUs() < untilUs) {
    }
}

}  // namespace pelko
