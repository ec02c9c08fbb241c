#include "link/steady_link_timing.h"

#ifndef _WIN32
#include <sys/prctl.h>
#endif

#include <chrono>
#include <thread>

namespace pelko {
namespace {

#ifdef _WIN32
// The 1 ms timer period is asked for by the open COM port and given back
// when it closes (win32_serial_port.cpp); the rest of a wait is spun.
void TightenTimerSlack() {}
#else
// The kernel may stretch a sleep by the thread's timer slack (50 us by
// default); the short pauses around each exchange want it tight.
void TightenTimerSlack() {
    static thread_local const bool done = ::prctl(PR_SET_TIMERSLACK, 1000UL) == 0 || true;
    (void)done;
}
#endif

}  // namespace

std::int64_t SteadyLinkTiming::nowUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void SteadyLinkTiming::sleepMs(unsigned ms) {
    TightenTimerSlack();
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void SteadyLinkTiming::waitUntilUs(std::int64_t untilUs) {
    TightenTimerSlack();
    const std::int64_t sleepUs = untilUs - nowUs() - kSpinUs;
    if (sleepUs > 0) std::this_thread::sleep_for(std::chrono::microseconds(sleepUs));
    while (nowUs() < untilUs) {
    }
}

}  // namespace pelko
