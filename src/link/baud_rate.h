#pragma once
// The line speeds the program drives: the standard ones from 2400 to 115200.
#include <array>
#include <cstdint>

namespace pelko {

constexpr std::array<std::uint32_t, 7> kStandardBauds = {2400, 4800, 9600, 19200,
                                                         38400, 57600, 115200};

constexpr bool IsStandardBaud(std::int64_t baud) {
    for (std::uint32_t b : kStandardBauds)
        if (b == baud) return true;
    return false;
}

// Time of one byte on the line (start, 8 data, stop bits) in whole microseconds.
constexpr std::int64_t ByteTimeUs(std::int64_t baud) { return 1000000 / (baud / 10); }

}  // namespace pelko
