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

    std::int64_t nowUs() override;
    void sleepMs(unsigned ms) override;
    void waitUntilUs(std::int64_t untilUs) override;
};

}  // namespace pelko
