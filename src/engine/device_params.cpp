#include "engine/device_params.h"

namespace pelko {
namespace {

unsigned Flag(bool on) { return on ? 1u : 0u; }
// A list without a choice counts as its first item.
unsigned Item(int index) { return index < 0 ? 0u : static_cast<unsigned>(index); }

}  // namespace

TDeviceParams ParamsToDialog(const TDevConfig& b) {
    TDeviceParams p;
    p.VParam1 = static_cast<int>(GetField(b, ReaderGain));
    p.VParam2 = GetField(b, SomeIDuartSend) != 0;
    p.VParam3 = GetField(b, BaseIDuartSend) != 0;
    p.VParam4 = GetField(b, UartRepeat) != 0;
    p.VParam6 = static_cast<int>(GetField(b, BuzzerMode));
    p.VParam7 = GetField(b, BuzzerRepeat) != 0;
    p.vParam8 = static_cast<int>(GetField(b, BuzzerDelay));
    p.VParam9 = static_cast<int>(GetField(b, RelayMode));
    p.VParam10 = GetField(b, RelayRepeat) != 0;
    p.VParam11 = static_cast<int>(GetField(b, RelayDelay));
    p.VParam12 = static_cast<int>(GetField(b, RelayNCNO));
    p.VParam13 = GetField(b, CheckCardMemoryAllTime) == 0;  // the box asks the opposite
    p.VParam14 = GetField(b, AutomaticLogOut) != 0;
    return p;
}

void DialogToParams(const TDeviceParams& p, TDevConfig& b) {
    b[0] = 0;
    SetField(b, ReaderGain, Item(p.VParam1));
    SetField(b, CheckCardMemoryAllTime, Flag(!p.VParam13));
    SetField(b, AutomaticLogOut, Flag(p.VParam14));
    SetField(b, SomeIDuartSend, Flag(p.VParam2));
    SetField(b, BaseIDuartSend, Flag(p.VParam3));
    SetField(b, UartRepeat, Flag(p.VParam4));
    b[3] = 0;
    SetField(b, BuzzerMode, Item(p.VParam6));
    SetField(b, BuzzerRepeat, Flag(p.VParam7));
    SetField(b, BuzzerDelay, Item(p.vParam8));
    b[4] = 0;
    SetField(b, RelayMode, Item(p.VParam9));
    SetField(b, RelayRepeat, Flag(p.VParam10));
    SetField(b, RelayDelay, Item(p.VParam11));
    SetField(b, RelayNCNO, Item(p.VParam12));
}

}  // namespace pelko
