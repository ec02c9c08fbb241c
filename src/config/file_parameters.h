#pragma once
// The device parameters as the configuration file names them, in the order
// they are written inside <Configuration>.
#include "model/dev_config.h"

namespace pelko {

struct FileParameter {
    const char* name;
    TConfigField field;
};

inline constexpr FileParameter kFileParameters[] = {
    {"ReaderGain", ReaderGain},
    {"AutomaticLogOut", AutomaticLogOut},
    {"CheckCardMemoryAllTime", CheckCardMemoryAllTime},
    {"UARTSpeed", UARTSpeed},
    {"SomeIDuartSend", SomeIDuartSend},
    {"BaseIDuartSend", BaseIDuartSend},
    {"UartRepeat", UartRepeat},
    {"BuzzerMode", BuzzerMode},
    {"BuzzerRepeat", BuzzerRepeat},
    {"BuzzerDelay", BuzzerDelay},
    {"RelayMode", RelayMode},
    {"RelayNCNO", RelayNCNO},
    {"RelayRepeat", RelayRepeat},
    {"RelayDelay", RelayDelay},
};

}  // namespace pelko
