#include "link/steady_link_timing.h"

#ifdef _WIN32
#include <windows.h>
#include <timeapi.h>
#else
#include <sys/prctl.h>
#endif

#include <chrono>
#include <thread>

namespace pelko {
namespace {

#ifdef _WIN32
// Windows wakes a sleeper on its timer tick, 15.6 ms unless a program asks
// for 1 ms; the rest of a wait is spun.
void TightenTimerSlack() {
    static const bool done = ::timeBeginPeriod(1) == TIMERR_NOERROR || true;
    (void)done;
}
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
