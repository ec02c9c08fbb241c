#pragma once
// The program settings: how the tool talks to the line and behaves. One
// record for the whole run; start-up values below, changed by the settings
// dialog, by a configuration file and by the search.
#include <array>
#include <cstdint>

#include "link/baud_rate.h"
#include "model/code.h"

namespace pelko {

// Line speeds offered by the settings dialog, in its order: kStandardBauds.

struct ProgramSettings {
    std::int32_t PortBaudRate = 9600;
    TCode StandPass = FactoryPass;        // common password
    bool AutoReadKey = false;
    bool AutoWriteKey = false;
    bool AutoSetDefaultSettings = true;
    std::int32_t CircleFind = 30;         // 0..50
    bool SavePass = true;
    std::int32_t NComPort = 1;            // 1..16
    std::int32_t TOConstant = 120;        // 0..40000 ms
    std::int32_t TOMultiplier = 1;        // 0..40000 ms per byte
    std::int32_t IntervalTO = 0;          // 0..40000 ms
    bool SmartPI = false;
    std::int32_t TailinUS = 400;          // 0..40000 us
    std::int32_t MaxAttempt = 3;          // 0..40000

    // Working values kept beside the settings.
    std::int32_t PrevBaudRate = 9600;     // speed before the last change
    TCode OldStandPass = FactoryPass;     // StandPass before the dialog was last accepted
    bool ChangeSpeedToo = false;          // the speed phase follows the password phase
};

inline constexpr std::int32_t kMaxPortValue = 40000;
inline constexpr std::int32_t kMaxCircleFind = 50;
inline constexpr std::int32_t kMaxComPort = 16;

// Brings IntervalTO, TailinUS, TOConstant, TOMultiplier, MaxAttempt, NComPort
// and CircleFind into their ranges (below: lower bound, above: upper bound).
void BringIntoRange(ProgramSettings& s);

// The session counts attempts in one byte; larger settings mean "as many as it can".
std::uint8_t SessionMaxAttempt(std::int32_t maxAttempt);

// Index of the speed in kStandardBauds; a speed not offered shows as 9600 (index 2).
int SpeedIndex(std::int32_t baud);

}  // namespace pelko
