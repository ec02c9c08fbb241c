#include "config/program_settings.h"

#include <algorithm>

namespace pelko {

void BringIntoRange(ProgramSettings& s) {
    for (std::int32_t* v : {&s.IntervalTO, &s.TailinUS, &s.TOConstant, &s.TOMultiplier, &s.MaxAttempt})
        *v = std::clamp(*v, 0, kMaxPortValue);
    s.NComPort = std::clamp(s.NComPort, 1, kMaxComPort);
    s.CircleFind = std::clamp(s.CircleFind, 0, kMaxCircleFind);
}

std::uint8_t SessionMaxAttempt(std::int32_t maxAttempt) {
    return static_cast<std::uint8_t>(std::clamp(maxAttempt, 0, 255));
}

int SpeedIndex(std::int32_t baud) {
    auto it = std::find(kStandardBauds.begin(), kStandardBauds.end(), static_cast<std::uint32_t>(baud));
    return it == kStandardBauds.end() ? 2 : static_cast<int>(it - kStandardBauds.begin());
}

}  // namespace pelko
