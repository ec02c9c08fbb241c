#include "ui/control_state.h"

namespace pelko {
namespace {

bool AnyOpened(const TGroupDev& group) {
    for (DevIndex i = 0; i < group.Count(); ++i)
        if (group.GetState(i, dfOpened)) return true;
    return false;
}

void DisableDeviceMenu(TControlState& s) {
    s.MenuDev = s.ResetDev = s.ChDevStandPas = s.OpenWithPas = false;
    s.ReadDevKeys = s.WriteDevKeys = s.SetDevParams = s.SetDevAddr = false;
}

void DisableCardButtons(TControlState& s) {
    s.ChView = s.ChStatusCard = s.AddCardBut = s.EditBut = false;
    s.DelCardBut = s.InverseSel = s.ReadCodeBut = false;
}

void Connected(TControlState& s, bool reset) {
    s.MenuDev = true;
    s.ResetDev = reset;
    s.OpenWithPas = true;
    DisableCardButtons(s);
    s.EditBut = true;
}

void Opened(TControlState& s, bool reset, const TConfPelko& dev, const TConfPelko& cur, bool master,
            const ProgramSettings& settings) {
    s.MenuDev = true;
    s.ResetDev = reset;
    s.OpenWithPas = false;
    s.ReadDevKeys = s.WriteDevKeys = s.SetDevAddr = s.SetDevParams = true;
    s.ChDevStandPas = !SameCode(dev.Pass, settings.StandPass);
    s.ChView = true;
    const int users = cur.UserCount();
    const int masters = cur.MasterCount();
    if (master) {
        s.ChStatusCard = users < kUserCells && masters > 0;
        s.AddCardBut = masters < kMasterCells;
        s.ReadCodeBut = masters > 0;
    } else {
        s.ChStatusCard = masters < kMasterCells && users > 0;
        s.AddCardBut = users < kUserCells;
        s.ReadCodeBut = users > 0;
    }
    s.EditBut = true;
    s.DelCardBut = s.InverseSel = cur.CardCount(master) > 0;
    s.ViewText = master ? kMasterViewText : kUserViewText;
    s.sbReadKeyDev = s.sbWriteKeyDev = true;
}

}  // namespace

bool EnReset(const TGroupDev& group, const ProgramSettings& settings) {
    if (settings.PortBaudRate != 9600 || group.Count() < 2) return true;
    const TConfPelko* first = group.GetDevice(0, nullptr);
    if (first == nullptr || first->Config[kAdrByte] != 1) return true;
    return group.Selected() == 0;
}

TControlState UpdateControlsRule(const TControlState& before, const TGroupDev& group, const TConfPelko& cur,
                                 bool masterView, const ProgramSettings& settings, bool listsEditable) {
    TControlState s = before;
    s.ViewText.reset();
    if (group.Count() == 0) {
        s.MenuDev = false;
        DisableCardButtons(s);
        s.GridDevVisible = false;
        s.sbReadKeyDev = s.sbWriteKeyDev = s.sbAddDevGroup = s.sbDelDevGroup = false;
        return s;
    }
    s.GridDevVisible = true;
    s.sbAddDevGroup = s.sbDelDevGroup = false;
    s.sbReadKeyDev = s.sbWriteKeyDev = AnyOpened(group);
    const DevIndex sel = group.Selected();
    const TConfPelko* dev = group.GetDevice(sel, nullptr);
    if (sel == NoDevice || dev == nullptr) return s;
    DisableDeviceMenu(s);
    const bool reset = EnReset(group, settings);
    if (group.GetState(sel, dfConnected)) Connected(s, reset);
    if (group.GetState(sel, dfOpened) || listsEditable) Opened(s, reset, *dev, cur, masterView, settings);
    const bool inGroup = group.GetState(sel, dfInGroup);
    s.sbAddDevGroup = !inGroup;
    s.sbDelDevGroup = inGroup;
    return s;
}

TControlState WithoutLine(TControlState s) {
    for (bool* line : {&s.ResetDev, &s.ChDevStandPas, &s.OpenWithPas, &s.ReadDevKeys, &s.WriteDevKeys, &s.SetDevParams,
                       &s.SetDevAddr, &s.ReadCodeBut, &s.sbReadKeyDev, &s.sbWriteKeyDev})
        *line = false;
    return s;
}

}  // namespace pelko
