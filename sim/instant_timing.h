#pragma once
// LinkTiming on virtual time: the worker's sleeps and waits move the clock
// forward instead of taking wall-clock time. Share the clock with the SimLine
// (and with a test's own timers) so that restart delays and answer times are
// all measured on one time base.
#include <memory>

#include "link/link_timing.h"
#include "sim/sim_clock.h"

namespace pelko {

class InstantTiming : public LinkTiming {
public:
    InstantTiming() : FClock(std::make_shared<VirtualClock>()) {}
    explicit InstantTiming(std::shared_ptr<VirtualClock> clock) : FClock(std::move(clock)) {}

    std::int64_t nowUs() override { return FClock->NowUs(); }
    void sleepMs(unsigned ms) override { FClock->AdvanceUs(static_cast<std::int64_t>(ms) * 1000); }
    void waitUntilUs(std::int64_t untilUs) override { FClock->WaitUntilUs(untilUs); }
    VirtualClock& Clock() { return *FClock; }

private:
    std::shared_ptr<VirtualClock> FClock;
};

}  // namespace pelko
