// The worker's real waits on the monotonic clock. The pause before a frame
// and the transmit hold are minimums: ended early, the frame or the turn to
// receive comes before the line is ready. The hold spins its last stretch,
// so each is taken many times over.
#include <gtest/gtest.h>

#include "link/steady_link_timing.h"

namespace pelko {
namespace {

TEST(SteadyLinkTiming, APauseOrAHoldNeverEndsEarly) {
    SteadyLinkTiming timing;
    for (unsigned ms : {1u, 2u, 3u}) {
        for (int i = 0; i < 30; ++i) {
            const std::int64_t t0 = timing.nowUs();
            timing.sleepMs(ms);
            ASSERT_GE(timing.nowUs() - t0, std::int64_t{ms} * 1000) << "pause of " << ms << " ms, take " << i;
        }
    }
    for (std::int64_t us : {150, 1400, 2600, 5200}) {
        for (int i = 0; i < 30; ++i) {
            const std::int64_t until = timing.nowUs() + us;
            timing.waitUntilUs(until);
            ASSERT_GE(timing.nowUs(), until) << "hold of " << us << " us, take " << i;
        }
    }
}

}  // namespace
}  // namespace pelko
