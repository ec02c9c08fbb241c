// Carrying a new common password and a new line speed into every device of
// the group: the password phase, then (or alone) the speed phase, which
// switches the port only after the last device.
#include "engine/engine.h"

namespace pelko {
namespace {

constexpr char kLostQuestion[] = "Некоторые приборы могут быть потеряны. Продолжить?";

}  // namespace

bool TEngine::NeedsStandPass(std::uint8_t i) {
    if (!IsOpened(i)) return false;
    FGroup.GetPass(i, CurPass);
    const bool oldCommon = SameCode(CurPass, FSettings.OldStandPass);
    if ((oldCommon && !SameCode(FSettings.OldStandPass, FSettings.StandPass)) ||
        (!oldCommon && !FSettings.SavePass)) {
        NewStandPass = FSettings.StandPass;
        return true;
    }
    return false;
}

void TEngine::ShowModalPhase() {
    if (ShowModal() == TModalResult::Cancel) OperState = osIdle;
    FHost.UpdateControls();
}

void TEngine::CarryIntoDevices(bool passwordChanged, bool speedChanged) {
    FSettings.ChangeSpeedToo = passwordChanged && speedChanged;
    if (passwordChanged) return RunPasswordPhase();
    if (speedChanged && StartSpeedPhase(false)) ShowModalPhase();
}

void TEngine::RunPasswordPhase() {
    const int n = FGroup.Count();
    CurIndex = 0;
    SetProgBFrm(FSettings.ChangeSpeedToo ? 3 * n : n, kChangeParamsCaption, false);
    bool found = !IsOpened(0) || NeedsStandPass(0);
    while (!found && CurIndex + 1 < n) {
        ++CurIndex;
        found = !IsOpened(CurIndex) || NeedsStandPass(CurIndex);
    }
    if (found) {
        const std::uint8_t adr = AdrOf(*Device(CurIndex));
        if (!IsOpened(CurIndex)) Login(adr, FSettings.StandPass);
        else Queue(Requests.ChangePass(adr, CurPass, NewStandPass));
        OperState = osSetStandPass;
        SetPosition(CurIndex == 0 ? 0 : CurIndex + 1);
        return ShowModalPhase();
    }
    // No device needs anything: no empty progress window to cancel.
    SetPosition(n);
    if (!FSettings.ChangeSpeedToo) {
        OperState = osIdle;
        return FHost.UpdateControls();
    }
    OperState = osSetSpeed;
    if (StartSpeedPhase(false)) ShowModalPhase();
}

void TEngine::OnSetStandPass(const TAnswer& a, std::uint32_t) {
    if (!a.Failure) {
        switch (a.Cmd) {
            case ansChangePass:
                // A refused change leaves the device's password as it was.
                if (a.Verdict()) FGroup.SetPass(CurIndex, FSettings.StandPass);
                break;
            case ansLogin:
                if (!a.Verdict()) break;
                FGroup.SetState(FGroup.IndexOfAdr(a.Adr), dfOpened);
                FGroup.SetPass(CurIndex, FSettings.StandPass);
                FHost.UpdateGridDev();
                return ReadConfig(a.Adr);
            case ansReadConfig:
                if (a.FrameLength == kConfigAnswerLength && a.Complete()) {
                    FGroup.SetState(CurIndex, dfParamsRead);
                    FHost.UpdateGridDev();
                    WorkConfig = a.Block();
                    FGroup.SetConfig(CurIndex, WorkConfig);
                }
                break;
            default:
                return;
        }
    }
    StepIt();
    PassPhaseNext();
}

void TEngine::PassPhaseNext() {
    while (CurIndex + 1 < FGroup.Count()) {
        ++CurIndex;
        const std::uint8_t adr = AdrOf(*Device(CurIndex));
        if (!IsOpened(CurIndex)) {
            // A device that takes the common password already carries it.
            Login(adr, FSettings.StandPass);
        } else if (NeedsStandPass(CurIndex)) {
            Queue(Requests.ChangePass(adr, CurPass, NewStandPass));
        } else {
            continue;
        }
        return SetPosition(CurIndex + 1);
    }
    PassPhaseDone();
}

void TEngine::PassPhaseDone() {
    SetPosition(FGroup.Count());
    if (!FSettings.ChangeSpeedToo) return EndOper();
    OperState = osSetSpeed;
    StartSpeedPhase(true);
}

void TEngine::DropClosedDevices() {
    for (int j = FGroup.Count() - 1; j >= 0; --j)
        if (!IsOpened(static_cast<DevIndex>(j))) FGroup.DeleteDevice(static_cast<DevIndex>(j));
    FHost.UpdateGridDev();
    RefreshCardList();
    FHost.UpdateInspDev();
}

// True when a login is under way and the answers carry the phase on.
bool TEngine::StartSpeedPhase(bool fromAnswer) {
    if (FirstClosed() != NoDevice) {
        if (FHost.AskYesNo(kCaptionMessage, kLostQuestion, TMsgIcon::Warning)) {
            DropClosedDevices();
            if (FGroup.Count() == 0) {
                FSession.SetActive(false);
                FSession.SetPortBaudRate(FSettings.PortBaudRate);
                if (!ActivateSession()) PortMessage();
            }
        } else {
            FSettings.PortBaudRate = FSettings.PrevBaudRate;
        }
    }
    if (FGroup.Count() == 0) {
        SpeedPhaseEmpty(fromAnswer);
        return false;
    }
    if (!FSettings.ChangeSpeedToo) SetProgBFrm(2 * FGroup.Count(), kChangeParamsCaption, false);
    FSpeedBase = FBar.Position;
    FGroup.GetPass(0, CurPass);
    CurIndex = 0;
    OperState = osSetSpeed;
    Login(AdrOf(*Device(0)), CurPass);
    return true;
}

// Every device was dropped: nothing is left to carry the speed into.
void TEngine::SpeedPhaseEmpty(bool fromAnswer) {
    FSettings.ChangeSpeedToo = false;
    FSettings.PrevBaudRate = FSettings.PortBaudRate;
    if (fromAnswer) EndOper();
    else OperState = osIdle;
    FHost.UpdateControls();
}

void TEngine::OnSetSpeed(const TAnswer& a, std::uint32_t) {
    const bool ok = !a.Failure && a.Verdict();
    if (ok && a.Cmd == ansLogin) return SpeedLoggedIn(a);
    if (ok && a.Cmd == ansWriteConfig) {
        const DevIndex i = FGroup.IndexOfAdr(a.Adr);
        FGroup.SetState(i, dfParamsRead);
        FHost.UpdateGridDev();
        FGroup.SetConfig(i, WorkConfig);
        StepIt();
        return SpeedDeviceDone();
    }
    if (!a.Failure && a.Cmd != ansLogin && a.Cmd != ansWriteConfig) return;
    // No answer, or refused: the device keeps its speed and is skipped.
    SetPosition(FSpeedBase + CurIndex * 2 + 2);
    SpeedDeviceDone();
}

void TEngine::SpeedLoggedIn(const TAnswer& a) {
    StepIt();
    WorkConfig = DefaultConfig(a.Adr);
    const DevIndex i = FGroup.IndexOfAdr(a.Adr);
    if (FGroup.GetState(i, dfParamsRead)) {
        FGroup.GetConfig(i, WorkConfig);
    } else if (!FSettings.AutoSetDefaultSettings) {
        AskDeviceParams(kParamsDialogCaptionPrefix + NameOf(CurIndex));
    }
    PutSpeedCode(WorkConfig, FSettings.PortBaudRate);
    Queue(Requests.WriteConfig(a.Adr, WorkConfig));
}

void TEngine::SpeedDeviceDone() {
    if (CurIndex + 1 < FGroup.Count()) return LoginNextDevice();
    FinishSpeedPhase();
}

void TEngine::LoginNextDevice() {
    ++CurIndex;
    FGroup.GetPass(CurIndex, CurPass);
    Login(AdrOf(*Device(CurIndex)), CurPass);
}

// The port follows only now, once every device that answered has switched.
void TEngine::FinishSpeedPhase() {
    CurIndex = 0;
    FSettings.ChangeSpeedToo = false;
    EndOper();
    FSession.SetActive(false);
    FSession.SetPortBaudRate(FSettings.PortBaudRate);
    FSettings.PrevBaudRate = FSettings.PortBaudRate;
    if (!ActivateSession()) return PortMessage();
    PresentAll();
}

}  // namespace pelko
