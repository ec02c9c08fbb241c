#pragma once
// What the parameters dialog shows of a controller's parameter block: one
// value per control, and the two conversions between block and dialog.
#include "model/dev_config.h"

namespace pelko {

struct TDeviceParams {
    int VParam1 = 0;       // reader sensitivity, item 0..3
    bool VParam2 = false;  // send the code of any card
    bool VParam3 = false;  // send the code of a card in memory
    bool VParam4 = false;  // send the code cyclically
    int VParam6 = 0;       // buzzer reaction, item 0..2
    bool VParam7 = false;  // cyclic buzzer
    int vParam8 = 0;       // buzzer time, item 0..15
    int VParam9 = 0;       // relay reaction, item 0..2
    bool VParam10 = false; // cyclic relay
    int VParam11 = 0;      // relay time, item 0..15
    int VParam12 = 0;      // relay contact: 0 normally open, 1 normally closed
    bool VParam13 = false; // use the memory only when the exchange fails
    bool VParam14 = false; // automatic log-out

    bool operator==(const TDeviceParams&) const = default;
};

TDeviceParams ParamsToDialog(const TDevConfig& block);
// Writes the dialog into the block; the address byte, the speed nibble and
// bit 7 of byte 1 are kept, the unused bits become 0.
void DialogToParams(const TDeviceParams& params, TDevConfig& block);

}  // namespace pelko
