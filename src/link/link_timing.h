#pragma once
// Waits the worker makes around each exchange. The real one sleeps and spins
// on the monotonic clock; tests hand in one that returns at once, so a scan of
// 254 addresses costs no wall-clock time.
#include <cstdint>

namespace pelko {

class LinkTiming {
public:
    virtual ~LinkTiming() = default;
    // Monotonic time in microseconds.
    virtual std::int64_t nowUs() = 0;
    virtual void sleepMs(unsigned ms) = 0;
    // Return no earlier than nowUs() == untilUs.
    virtual void waitUntilUs(std::int64_t untilUs) = 0;
};

}  // namespace pelko
