#include "sim/sim_clock.h"

#include <chrono>
#include <thread>

namespace pelko {

void VirtualClock::WaitUntilUs(std::int64_t us) {
    std::int64_t cur = FNow.load();
    while (cur < us && !FNow.compare_exchange_weak(cur, us)) {
    }
}

std::int64_t RealClock::NowUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void RealClock::WaitUntilUs(std::int64_t us) {
    const std::int64_t now = NowUs();
    if (us > now) std::this_thread::sleep_for(std::chrono::microseconds(us - now));
}

}  // namespace pelko
