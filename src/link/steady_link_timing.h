#pragma once
// The worker's real waits on the monotonic clock. A transmit hold sleeps
// through most of its span and spins only the last stretch, so the line turns
// to receive on time without a polling line burning a core.
#include "link/link_timing.h"

namespace pelko {

class SteadyLinkTiming : public LinkTiming {
public:
    // How much of a wait is spun rather than slept: the scheduler may wake a
    // sleeper this late (Windows, even at its finest timer period, a tick
    // and more).
#ifdef _WIN32
    static constexpr std::int64_t kSpinUs = 2500;
#else
    static constexpr std::int64_t kSpinUs = 200;
#endif
    // How much of the pause before a frame is spun. Windows (and Wine) wakes
    // a sleeper up to a tick late, so a 2 ms sleep takes 2.4 ms and more; a
    // late pause costs only time, so one tick of spinning is enough. The
    // Linux sleep is close enough with a tight timer slack.
#ifdef _WIN32
    static constexpr std::int64_t kPauseSpinUs = 1000;
#else
    static constexpr std::int64_t kPauseSpinUs = 0;
#endif

    std::int64_t nowUs() override;
    void sleepMs(unsigned ms) override;
    void waitUntilUs(std::int64_t untilUs) override;
};

}  // namespace pelko
